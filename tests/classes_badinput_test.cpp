// Faulty target lists: each ends the load with one line naming the file, the record and what
// is wrong, and status 1, before any table is overrun.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "classes/quikfnd3.h"
#include "classes_list_dir.h"
#include "classes_lists.h"

namespace {

using test_lists::Values;

const std::string identity = "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
const std::string announce = "reading sb2.txt\nreading sb3.txt\n";

std::string repeat(const std::string& text, unsigned times) {
    std::string all;
    for (unsigned k = 0; k < times; ++k) all += text;
    return all;
}

struct BadCase {
    const char* what;
    int x;
    std::string sb2;
    std::string sb3;  // "-" for no file
    std::string expected;
};

void expect_bad(const BadCase& c) {
    const std::string* sb2 = c.sb2 == "-" ? nullptr : &c.sb2;
    const std::string* sb3 = c.sb3 == "-" ? nullptr : &c.sb3;
    ChildResult r = test_lists::load_in_child(c.x, sb2, sb3);
    EXPECT_EQ(r.out, c.expected) << c.what;
    EXPECT_EQ(r.status, 1) << c.what;
}

TEST(LoaderRejects, MissingSelectedFile) {
    const BadCase cases[] = {
        {"sb2 missing", 1, "-", "-", "reading sb2.txt\nsb2.txt: cannot be opened\n"},
        {"sb3 missing", 2, identity, "-", announce + "sb3.txt: cannot be opened\n"},
        {"sb3 missing, both", 3, identity, "-", announce + "sb3.txt: cannot be opened\n"},
    };
    for (const BadCase& c : cases) expect_bad(c);
}

TEST(LoaderRejects, TokenThatIsNotANumber) {
    const std::string head = "0 1 2 3 4 5 6 7 8 9 10 11 12";
    const BadCase cases[] = {
        {"word", 1, identity + head + " x 14 15\n", "-",
         "reading sb2.txt\nsb2.txt: record 2: \"x\" is not a number\n"},
        {"digits then letters", 1, "0 1 2 3 4 5 6 7 8 9 10 11 12abc 13 14 15\n", "-",
         "reading sb2.txt\nsb2.txt: record 1: \"12abc\" is not a number\n"},
        {"decimal point", 1, "1.5 " + head, "-",
         "reading sb2.txt\nsb2.txt: record 1: \"1.5\" is not a number\n"},
        {"lone sign", 1, "- " + head + " 13 14\n", "-",
         "reading sb2.txt\nsb2.txt: record 1: \"-\" is not a number\n"},
        {"long token, control character", 1, identity + identity + "0 1 abcdefghij\x01klmnopqrstuvwxyz\n",
         "-",
         "reading sb2.txt\nsb2.txt: record 3: \"abcdefghij?klmnopqrs...\" is not a number\n"},
        {"in sb3.txt", 3, identity, "15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 0\n#\n",
         announce + "sb3.txt: record 2: \"#\" is not a number\n"},
    };
    for (const BadCase& c : cases) expect_bad(c);
}

TEST(LoaderRejects, RecordThatIsNotAPermutation) {
    const std::string tail = " 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
    const BadCase cases[] = {
        {"16", 1, "16" + tail, "-",
         "reading sb2.txt\nsb2.txt: record 1: not a permutation of 0..15 (value 16 out of range)\n"},
        {"-1", 1, identity + "-1" + tail, "-",
         "reading sb2.txt\nsb2.txt: record 2: not a permutation of 0..15 (value 65535 out of range)\n"},
        {"repeat", 1, "5" + tail, "-",
         "reading sb2.txt\nsb2.txt: record 1: not a permutation of 0..15 (value 5 repeated)\n"},
        {"modulo 65536 repeats", 1, "65541" + tail, "-",
         "reading sb2.txt\nsb2.txt: record 1: not a permutation of 0..15 (value 5 repeated)\n"},
        {"all zero", 2, "-", repeat("0 ", 16),
         announce + "sb3.txt: record 1: not a permutation of 0..15 (value 0 repeated)\n"},
    };
    for (const BadCase& c : cases) expect_bad(c);
}

// The record capacities hold exactly: one record more than the capacity is refused before it
// is stored (the same S-box repeated: the reading stops before any set is compared).
TEST(LoaderRejects, MoreRecordsThanTheFileHolds) {
    const BadCase cases[] = {
        {"sb2.txt", 1, repeat(identity, sb2_capacity + 1), "-",
         announce.substr(0, 16) + "sb2.txt: record 36901: more than 36900 records\n"},
        {"sb3.txt", 2, "-", repeat(identity, sb3_file_capacity + 1),
         announce + "sb3.txt: record 30801: more than 30800 records\n"},
    };
    for (const BadCase& c : cases) expect_bad(c);
}

// First record (counted from 1 in its file) at which the list has more distinct components,
// or triples, than their capacity; 0 when it never has.
struct Overflow {
    unsigned component_record = 0;
    unsigned triple_record = 0;
};

Overflow find_overflow(const std::vector<Values>& sboxes) {
    std::set<unsigned short> words;
    std::set<std::vector<unsigned short>> triples;
    Overflow o;
    for (unsigned r = 0; r < sboxes.size(); ++r) {
        test_lists::Words w = test_lists::coordinate_set(sboxes[r]);
        words.insert(w.begin(), w.end());
        for (int omit = 0; omit < 4; ++omit) {
            std::vector<unsigned short> t;
            for (int k = 0; k < 4; ++k)
                if (k != omit) t.push_back(w[k]);
            triples.insert(t);
        }
        if (!o.component_record && words.size() > component_capacity) o.component_record = r + 1;
        if (!o.triple_record && triples.size() > triple_capacity) o.triple_record = r + 1;
    }
    return o;
}

TEST(LoaderRejects, MoreComponentsThanTheTablesHold) {
    test_lists::Rng rng{11};
    std::vector<Values> sboxes;
    for (int k = 0; k < 800; ++k) sboxes.push_back(test_lists::random_permutation(rng));
    Overflow o = find_overflow(sboxes);
    ASSERT_GT(o.component_record, 0u);
    BadCase c = {"components", 1, test_lists::list_text(sboxes), "-",
                 announce + "800  0  Setting valid array\nsb2.txt: record " +
                     std::to_string(o.component_record) + ": more than 2680 components\n"};
    expect_bad(c);
}

// 67640 S-boxes in 89 clusters: 2670 components, but more than 250000 triples; the records
// beyond the capacity of sb2.txt go to sb3.txt, where the overflow is met.
TEST(LoaderRejects, MoreTriplesThanTheTablesHold) {
    std::vector<Values> sboxes = test_lists::cluster_list(89, 67640, 13);
    ASSERT_EQ(sboxes.size(), 67640u);
    Overflow o = find_overflow(sboxes);
    ASSERT_EQ(o.component_record, 0u);
    ASSERT_GT(o.triple_record, sb2_capacity);
    std::vector<Values> first(sboxes.begin(), sboxes.begin() + sb2_capacity);
    std::vector<Values> second(sboxes.begin() + sb2_capacity, sboxes.end());
    BadCase c = {"triples", 3, test_lists::list_text(first), test_lists::list_text(second),
                 announce + "36900  30740  Setting valid array\nsb3.txt: record " +
                     std::to_string(o.triple_record - sb2_capacity) + ": more than 250000 triples\n"};
    expect_bad(c);
}

}  // namespace

namespace {

// A directory where the list should be is no list, and says so instead of loading nothing.
TEST(LoaderRejects, DirectoryInPlaceOfTheList) {
    const std::string dir = make_temp_dir();
    ASSERT_TRUE(make_dir(dir + "/sb2.txt"));
    const ChildResult r = run_in_child([&] {
        change_dir(dir);
        init_valid(1);
    });
    EXPECT_EQ(r.out, "reading sb2.txt\nsb2.txt: cannot be opened\n");
    EXPECT_EQ(r.status, 1);
}

// Values of any length are taken modulo 65536: 65536 + 3 is 3, 2^64 is 0.
TEST(LoaderAccepts, OverlongValuesModulo65536) {
    const load_outcome r = test_lists::load_here(1, "18446744073709551616 1 2 65539 4 5 6 7 8 9 10 11 12 13 14 15\n");
    EXPECT_FALSE(r.failed) << r.message;
    EXPECT_EQ(sbcnt, 1u);
    EXPECT_EQ(get_sb4(0xaaaa, 0xcccc, 0xf0f0, 0xff00), 0);
}

}  // namespace
