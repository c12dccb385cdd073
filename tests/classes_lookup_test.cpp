// The class tables and their lookups, loaded in this process and compared with a direct model
// of the same S-box list.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <set>
#include <string>
#include <unordered_set>
#include <vector>

#include "child_process.h"
#include "classes/quikfnd3.h"
#include "classes_list_dir.h"
#include "classes_lists.h"

namespace {

using test_lists::Values;
using test_lists::Words;
using test_lists::load_here;

const std::string identity_line = "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
constexpr unsigned short v0 = 43690, v1 = 52428, v2 = 61680, v3 = 65280;

std::vector<unsigned short> row(const unsigned short* w, int width) {
    return std::vector<unsigned short>(w, w + width);
}

TEST(ClassTables, IdentityListFillsEveryTable) {
    ASSERT_FALSE(load_here(1, identity_line).failed);
    EXPECT_EQ(lcnt, 4u);
    EXPECT_EQ(sbcnt, 1u);
    EXPECT_EQ(sb3cnt, 4u);
    const unsigned short words[4] = {v0, v1, v2, v3};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(valid[words[c]], c);
        EXPECT_EQ(list[c].v, words[c]);
        // Paired with the three others, not with itself.
        EXPECT_EQ(unsigned(list[c].l[0]), 0xfu & ~(1u << c)) << c;
    }
    EXPECT_EQ(list[4].v, -1);
    EXPECT_EQ(valid[255], -1);
    EXPECT_EQ(row(sb4[0], 4), row(words, 4));
    EXPECT_EQ(row(sc4[0], 4), row(words, 4));
    const std::vector<std::vector<unsigned short>> triples = {
        {v0, v1, v2}, {v0, v1, v3}, {v0, v2, v3}, {v1, v2, v3}};
    for (unsigned e = 0; e < 4; ++e) EXPECT_EQ(row(sb3[e], 3), triples[e]);
    EXPECT_EQ(lmark4[0][0], 0);
    EXPECT_EQ(lmark4[0][1], 1);
    EXPECT_EQ(lmark3[0][0], 0);
    EXPECT_EQ(lmark3[0][1], 3);
    EXPECT_EQ(lmark3[1][0], 3);
    EXPECT_EQ(lmark3[1][1], 4);
    for (int c = 1; c < 4; ++c) EXPECT_EQ(lmark4[c][0], -1);
    for (int c = 2; c < 4; ++c) EXPECT_EQ(lmark3[c][0], -1);
}

TEST(ClassLookup, IdentityListAnswers) {
    ASSERT_FALSE(load_here(1, identity_line).failed);
    EXPECT_EQ(check_sb4(v3, v0, v2, v1), 1);
    EXPECT_EQ(get_sb4(v3, v0, v2, v1), 0);
    EXPECT_EQ(check_sb3(v2, v0, v3), 1);
    EXPECT_EQ(check_sb3(v0, v1, 255), 0);
    EXPECT_EQ(get_sb4(v0, v1, v2, 255), -1);
    EXPECT_EQ(check_list(v1, v0), 1);
    EXPECT_EQ(check_list(v1, 255), 0);
    EXPECT_EQ(check_list(v1, v1), 0);
    // v1 is a component but never the smallest word of a row.
    EXPECT_EQ(get_sb4(v1, v2, v3, 65535), -1);
    EXPECT_EQ(check_sb3(v1, v3, 65535), 0);
    // Repeated words are searched as they are and never match.
    EXPECT_EQ(check_sb4(v0, v0, v2, v3), 0);
    EXPECT_EQ(check_sb3(v0, v0, v1), 0);
}

// Every order of the arguments gives the same answer.
TEST(ClassLookup, ArgumentOrderDoesNotMatter) {
    ASSERT_FALSE(load_here(1, identity_line).failed);
    std::array<unsigned short, 4> w = {v0, v1, v2, v3};
    do {
        EXPECT_EQ(get_sb4(w[0], w[1], w[2], w[3]), 0);
        EXPECT_EQ(check_sb3(w[0], w[1], w[2]), 1);
        EXPECT_EQ(check_sb3(w[0], w[1], 1), 0);
    } while (std::next_permutation(w.begin(), w.end()));
}

TEST(ClassLookup, BitsToWordReadsTheFirstSixteenBits) {
    Bits odd(16);
    for (unsigned x = 1; x < 16; x += 2) odd.set_bit(x);
    EXPECT_EQ(bits_to_word(odd), 0xaaaa);
    Bits longer(40);
    longer.set_bit(0);
    longer.set_bit(15);
    longer.set_bit(16);
    longer.set_bit(39);
    EXPECT_EQ(bits_to_word(longer), 0x8001);
    ChildResult r = run_in_child([] {
        Bits shorter(15);
        bits_to_word(shorter);
    });
    EXPECT_EQ(r.out, "ERROR in Bits::get_bit : Invalid Location\n");
    EXPECT_EQ(r.status, 1);
}

