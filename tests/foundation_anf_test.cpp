#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "foundation/anf.h"
#include "foundation/init.h"

namespace {

[[maybe_unused]] const bool tables_ready = (init_startup(), true);

// Shows the cached properties.
struct Peek : ANF {
    explicit Peek(const ANF& a) : ANF(a) {}
    uint32_t cached_weight() const { return weight; }
};

Bits word16(unsigned short w) {
    return Bits(&w, 16);
}

// Coefficient m is the XOR of the table over the inputs inside m.
std::vector<int> moebius(const Bits& t) {
    std::vector<int> c(t.get_len());
    for (unsigned m = 0; m < c.size(); m++)
        for (unsigned x = m;; x = (x - 1) & m) {
            c[m] ^= t.get_bit(x);
            if (x == 0) break;
        }
    return c;
}

// Highest degree below the top one among the coefficients.
int degree_below_top(const std::vector<int>& c) {
    int best = 0;
    for (unsigned m = 0; m + 1 < c.size(); m++)
        if (c[m] && __builtin_popcount(m) > best) best = __builtin_popcount(m);
    return best;
}

Bits random_table(unsigned len, std::mt19937& gen) {
    Bits b(len);
    for (unsigned i = 0; i < len; i++) b.set_bit(i, gen() & 1);
    return b;
}

TEST(AnfTransform, KnownForms) {
    struct Case { unsigned short table; std::vector<unsigned> terms; int order, vars; };
    const Case cases[] = {
        {0x0000, {}, 0, 0},           {0xffff, {0}, 0, 0},          {0xaaaa, {1}, 1, 1},
        {0x8888, {3}, 2, 2},          {0x6996, {1, 2, 4, 8}, 1, 4}, {0x8000, {15}, 0, 4},
        {0x7f80, {7, 8}, 3, 4},       {0x7888, {3, 12}, 2, 4}};
    for (const Case& c : cases) {
        ANF a = get_ANF(word16(c.table));
        Bits expected(16);
        for (unsigned m : c.terms) expected.set_bit(m);
        EXPECT_EQ(a == expected, -1) << std::hex << c.table;
        EXPECT_EQ(a.get_var_cnt(), 4);
        EXPECT_EQ(Peek(a).cached_weight(), c.terms.size());
        EXPECT_EQ(a.get_order(), c.order) << std::hex << c.table;
        EXPECT_EQ(a.get_real_var_cnt(), c.vars) << std::hex << c.table;
    }
}

TEST(AnfTransform, AllSixteenBitTablesAgainstDefinition) {
    for (unsigned t = 0; t < 65536; t++) {
        Bits table = word16(static_cast<unsigned short>(t));
        ANF a = get_ANF(table);
        std::vector<int> c = moebius(table);
        for (unsigned m = 0; m < 16; m++) ASSERT_EQ(a.get_bit(m), c[m]) << t;
        ASSERT_EQ(a.get_order(), degree_below_top(c)) << t;
        ASSERT_EQ(a.get_bits() == table, -1) << t;
    }
}

TEST(AnfTransform, ShortTablesIgnoreBitsAboveTheLength) {
    unsigned short w = 0xfff6;
    ANF a = get_ANF(Bits(&w, 4));
    EXPECT_EQ(a.get_len(), 4u);
    EXPECT_EQ(a.get_var_cnt(), 2);
    EXPECT_EQ(text_of(a), "0110 ");
    EXPECT_EQ(a.get_weight(), 2u);
}

TEST(AnfTransform, LongTablesAgainstDefinition) {
    std::mt19937 gen(7);
    for (unsigned len : {32u, 256u, 512u}) {
        Bits table = random_table(len, gen);
        ANF a = get_ANF(table);
        std::vector<int> c = moebius(table);
        for (unsigned m = 0; m < len; m++) ASSERT_EQ(a.get_bit(m), c[m]) << len << " " << m;
        EXPECT_EQ(a.get_order(), degree_below_top(c));
        EXPECT_EQ(a.get_real_var_cnt(), a.get_var_cnt());
        EXPECT_EQ(a.get_bits() == table, -1);
    }
}

TEST(AnfTransform, UnsupportedLengthsEndWithStatusZero) {
    const std::string msg = "ERROR in get_ANF(Bits b): length not a power of 2\n";
    for (unsigned len : {1u, 12u, 1024u}) expect_exit([len] { get_ANF(Bits(len)); }, msg, 0);
}

TEST(AnfForm, ConstructionAndBadCounts) {
    EXPECT_EQ(ANF(0).get_len(), 1u);
    EXPECT_EQ(ANF(16).get_len(), 65536u);
    const std::string msg = "ERROR in Bits::Bits(unsigned) : Invalid Length\n";
    for (int vars : {17, 40, -1}) expect_exit([vars] { ANF a(vars); }, msg, 1);
    expect_exit([] { ANF(4).set_term(16); }, "ERROR in Bits::set_bit : Invalid Location\n", 1);
}

TEST(AnfForm, ChangesEmptyTheCaches) {
    ANF a = get_ANF(word16(0xaaaa));
    EXPECT_EQ(a.get_order(), 1);
    EXPECT_EQ(a.get_real_var_cnt(), 1);
    a.set_term(7);
    EXPECT_EQ(a.get_order(), 3);
    EXPECT_EQ(a.get_real_var_cnt(), 3);
    a.clr_lin();
    EXPECT_EQ(Peek(a).cached_weight(), 65535u);
    a.set_term(0);
    a.set_term(8);
    a.clr_lin();
    EXPECT_EQ(text_of(a), "0000000100000000 ");
    unsigned short row = 0x0010;
    ANF b = a ^ &row;
    EXPECT_EQ(b.get_order(), 3);
    ANF c = &row ^ ANF(4);
    EXPECT_EQ(c.get_order(), 1);
}

TEST(AnfForm, WideCountsStayInsideTheirStorage) {
    ANF a(12);
    a.set_term(0xfff);
    EXPECT_EQ(a.get_order(), 0);
    a.set_term(0x7ff);
    EXPECT_EQ(a.get_order(), 11);
    EXPECT_EQ(a.get_real_var_cnt(), 12);
    ANF b(9);
    for (unsigned m : {0u, 3u, 256u, 257u}) b.set_term(m);
    b.clr_lin();
    EXPECT_EQ(b.get_weight(), 2u);
    EXPECT_EQ(b.get_bit(257), 1);
    Bits t = b.get_bits();
    EXPECT_EQ(get_ANF(t) == b, -1);
}

TEST(AnfForm, XorTakesTheShorterForm) {
    ANF big = get_ANF(word16(0x7f80)), small(3);
    small.set_term(6);
    ANF x = big ^ small;
    EXPECT_EQ(x.get_len(), 8u);
    EXPECT_EQ(x.get_var_cnt(), 3);
    EXPECT_EQ(text_of(x), "00000011 ");
}

TEST(AnfForm, AssignmentAcrossSizesCarriesCaches) {
    ANF a(4), b(9);
    b.set_term(300);
    EXPECT_EQ(b.get_order(), 4);
    a = b;
    EXPECT_EQ(a.get_len(), 512u);
    EXPECT_EQ(a.get_var_cnt(), 9);
    EXPECT_EQ(a.get_order(), 4);
    b = get_ANF(word16(0x8888));
    EXPECT_EQ(b.get_words(), 1);
    EXPECT_EQ(b.get_real_var_cnt(), 2);
}

TEST(AnfText, WritesAndReadsCoefficients) {
    ANF a(4);
    a.set_term(3);
    a.set_term(4);
    EXPECT_EQ(text_of(a), "0001100000000000 ");
    std::istringstream in("0001100000000000\n0110 ");
    ANF r = get_ANF(word16(0xffff));
    in >> r;
    EXPECT_EQ(r == a, -1);
    EXPECT_EQ(r.get_order(), 2);
    in >> r;
    EXPECT_EQ(r.get_var_cnt(), 2);
    EXPECT_EQ(r.get_real_var_cnt(), 2);
}

TEST(AnfText, ReaderFaults) {
    auto read16 = [](const char* s) { return [s] { std::istringstream in(s); ANF a(4); in >> a; }; };
    expect_exit(read16(""), "ERROR in ANF::>> : read past eof\n", 1);
    expect_exit(read16("2"), "ERROR in ANF::>> : invalid input character (0x32)\n", 1);
    expect_exit(read16("00000000000000000"), "ERROR in ANF::>> : Input too long - max 16\n", 1);
    expect_exit(read16("011"), "ERROR in ANF::>> : length not a power of 2\n", 0);
    expect_exit(read16("1"), "ERROR in ANF::>> : length not a power of 2\n", 0);
}

}  // namespace
