#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "foundation/init.h"
#include "sbox/sbox.h"

namespace {

const char* const present = "c56b90ad3ef84712";
const char* const present_inverse = "5ef8c12db463079a";

// An S-box from sixteen hexadecimal digits, S(0) first.
Sbox from_hex(const char* hex) {
    int v[16];
    for (int x = 0; x < 16; ++x) v[x] = std::stoi(std::string(1, hex[x]), nullptr, 16);
    return Sbox(v);
}

Sbox identity() {
    int v[16];
    for (int x = 0; x < 16; ++x) v[x] = x;
    return Sbox(v);
}

// Bits of length 16 holding one word.
Bits word_bits(unsigned short w) { return Bits(&w, 16); }

// Fails the test unless bit x of b[j] equals bit j of n[x] everywhere.
void expect_tables_match_values(const Sbox& s) {
    for (unsigned j = 0; j < 4; ++j) {
        ASSERT_EQ(s.b[j].get_len(), 16u);
        for (unsigned x = 0; x < 16; ++x)
            EXPECT_EQ(s.b[j].get_bit(x), (s.n[x] >> j) & 1) << "x = " << x << ", j = " << j;
    }
}

void expect_values(const Sbox& s, const std::vector<unsigned>& want) {
    for (unsigned x = 0; x < 16; ++x) EXPECT_EQ(s.n[x], want[x]) << "x = " << x;
}

std::string text_of(const Sbox& s) {
    std::ostringstream out;
    out << s;
    return out.str();
}

}  // namespace

TEST(SboxConstruction, InputVariableTablesGiveIdentity) {
    Sbox s(word_bits(0xaaaa), word_bits(0xcccc), word_bits(0xf0f0), word_bits(0xff00));
    for (unsigned x = 0; x < 16; ++x) EXPECT_EQ(s.n[x], x);
}

TEST(SboxConstruction, ValuesGiveCoordinateWordsLowBitFirst) {
    Sbox id = identity();
    EXPECT_EQ(id.b[0].word(0), 0xaaaa);
    EXPECT_EQ(id.b[1].word(0), 0xcccc);
    EXPECT_EQ(id.b[2].word(0), 0xf0f0);
    EXPECT_EQ(id.b[3].word(0), 0xff00);
    Sbox p = from_hex(present);
    EXPECT_EQ(p.b[0].word(0), 0x659a);
    EXPECT_EQ(p.b[1].word(0), 0xa74c);
    EXPECT_EQ(p.b[2].word(0), 0x3687);
    EXPECT_EQ(p.b[3].word(0), 0x0ed9);
    Sbox back(p.b[0], p.b[1], p.b[2], p.b[3]);
    for (int x = 0; x < 16; ++x) EXPECT_EQ(back.n[x], p.n[x]);
}

TEST(SboxConstruction, IntValuesKeepTheirLow16Bits) {
    int v[16] = {-1, 65536 + 3, 70000, 15, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 0};
    Sbox s(v);
    EXPECT_EQ(s.n[0], 65535);
    EXPECT_EQ(s.n[1], 3);
    EXPECT_EQ(s.n[2], 4464);
    expect_tables_match_values(s);
}

TEST(SboxConstruction, DefaultHasZeroTablesOfSixteenBits) {
    Sbox s;
    for (int j = 0; j < 4; ++j) {
        EXPECT_EQ(s.b[j].get_len(), 16u);
        EXPECT_EQ(s.b[j].word(0), 0);
    }
}

TEST(SboxInverse, BijectiveTablesInvertExactly) {
    Sbox p = from_hex(present);
    Sbox inv = p.inverse();
    expect_values(inv, {5, 14, 15, 8, 12, 1, 2, 13, 11, 4, 6, 3, 0, 7, 9, 10});
    expect_tables_match_values(inv);
    Sbox twice = inv.inverse();
    for (int x = 0; x < 16; ++x) EXPECT_EQ(twice.n[x], p.n[x]);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(twice.b[j].word(0), p.b[j].word(0));
    Sbox id = identity().inverse();
    for (unsigned x = 0; x < 16; ++x) EXPECT_EQ(id.n[x], x);
    EXPECT_EQ(text_of(from_hex(present_inverse)), text_of(inv));
}