// Direct model of a list: the sets, triples and pairs of its S-boxes.
struct Model {
    std::vector<Words> sets;  // ascending, distinct
    std::vector<std::array<unsigned short, 3>> triples;  // ascending, distinct
    std::unordered_set<uint64_t> triple_keys;
    std::set<std::pair<unsigned short, unsigned short>> pairs;
    std::vector<unsigned short> components;  // in order of first appearance
};

uint64_t key3(unsigned short a, unsigned short b, unsigned short c) {
    unsigned short w[3] = {a, b, c};
    std::sort(w, w + 3);
    return (uint64_t(w[0]) << 32) | (uint64_t(w[1]) << 16) | w[2];
}

Model model_of(const std::vector<Values>& sboxes) {
    Model m;
    std::set<Words> sets;
    std::set<std::array<unsigned short, 3>> triples;
    for (const Values& s : sboxes) {
        Words w = test_lists::coordinate_words(s);
        for (int j = 0; j < 4; ++j) {
            if (std::find(m.components.begin(), m.components.end(), w[j]) == m.components.end())
                m.components.push_back(w[j]);
            for (int k = 0; k < 4; ++k)
                if (j != k) m.pairs.insert({w[j], w[k]});
        }
        Words set = test_lists::coordinate_set(s);
        sets.insert(set);
        for (int omit = 0; omit < 4; ++omit) {
            std::array<unsigned short, 3> t{};
            for (int k = 0, n = 0; k < 4; ++k)
                if (k != omit) t[n++] = set[k];
            triples.insert(t);
            m.triple_keys.insert(key3(t[0], t[1], t[2]));
        }
    }
    m.sets.assign(sets.begin(), sets.end());
    m.triples.assign(triples.begin(), triples.end());
    return m;
}

// Hundreds of S-boxes: two clusters that share words heavily, and random permutations.
std::vector<Values> mixed_list() {
    std::vector<Values> sboxes = test_lists::cluster_list(2, 400, 5);
    test_lists::Rng rng{23};
    for (int k = 0; k < 20; ++k) sboxes.push_back(test_lists::random_permutation(rng));
    return sboxes;
}

TEST(ClassTables, MixedListTablesEqualTheModel) {
    std::vector<Values> sboxes = mixed_list();
    Model m = model_of(sboxes);
    ASSERT_FALSE(load_here(1, test_lists::list_text(sboxes)).failed);
    ASSERT_EQ(sbcnt, sboxes.size());
    ASSERT_EQ(m.sets.size(), sboxes.size());
    ASSERT_EQ(lcnt, m.components.size());
    ASSERT_EQ(sb3cnt, m.triples.size());
    for (unsigned c = 0; c < lcnt; ++c) EXPECT_EQ(list[c].v, m.components[c]);
    for (unsigned i = 0; i < sbcnt; ++i) {
        Words w = test_lists::coordinate_words(sboxes[i]);
        ASSERT_EQ(row(sb4[i], 4), row(w.data(), 4)) << i;
        ASSERT_EQ(row(sc4[i], 4), row(m.sets[i].data(), 4)) << i;
    }
    for (unsigned e = 0; e < sb3cnt; ++e) ASSERT_EQ(row(sb3[e], 3), row(m.triples[e].data(), 3)) << e;
    // Each lmark range holds exactly the rows that start with its component.
    for (unsigned c = 0; c < lcnt; ++c) {
        unsigned short w = m.components[c];
        auto first4 = std::count_if(m.sets.begin(), m.sets.end(), [&](const Words& s) { return s[0] == w; });
        auto first3 =
            std::count_if(m.triples.begin(), m.triples.end(), [&](const auto& t) { return t[0] == w; });
        EXPECT_EQ(lmark4[c][0] == -1 ? 0 : lmark4[c][1] - lmark4[c][0], first4) << c;
        EXPECT_EQ(lmark3[c][0] == -1 ? 0 : lmark3[c][1] - lmark3[c][0], first3) << c;
        if (first4) {
            EXPECT_EQ(sc4[lmark4[c][0]][0], w);
        }
        if (first3) {
            EXPECT_EQ(sb3[lmark3[c][0]][0], w);
        }
    }
}

