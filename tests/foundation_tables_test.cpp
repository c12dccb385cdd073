#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "child_process.h"
#include "foundation/init.h"
#include "foundation/log2.h"
#include "foundation/lt.h"

namespace {

[[maybe_unused]] const bool tables_ready = (init_startup(), true);

unsigned row_weight(const unsigned short* row) {
    unsigned n = 0;
    for (int k = 0; k < 16; k++) n += get_weight(row[k]);
    return n;
}

TEST(WeightTable, CountsEveryByteAndOnlyTheLow16Bits) {
    for (unsigned i = 0; i < 256; i++) EXPECT_EQ(weight_array[i], __builtin_popcount(i)) << i;
    EXPECT_EQ(get_weight(0xffffffffu), 16u);
    EXPECT_EQ(get_weight(0x10000u), 0u);
    EXPECT_EQ(get_weight(0x18001u), 2u);
}

TEST(Log2, MapsTableLengthsToVariableCounts) {
    for (int n = 1; n <= 9; n++) EXPECT_EQ(get_log2(1u << n, "x"), n);
}

TEST(Log2, OtherLengthsEndWithStatusZero) {
    for (unsigned x : {0u, 1u, 3u, 12u, 1024u, 0x80000000u})
        expect_exit([x] { get_log2(x, "who"); }, "ERROR in who not a power of 2\n", 0);
    expect_exit([] { get_log2(12, "Bits::transform: length "); },
                "ERROR in Bits::transform: length  not a power of 2\n", 0);
}

TEST(RowTables, TellingWordsOfEachTable) {
    struct Case { const unsigned short* row; unsigned short word0; };
    const Case cases[] = {
        {LA[0], 0x0000}, {LA[1], 0xaaaa}, {LA[2], 0xcccc}, {LA[4], 0xf0f0}, {LA[8], 0xff00},
        {LA[3], 0x6666}, {LA[15], 0x6996}, {LA[256], 0xffff}, {LA[257], 0x5555},
        {TA[0], 0xffff}, {TA[1], 0xaaaa}, {TA[3], 0x8888}, {TA[7], 0x8080}, {TA[15], 0x8000},
        {OA[0], 0}, {OA[1], 0x0116}, {OA[2], 0x1668}, {OA[3], 0x6880}, {OA[4], 0x8000},
        {OA[5], 0}, {OA[8], 0}};
    for (const Case& c : cases) EXPECT_EQ(c.row[0], c.word0) << (c.row - LA[0]);
    EXPECT_EQ(OA[4][1], 0x6880);
    for (int k = 0; k < 16; k++) {
        EXPECT_EQ(LA[16][k], k % 2 ? 0xffff : 0x0000);
        EXPECT_EQ(LA[256][k], 0xffff);
        EXPECT_EQ(LA[511][k], static_cast<unsigned short>(~LA[255][k]));
        EXPECT_EQ(TA[255][k], k == 15 ? 0x8000 : 0);
        EXPECT_EQ(OA[8][k], k == 15 ? 0x8000 : 0);
    }
}

TEST(RowTables, RowWeights) {
    EXPECT_EQ(row_weight(LA[0]), 0u);
    for (unsigned a = 1; a < 256; a++) EXPECT_EQ(row_weight(LA[a]), 128u) << a;
    const unsigned binomial[9] = {0, 8, 28, 56, 70, 56, 28, 8, 1};
    for (unsigned d = 0; d <= 8; d++) EXPECT_EQ(row_weight(OA[d]), binomial[d]) << d;
}

TEST(RowTables, StartupAgainGivesTheSameTables) {
    static unsigned short la[512][16], ta[256][16], oa[9][16];
    std::memcpy(la, LA, sizeof la);
    std::memcpy(ta, TA, sizeof ta);
    std::memcpy(oa, OA, sizeof oa);
    init_startup();
    EXPECT_EQ(std::memcmp(la, LA, sizeof la), 0);
    EXPECT_EQ(std::memcmp(ta, TA, sizeof ta), 0);
    EXPECT_EQ(std::memcmp(oa, OA, sizeof oa), 0);
}

TEST(Lookups, ReturnRowsUpToTheirBounds) {
    EXPECT_EQ(L(511), LA[511]);
    EXPECT_EQ(T(255), TA[255]);
    EXPECT_EQ(O(8), OA[8]);
    EXPECT_EQ(I(3), LA[8]);
    EXPECT_EQ(I(8), LA[256]);
}

TEST(Lookups, PastTheBoundEndWithStatusOne) {
    expect_exit([] { L(512); }, "ERROR is L: Value to big", 1);
    expect_exit([] { L(0xffffffffu); }, "ERROR is L: Value to big", 1);
    expect_exit([] { T(256); }, "ERROR is T: Value to big", 1);
    expect_exit([] { I(9); }, "ERROR is T: Value to big", 1);
    expect_exit([] { O(9); }, "ERROR is O: Value to big", 1);
}

// The per-word rows must agree with the tables where both exist and with the definitions beyond.
TEST(DerivedWords, AgreeWithTablesAndDefinitions) {
    for (unsigned k = 0; k < 16; k++) {
        for (unsigned a = 0; a < 256; a++) {
            EXPECT_EQ(linear_word(a, k), LA[a][k]);
            EXPECT_EQ(monomial_word(a, k), TA[a][k]);
        }
        for (unsigned d = 1; d <= 8; d++) EXPECT_EQ(degree_word(d, k), OA[d][k]);
    }
    for (unsigned k : {16u, 31u, 1000u, 4095u})
        for (unsigned j = 0; j < 16; j++) {
            unsigned x = 16 * k + j, a = 0x9a5c, m = 0x0213;
            EXPECT_EQ((linear_word(a, k) >> j) & 1, __builtin_popcount(a & x) & 1u);
            EXPECT_EQ((monomial_word(m, k) >> j) & 1, (x & m) == m ? 1u : 0u);
            EXPECT_EQ((degree_word(9, k) >> j) & 1, __builtin_popcount(x) == 9 ? 1u : 0u);
        }
}

}  // namespace