TEST(SboxInverse, RepeatedValuesKeepLargestInputAndZeroElsewhere) {
    int zeros[16] = {};
    expect_values(Sbox(zeros).inverse(), {15, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    int halves[16];
    for (int x = 0; x < 16; ++x) halves[x] = x / 2;
    Sbox inv = Sbox(halves).inverse();
    expect_values(inv, {1, 3, 5, 7, 9, 11, 13, 15, 0, 0, 0, 0, 0, 0, 0, 0});
    expect_tables_match_values(inv);
}

// A value above 15 must not write outside the table; it counts by its low four bits.
TEST(SboxInverse, ValueAbove15CountsByLowFourBits) {
    int v[16];
    for (int x = 0; x < 16; ++x) v[x] = x;
    v[2] = 16 + 5;
    v[9] = -1;
    Sbox inv = Sbox(v).inverse();
    EXPECT_EQ(inv.n[5], 5);
    EXPECT_EQ(inv.n[2], 0);
    EXPECT_EQ(inv.n[15], 15);
    EXPECT_EQ(inv.n[9], 0);
}

TEST(SboxText, WritesTwoBlanksBetweenValuesAndNothingElse) {
    EXPECT_EQ(text_of(identity()),
              "0  1  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    std::ostringstream out;
    out << from_hex(present) << identity();
    EXPECT_EQ(out.str(), "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2"
                         "0  1  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
}

TEST(SboxText, ReadsAnyWhitespaceAndLineLayout) {
    const std::string one_line = "12 5 6 11 9 0 10 13 3 14 15 8 4 7 1 2\n";
    const std::string four_lines = "12 5 6 11\n9 0 10 13\r\n3\t14 15 8\n  4 7 1 2\n";
    for (const std::string& text : {one_line, four_lines}) {
        std::istringstream in(text);
        Sbox s;
        in >> s;
        EXPECT_TRUE(in.good()) << text;
        EXPECT_EQ(text_of(s), text_of(from_hex(present))) << text;
        expect_tables_match_values(s);
    }
}

TEST(SboxText, ReadsRecordsBackToBackAndWrittenTextBack) {
    std::istringstream in(text_of(from_hex(present)) + "  " + text_of(identity()) + "\n");
    Sbox a, b;
    in >> a >> b;
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(text_of(a), text_of(from_hex(present)));
    EXPECT_EQ(text_of(b), text_of(identity()));
}

// The last record of a file without a final line end is complete; only the next read fails.
TEST(SboxText, NumberEndingAtEndOfInputDoesNotSetEof) {
    std::istringstream in("12 5 6 11 9 0 10 13 3 14 15 8 4 7 1 2");
    Sbox s;
    in >> s;
    EXPECT_FALSE(in.eof());
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(s.n[15], 2);
    Sbox next = identity();
    in >> next;
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.fail());
    for (unsigned x = 0; x < 16; ++x) EXPECT_EQ(next.n[x], x);
}

TEST(SboxText, ShortRecordKeepsLaterEntriesAndSetsEofAndFail) {
    std::istringstream in("4 9 2 7\n");
    Sbox s = from_hex(present);
    in >> s;
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.fail());
    expect_values(s, {4, 9, 2, 7, 9, 0, 10, 13, 3, 14, 15, 8, 4, 7, 1, 2});
    expect_tables_match_values(s);
}

TEST(SboxText, BadTokenStopsReadingWithoutEof) {
    std::istringstream in("1 2 x 4 5 6 7 8 9 10 11 12 13 14 15 0");
    Sbox s = identity();
    in >> s;
    EXPECT_TRUE(in.fail());
    EXPECT_FALSE(in.eof());
    expect_values(s, {1, 2, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
    expect_tables_match_values(s);
}

TEST(SboxText, ValuesAreTakenModulo65536) {
    std::istringstream in("-1 65536 70000 -65535 4 5 6 7 8 9 10 11 12 13 14 15\n");
    Sbox s;
    in >> s;
    EXPECT_FALSE(in.fail());
    EXPECT_EQ(s.n[0], 65535);
    EXPECT_EQ(s.n[1], 0);
    EXPECT_EQ(s.n[2], 4464);
    EXPECT_EQ(s.n[3], 1);
    for (int j = 0; j < 4; ++j) EXPECT_EQ(s.b[j].get_bit(0), 1);
    expect_tables_match_values(s);
}

// A number too large for any integer type fails the extraction like any bad token.
// However long a number is, it is taken modulo 65536, as every other value outside 0..65535.
TEST(SboxText, OverlongNumbersAreTakenModulo65536) {
    std::istringstream in("3 1 99999999999999999999 4 5 6 7 8 9 10 11 12 13 14 15 -99999999999999999999");
    Sbox s = identity();
    in >> s;
    EXPECT_FALSE(in.fail());
    EXPECT_FALSE(in.eof()) << "a number that ends the input leaves the end-of-file state clear";
    expect_values(s, {3, 1, 65535, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 1});
    expect_tables_match_values(s);
    std::istringstream huge("18446744073709551616");
    huge >> s;
    EXPECT_TRUE(huge.fail() && huge.eof()) << "the other fifteen values are missing";
    EXPECT_EQ(s.n[0], 0) << "2^64 is 0 modulo 65536";
}

// Reading a new table must drop the metrics cached for the old one.
TEST(SboxText, ReadingResetsCachedMetrics) {
    init_weight();
    Sbox s = from_hex(present);
    ASSERT_EQ(s.max_xor(), 4);
    ASSERT_EQ(s.max_lat(), 12);
    ASSERT_EQ(s.single(), 0);
    std::istringstream in(text_of(identity()));
    in >> s;
    EXPECT_EQ(s.max_xor(), 16);
    EXPECT_EQ(s.max_lat(), 16);
    EXPECT_EQ(s.single(), 1);
}

// PRESENT: differential uniformity 4, LAT counts between 4 and 12, and no one-bit input
// difference leads to a one-bit output difference. The identity passes every difference and
// mask straight through; the constant table sends every difference to output difference 0,
// which lies outside the maximum, and gives every LAT count 8.
TEST(SboxMetrics, KnownTables) {
    init_weight();
    int zeros[16] = {};
    const struct { const char* name; Sbox s; int max_xor, max_lat, single, good; } cases[] = {
        {"present", from_hex(present), 4, 12, 0, 1},
        {"identity", identity(), 16, 16, 1, 1},
        {"zero", Sbox(zeros), 0, 8, 1, 0},
    };
    for (const auto& c : cases) {
        Sbox fresh = c.s;
        EXPECT_EQ(fresh.single(), c.single) << c.name;
        Sbox s = c.s;
        EXPECT_EQ(s.max_xor(), c.max_xor) << c.name;
        EXPECT_EQ(s.single(), c.single) << c.name << " after max_xor";
        EXPECT_EQ(s.max_lat(), c.max_lat) << c.name;
        EXPECT_EQ(s.good(), c.good) << c.name;
    }
}

TEST(SboxMetrics, GoodRejectsLargeAndRepeatedValues) {
    Sbox s = from_hex(present);
    EXPECT_EQ(s.good(), 1);
    s.n[4] = 16;
    EXPECT_EQ(s.good(), 0);
    s.n[4] = 65535;
    EXPECT_EQ(s.good(), 0);
    s.n[4] = s.n[5];
    EXPECT_EQ(s.good(), 0);
}

// Values above 15 must not index outside the difference table; they count by their low bits.
TEST(SboxMetrics, ValueAbove15CountsByLowFourBits) {
    init_weight();
    int v[16];
    for (int x = 0; x < 16; ++x) v[x] = x;
    v[0] = 16;
    Sbox s(v);
    EXPECT_EQ(s.max_xor(), 16);
    EXPECT_EQ(s.max_lat(), 16);
}
