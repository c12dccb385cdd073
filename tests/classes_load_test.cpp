// The loader as the program runs it: init_valid in a child process inside a temporary
// directory, compared by its whole console text and exit status.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <string>
#include <vector>

#include "child_process.h"
#include "classes/quikfnd3.h"
#include "classes_list_dir.h"
#include "classes_lists.h"

namespace {

using test_lists::Values;

// init_valid(x) in a child over sb2.txt with the given text and, when given, sb3.txt.
ChildResult load_in_child(int x, const std::string& sb2, const std::string* sb3 = nullptr) {
    return test_lists::load_in_child(x, &sb2, sb3);
}

// Console text of a load that passes every check, from the counts it prints.
std::string passing_text(unsigned acnt, unsigned bcnt, const unsigned partial[4], unsigned lcnt_,
                         unsigned sbcnt_, unsigned sb3cnt_) {
    std::string t = "reading sb2.txt\nreading sb3.txt\n" + std::to_string(acnt) + "  " +
                    std::to_string(bcnt) + "  Setting valid array\n"
                    "Sorting level 0\nSorting level 1\nVerifying sc4 as sorted by item 0\n"
                    "Sorting level 2\nVerifying sc4 as sorted\n";
    for (int k = 1; k <= 3; ++k)
        t += "Preparing partial sb3 list " + std::to_string(k) + "\nsb3 partial " + std::to_string(k) +
             " cnt " + std::to_string(partial[k - 1]) + "\n";
    t += "Checking each partial list 1-3\nSetting sb3 partial table 4\nsb3 partial 4 cnt " +
         std::to_string(partial[3]) +
         "\nChecking partial list 4\n"
         "Checking partial tables for completeness\nChecking partial table 2 for completeness\n"
         "Checking partial table 3 for completeness\nChecking partial table 4 for completeness\n"
         "Setting sb3 table\nsb3 cnt " +
         std::to_string(sb3cnt_) + "\nChecking sb3 list\nChecking sb3 for completeness\n" + "lcnt " +
         std::to_string(lcnt_) + "  sbcnt " + std::to_string(sbcnt_) + "  sb3cnt " + std::to_string(sb3cnt_) +
         "\n";
    return t;
}

const char* const identity_line = "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";

TEST(LoaderConsole, IdentityListPrintsEveryPhaseAndCount) {
    const std::string expected =
        "reading sb2.txt\n"
        "reading sb3.txt\n"
        "1  0  Setting valid array\n"
        "Sorting level 0\n"
        "Sorting level 1\n"
        "Verifying sc4 as sorted by item 0\n"
        "Sorting level 2\n"
        "Verifying sc4 as sorted\n"
        "Preparing partial sb3 list 1\n"
        "sb3 partial 1 cnt 1\n"
        "Preparing partial sb3 list 2\n"
        "sb3 partial 2 cnt 1\n"
        "Preparing partial sb3 list 3\n"
        "sb3 partial 3 cnt 1\n"
        "Checking each partial list 1-3\n"
        "Setting sb3 partial table 4\n"
        "sb3 partial 4 cnt 1\n"
        "Checking partial list 4\n"
        "Checking partial tables for completeness\n"
        "Checking partial table 2 for completeness\n"
        "Checking partial table 3 for completeness\n"
        "Checking partial table 4 for completeness\n"
        "Setting sb3 table\n"
        "sb3 cnt 4\n"
        "Checking sb3 list\n"
        "Checking sb3 for completeness\n"
        "lcnt 4  sbcnt 1  sb3cnt 4\n";
    ChildResult r = load_in_child(1, identity_line);
    EXPECT_EQ(r.out, expected);
    EXPECT_TRUE(r.returned);
}

// The argument selects the files; sb3.txt is announced whatever it is, and a list that is not
// selected may be missing or hold anything.
TEST(LoaderConsole, ArgumentSelectsTheFiles) {
    // Shares three coordinate words, and so one triple, with the identity.
    const std::string other = "1 0 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
    const std::string garbage = "not a list";
    const unsigned one[4] = {1, 1, 1, 1};
    const unsigned both[4] = {2, 2, 2, 1};
    const unsigned none[4] = {0, 0, 0, 0};
    struct Case {
        int x;
        const std::string* sb3;
        std::string expected;
    } cases[] = {
        {1, nullptr, passing_text(1, 0, one, 4, 1, 4)},
        {1, &garbage, passing_text(1, 0, one, 4, 1, 4)},
        {2, &other, passing_text(0, 1, one, 4, 1, 4)},
        {3, &other, passing_text(1, 1, both, 5, 2, 7)},
        {0, &other, passing_text(0, 0, none, 0, 0, 0)},
        {4, &other, passing_text(0, 0, none, 0, 0, 0)},
    };
    for (const Case& c : cases) {
        ChildResult r = load_in_child(c.x, identity_line, c.sb3);
        EXPECT_EQ(r.out, c.expected) << "x = " << c.x;
        EXPECT_TRUE(r.returned) << "x = " << c.x;
    }
}

// Line structure does not matter; the last record counts without a line end, and a record cut
// short by the end of the file is dropped.
TEST(LoaderConsole, RecordsEndWhereTheirSixteenthValueEnds) {
    const std::string a = "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    const std::string b = "15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 0";  // complemented identity: new words
    struct Case {
        std::string text;
        unsigned records;
    } cases[] = {
        {a, 1},
        {a + "\n" + b, 2},
        {a + "\n" + b + "\n\n  \t", 2},
        {a + " " + b + "\n", 2},
        {"0 1 2 3\n4 5 6 7\n8 9 10 11\n12 13 14 15\n", 1},
        {a + "\n" + b + "\n0 1 2 3 4 5 6", 2},
        {a + "\n" + "-", 1},
        {"", 0},
    };
    for (const Case& c : cases) {
        ChildResult r = load_in_child(1, c.text);
        std::string count_line = "\n" + std::to_string(c.records) + "  0  Setting valid array\n";
        EXPECT_NE(r.out.find(count_line), std::string::npos) << c.text << "\n" << r.out;
        EXPECT_TRUE(r.returned) << c.text;
    }
}

// Two records with the same coordinate set, here also in another output order, end the load
// at the check after level 2 with the full mismatch report.
TEST(LoaderConsole, SameSetTwiceEndsWithBadSc4) {
    // Rows in sc4 order: the complemented identity's set sorts before the identity's, so the
    // pair of equal rows is at 1 and 2.
    const std::string text = std::string(identity_line) + "15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 0\n" +
                             "0 2 1 3 4 6 5 7 8 10 9 11 12 14 13 15\n";
    const std::string expected =
        "reading sb2.txt\nreading sb3.txt\n3  0  Setting valid array\n"
        "Sorting level 0\nSorting level 1\nVerifying sc4 as sorted by item 0\n"
        "Sorting level 2\nVerifying sc4 as sorted\n"
        "Bad sc4 at 1  2\n"
        "43690  43690\n"
        "52428  52428\n"
        "61680  61680\n"
        "65280  65280\n";
    ChildResult r = load_in_child(1, text);
    EXPECT_EQ(r.out, expected);
    EXPECT_EQ(r.status, 1);
}

// Distinct triples and rows of a list, as the loader should count them.
struct ListCounts {
    unsigned components = 0;
    unsigned triples = 0;
    unsigned partial[4] = {0, 0, 0, 0};
};

ListCounts count_list(const std::vector<Values>& sboxes) {
    std::set<unsigned short> words;
    std::set<std::vector<unsigned short>> triples;
    std::set<std::vector<unsigned short>> partial[4];
    for (const Values& s : sboxes) {
        test_lists::Words w = test_lists::coordinate_set(s);
        words.insert(w.begin(), w.end());
        for (int omit = 0; omit < 4; ++omit) {
            std::vector<unsigned short> t;
            for (int k = 0; k < 4; ++k)
                if (k != omit) t.push_back(w[k]);
            triples.insert(t);
            partial[3 - omit].insert(t);
        }
    }
    ListCounts c;
    c.components = unsigned(words.size());
    c.triples = unsigned(triples.size());
    for (int k = 0; k < 4; ++k) c.partial[k] = unsigned(partial[k].size());
    return c;
}

// A list of 36900 S-boxes, the capacity of "sb2.txt", with 2670 components: the counts match
// a direct count, and the load, self-checks included, is fast.
TEST(LoaderConsole, FullListLoadsWithItsCounts) {
    std::vector<Values> sboxes = test_lists::cluster_list(89, sb2_capacity, 7);
    ASSERT_EQ(sboxes.size(), sb2_capacity);
    ListCounts c = count_list(sboxes);
    ASSERT_EQ(c.components, 2670u);
    auto start = std::chrono::steady_clock::now();
    ChildResult r = load_in_child(1, test_lists::list_text(sboxes));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.out, passing_text(sb2_capacity, 0, c.partial, c.components, sb2_capacity, c.triples));
    EXPECT_TRUE(r.returned);
    EXPECT_LT(seconds, 1.5);
}

}  // namespace