TEST(ClassLookup, MixedListAnswersAsTheModel) {
    std::vector<Values> sboxes = mixed_list();
    Model m = model_of(sboxes);
    ASSERT_FALSE(load_here(1, test_lists::list_text(sboxes)).failed);
    std::vector<unsigned short> words = m.components;
    words.push_back(0);
    words.push_back(1);
    words.push_back(0x6996);  // balanced, but not a coordinate of any S-box in the list
    ASSERT_EQ(valid[0x6996], -1);
    for (unsigned short a : words)
        for (unsigned short b : words)
            ASSERT_EQ(check_list(a, b), int(m.pairs.count({a, b}))) << a << " " << b;
    for (size_t i = 0; i < words.size(); ++i)
        for (size_t j = i + 1; j < words.size(); ++j)
            for (size_t k = j + 1; k < words.size(); ++k)
                ASSERT_EQ(check_sb3(words[k], words[i], words[j]),
                          int(m.triple_keys.count(key3(words[i], words[j], words[k]))))
                    << words[i] << " " << words[j] << " " << words[k];
    std::set<Words> sets(m.sets.begin(), m.sets.end());
    for (const Values& s : sboxes) {
        Words w = test_lists::coordinate_words(s);
        int r = get_sb4(w[2], w[0], w[3], w[1]);
        ASSERT_GE(r, 0);
        EXPECT_EQ(row(sc4[r], 4), row(test_lists::coordinate_set(s).data(), 4));
        EXPECT_EQ(check_sb4(w[3], w[1], w[2], w[0]), 1);
        // Every set that differs in one word is found only when the list holds it.
        for (int j = 0; j < 4; ++j)
            for (unsigned short other : words) {
                Words near = w;
                near[j] = other;
                Words sorted = near;
                std::sort(sorted.begin(), sorted.end());
                int expected = int(sets.count(sorted));
                ASSERT_EQ(check_sb4(near[0], near[1], near[2], near[3]), expected);
                int found = get_sb4(near[0], near[1], near[2], near[3]);
                ASSERT_EQ(found >= 0, expected == 1);
                if (found >= 0) {
                    ASSERT_EQ(row(sc4[found], 4), row(sorted.data(), 4));
                }
            }
    }
}

// A second load answers only for its own list: nothing of the first one leaks through.
TEST(ClassTables, SecondLoadStartsFromScratch) {
    std::vector<Values> sboxes = mixed_list();
    ASSERT_FALSE(load_here(1, test_lists::list_text(sboxes)).failed);
    Words old = test_lists::coordinate_words(sboxes[5]);
    ASSERT_EQ(check_sb4(old[0], old[1], old[2], old[3]), 1);
    ASSERT_FALSE(load_here(1, identity_line).failed);
    EXPECT_EQ(lcnt, 4u);
    EXPECT_EQ(check_sb4(old[0], old[1], old[2], old[3]), 0);
    EXPECT_EQ(check_sb3(old[0], old[1], old[2]), 0);
    EXPECT_EQ(check_list(old[0], old[1]), 0);
    for (unsigned short w : old) EXPECT_EQ(valid[w], -1);
    for (unsigned c = lcnt; c < component_capacity; ++c) {
        ASSERT_EQ(list[c].v, -1);
        ASSERT_EQ(lmark4[c][0], -1);
        ASSERT_EQ(lmark3[c][0], -1);
    }
    for (unsigned c = 0; c < lcnt; ++c) {
        EXPECT_EQ(unsigned(list[c].l[0]), 0xfu & ~(1u << c));
        for (unsigned k = 1; k < 170; ++k) ASSERT_EQ(list[c].l[k], 0);
    }
    EXPECT_EQ(get_sb4(v0, v1, v2, v3), 0);
    EXPECT_EQ(sc4[1][0], 0);
    EXPECT_EQ(sb3[4][0], 0);
}

// No records at all: empty tables in which every lookup answers absent.
TEST(ClassTables, EmptyListGivesEmptyTables) {
    for (int x : {1, 0}) {
        ASSERT_FALSE(load_here(1, identity_line).failed);
        ASSERT_FALSE(load_here(x, "", identity_line).failed);
        EXPECT_EQ(lcnt, 0u);
        EXPECT_EQ(sbcnt, 0u);
        EXPECT_EQ(sb3cnt, 0u);
        EXPECT_EQ(valid[v0], -1);
        EXPECT_EQ(check_list(v0, v1), 0);
        EXPECT_EQ(check_sb3(v0, v1, v2), 0);
        EXPECT_EQ(get_sb4(v0, v1, v2, v3), -1);
        EXPECT_EQ(check_sb4(0, 0, 0, 0), 0);
    }
}

// A load that stops at a fault reports it; what it left behind answers absent where no range
// was built yet.
TEST(ClassTables, FaultIsReturnedNotExited) {
    load_outcome r = load_here(1, identity_line + "0 1 2 x\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message, "sb2.txt: record 2: \"x\" is not a number\n");
    EXPECT_EQ(r.status, 1);
    r = load_here(1, identity_line + "0 2 1 3 4 6 5 7 8 10 9 11 12 14 13 15\n");
    EXPECT_TRUE(r.failed);
    EXPECT_EQ(r.message.rfind("Bad sc4 at 0  1\n", 0), 0u);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(check_sb3(v0, v1, v2), 0);
}

}  // namespace
