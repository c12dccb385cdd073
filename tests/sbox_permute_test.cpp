#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "sbox/permute.h"

namespace {

// Where P_k moves input bits 0, 1, 2 and 3.
const int moves[24][4] = {
    {0, 1, 2, 3}, {1, 0, 2, 3}, {2, 1, 0, 3}, {3, 1, 2, 0}, {0, 1, 3, 2}, {1, 0, 3, 2},
    {2, 1, 3, 0}, {3, 1, 0, 2}, {0, 2, 1, 3}, {1, 2, 0, 3}, {2, 0, 1, 3}, {3, 2, 1, 0},
    {0, 2, 3, 1}, {1, 2, 3, 0}, {2, 0, 3, 1}, {3, 2, 0, 1}, {0, 3, 2, 1}, {1, 3, 2, 0},
    {2, 3, 0, 1}, {3, 0, 2, 1}, {0, 3, 1, 2}, {1, 3, 0, 2}, {2, 3, 1, 0}, {3, 0, 1, 2}};

const unsigned short variable_words[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};

// P_k(x) assembled bit by bit from the table of moves.
int moved(int k, int x) {
    int r = 0;
    for (int b = 0; b < 4; ++b)
        if ((x >> b) & 1) r |= 1 << moves[k][b];
    return r;
}

Sbox present() {
    const int v[16] = {12, 5, 6, 11, 9, 0, 10, 13, 3, 14, 15, 8, 4, 7, 1, 2};
    return Sbox(v);
}

Sbox identity() {
    int v[16];
    for (int x = 0; x < 16; ++x) v[x] = x;
    return Sbox(v);
}

void expect_tables_match_values(const Sbox& s, int k, int l) {
    for (unsigned j = 0; j < 4; ++j)
        for (unsigned x = 0; x < 16; ++x)
            ASSERT_EQ(s.b[j].get_bit(x), (s.n[x] >> j) & 1) << "k = " << k << ", l = " << l;
}

}  // namespace

// Checks every entry, not only the single bits of the numbered table: P_k must be a pure
// bit permutation.
TEST(SboxPermutation, InputBitsMoveAsNumbered) {
    for (int k = 0; k < 24; ++k)
        for (int x = 0; x < 16; ++x) EXPECT_EQ(permute_input(k, x), moved(k, x)) << k << ", " << x;
}

TEST(SboxPermutation, IdentityNumberWithZeroConstantKeepsTheSbox) {
    Sbox a = present();
    Sbox t = permuteSB4(a, 0, 0);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(t.n[x], a.n[x]);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(t.b[j].word(0), a.b[j].word(0));
}

TEST(SboxPermutation, InputSideAppliesConstantThenPermutation) {
    Sbox a = present();
    for (int k = 0; k < 24; ++k)
        for (int l = 0; l < 16; ++l) {
            Sbox t = permuteSB4(a, k, l);
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(t.n[x], a.n[moved(k, x ^ l)]) << "k = " << k << ", l = " << l;
            ASSERT_EQ(t.good(), 1) << "k = " << k << ", l = " << l;
            expect_tables_match_values(t, k, l);
        }
}

// On the identity S-box, output bit moves[k][b] of the result is input variable b.
TEST(SboxPermutation, IdentityGivesPermutedVariableWords) {
    for (int k = 0; k < 24; ++k) {
        Sbox t = permuteSB4(identity(), k, 0);
        for (int b = 0; b < 4; ++b)
            EXPECT_EQ(t.b[moves[k][b]].word(0), variable_words[b]) << "k = " << k << ", bit " << b;
    }
}

TEST(SboxPermutation, OutputSidePermutesValuesThenAddsConstant) {
    Sbox a = present();
    for (int k = 0; k < 24; ++k)
        for (int l = 0; l < 16; ++l) {
            Sbox t = permuteSB4o(a, k, l);
            for (int x = 0; x < 16; ++x)
                ASSERT_EQ(t.n[x], moved(k, a.n[x]) ^ l) << "k = " << k << ", l = " << l;
            expect_tables_match_values(t, k, l);
        }
}

// Out-of-range constants and values must not index outside the bit-swap tables.
TEST(SboxPermutation, OnlyLowFourBitsReachTheTables) {
    Sbox a = present();
    Sbox wide = permuteSB4(a, 13, 16 + 5);
    Sbox narrow = permuteSB4(a, 13, 5);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(wide.n[x], narrow.n[x]);
    int v[16] = {-1, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
    EXPECT_EQ(permuteSB4o(Sbox(v), 1, 0).n[0], 15);
}

TEST(SboxPermutation, NumbersOutsideRangeEndTheProcess) {
    const struct { int k; const char* shifted; } cases[] = {
        {24, "3"}, {-1, "-1"}, {31, "3"}, {32, "4"}, {-9, "-2"}};
    for (auto c : cases) {
        const std::string want = std::string("Error in assigning n in permuteSB4 ") + c.shifted + "\n";
        ChildResult in = run_in_child([&] { permuteSB4(present(), c.k, 0); });
        EXPECT_EQ(in.out, want) << "k = " << c.k;
        EXPECT_EQ(in.status, 1) << "k = " << c.k;
        ChildResult out = run_in_child([&] { permuteSB4o(present(), c.k, 0); });
        EXPECT_EQ(out.out, want) << "k = " << c.k;
        EXPECT_EQ(out.status, 1) << "k = " << c.k;
        ChildResult input = run_in_child([&] { permute_input(c.k, 1); });
        EXPECT_EQ(input.out, want) << "k = " << c.k;
        EXPECT_EQ(input.status, 1) << "k = " << c.k;
    }
    ChildResult last = run_in_child([] { permuteSB4(present(), 23, 0); });
    EXPECT_TRUE(last.returned);
    EXPECT_EQ(last.out, "");
}
