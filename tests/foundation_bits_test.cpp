#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>

#include "child_process.h"
#include "foundation/bits.h"
#include "foundation/init.h"

namespace {

[[maybe_unused]] const bool tables_ready = (init_startup(), true);

// Shows the weight cache and flips bits behind its back.
struct Peek : Bits {
    explicit Peek(const Bits& b) : Bits(b) {}
    uint32_t cached() const { return weight; }
    void flip_raw(unsigned i) { storage()[i >> 4] ^= static_cast<unsigned short>(1u << (i & 15)); }
};

Bits word16(unsigned short w) {
    return Bits(&w, 16);
}

TEST(BitsConstruction, LengthsAndStorage) {
    const unsigned cases[][2] = {{1, 1}, {16, 1}, {17, 2}, {32, 2}, {33, 3}, {65536, 4096}};
    for (const auto& c : cases) {
        Bits b(c[0]);
        EXPECT_EQ(b.get_len(), c[0]);
        EXPECT_EQ(b.get_words(), c[1]);
        EXPECT_EQ(Peek(b).cached(), 0u);
        EXPECT_EQ(b.get_bit(c[0] - 1), 0);
    }
    Bits big(65536);
    big.set_bit(65535);
    EXPECT_EQ(big.word(4095), 0x8000);
}

TEST(BitsConstruction, BadLengthsEndWithStatusOne) {
    const std::string length_msg = "ERROR in Bits::Bits(unsigned) : Invalid Length\n";
    expect_exit([] { Bits b(0u); }, length_msg, 1);
    expect_exit([] { Bits b(65537u); }, length_msg, 1);
    expect_exit([] { Bits b(""); }, "ERROR in Bits::Bits(char *) : Invalid Length\n", 1);
    std::string too_long(65537, '0');
    expect_exit([&] { Bits b(too_long.c_str()); }, "ERROR in Bits::Bits(char *) : Invalid Length\n", 1);
    EXPECT_EQ(Bits(std::string(65536, '1').c_str()).get_weight(), 65536u);
}

TEST(BitsConstruction, TextGivesBitsAndWeight) {
    Bits b("0110");
    EXPECT_EQ(b.get_len(), 4u);
    EXPECT_EQ(b.word(0) & 0xf, 0x6);
    EXPECT_EQ(Peek(b).cached(), 2u);
}

TEST(BitsConstruction, BadCharacterShownItselfOrByCode) {
    const std::pair<const char*, const char*> cases[] = {
        {"01x", "x"}, {"0 1", "32"}, {"!", "!"}, {"~", "~"}, {"0\x7f", "127"}, {"\xe9", "-23"}, {"\t", "9"}};
    for (const auto& c : cases)
        expect_exit([&] { Bits b(c.first); },
                    std::string("ERROR in Bits::Bits(char *) : Invalid Character (") + c.second + ")\n", 1);
}

TEST(BitsAccess, SingleBitChangesKeepTheWeightExact) {
    Bits b(16);
    b.set_bit(3);
    b.set_bit(3);
    b.clr_bit(5);
    EXPECT_EQ(Peek(b).cached(), 1u);
    b.set_bit(7, 42);
    b.comp_bit(3);
    b.comp_bit(0);
    EXPECT_EQ(Peek(b).cached(), 2u);
    EXPECT_EQ(b.word(0), 0x81);
    Bits m = word16(0xaaaa);
    m.set_bit(0);
    EXPECT_EQ(Peek(m).cached(), 65535u);
    EXPECT_EQ(m.get_weight(), 9u);
}

TEST(BitsAccess, LocationsPastTheLengthEndWithStatusOne) {
    const std::string set_msg = "ERROR in Bits::set_bit : Invalid Location\n";
    expect_exit([] { Bits(16).get_bit(16); }, "ERROR in Bits::get_bit : Invalid Location\n", 1);
    expect_exit([] { Bits(16).set_bit(16); }, set_msg, 1);
    expect_exit([] { Bits(20).clr_bit(20); }, set_msg, 1);
    expect_exit([] { Bits(40).set_bit(0xffffffffu, 1); }, set_msg, 1);
    expect_exit([] { Bits(16).comp_bit(16); }, "ERROR in Bits::comp_bit : Invalid Location\n", 1);
    expect_exit([] { Bits(16).print_bit(16); }, "ERROR in Bits::print_bit : Invalid Location\n", 1);
    ChildResult r = run_in_child([] { word16(0xaaaa).print_bit(1); word16(0xaaaa).print_bit(0); });
    EXPECT_EQ(r.out, "1 0 ");
}

TEST(BitsWeight, CountsOnceAndOnlyBitsBelowTheLength) {
    Peek p(word16(0xaaaa));
    EXPECT_EQ(p.cached(), 65535u);
    EXPECT_EQ(p.get_weight(), 8u);
    p.flip_raw(0);
    EXPECT_EQ(p.get_weight(), 8u);
    unsigned short ones[3] = {0xffff, 0xffff, 0xffff};
    EXPECT_EQ(Bits(ones, 4).get_weight(), 4u);
    EXPECT_EQ(Bits(ones, 20).get_weight(), 20u);
    EXPECT_EQ(Bits(ones, 35).get_weight(), 35u);
}

TEST(BitsWeight, CountEqualToTheMarkerIsRecounted) {
    Bits b(std::string(65536, '1').c_str());
    b.clr_bit(100);
    Peek p(b);
    EXPECT_EQ(p.get_weight(), 65535u);
    p.flip_raw(100);
    EXPECT_EQ(p.get_weight(), 65536u);
}

TEST(BitsOperators, LogicUsesTheShorterLength) {
    unsigned short w[5] = {0xaaaa, 0x1234, 0xffff, 0x0f0f, 0x0000};
    Bits a(w, 16), b(w + 1, 32), c(w, 64), e(w + 2, 48);
    EXPECT_EQ((a & b).get_len(), 16u);
    EXPECT_EQ((a & b).word(0), 0x0220);
    EXPECT_EQ((b | a).word(0), 0xbabe);
    Bits x = c ^ e;
    EXPECT_EQ(x.get_len(), 48u);
    EXPECT_EQ(x.word(0), 0x5555);
    EXPECT_EQ(x.word(1), 0x1234 ^ 0x0f0f);
    EXPECT_EQ(x.word(2), 0xffff);
    EXPECT_EQ(Peek(x).cached(), 65535u);
    unsigned short row[1] = {0xffff};
    EXPECT_EQ((a ^ row).word(0), 0x5555);
    EXPECT_EQ((row ^ a).get_weight(), 8u);
    EXPECT_EQ(d(a, word16(0xaaab)), 1u);
    EXPECT_EQ(d(row, a), 8u);
}

TEST(BitsOperators, ConcatenationPlacesBitsAcrossWords) {
    EXPECT_EQ(text_of(Bits("0110") + Bits("101")), "0110101 ");
    std::string s1 = "10110011100011110000101", s2 = "0111000000001111111110001010101011";
    Bits j = Bits(s1.c_str()) + Bits(s2.c_str());
    EXPECT_EQ(text_of(j), s1 + s2 + " ");
    EXPECT_EQ(j.get_weight(), Bits((s1 + s2).c_str()).get_weight());
    expect_exit([] { Bits(65536) + Bits(1); }, "ERROR in Bits::Bits(unsigned) : Invalid Length\n", 1);
}

TEST(BitsOperators, EqualityComparesEveryBitBelowTheLength) {
    unsigned short w[3] = {0x1234, 0x5678, 0x9abc}, v[3] = {0x1234, 0x5678, 0x9abd};
    EXPECT_EQ(Bits(w, 48) == Bits(w, 48), -1);
    EXPECT_EQ(Bits(w, 48) == Bits(v, 48), 0);
    EXPECT_EQ(Bits(w, 32) == Bits(v, 32), -1);
    EXPECT_EQ(Bits(w, 32) == Bits(w, 48), 0);
    unsigned short hi = 0xf00d, lo = 0x000d;
    EXPECT_EQ(Bits(&hi, 4) == Bits(&lo, 4), -1);
}

TEST(BitsOperators, InvertComplementsBitsBelowTheLength) {
    Bits a = word16(0xaaaa);
    a.get_weight();
    Bits i = a.invert();
    EXPECT_EQ(i.word(0), 0x5555);
    EXPECT_EQ(Peek(i).cached(), 8u);
    Bits b("10110011100011110000");
    Bits j = b.invert();
    EXPECT_EQ(j.get_weight(), 10u);
    EXPECT_EQ(text_of(j), "01001100011100001111 ");
}

TEST(BitsAssignment, StorageFollowsTheSourceWordCount) {
    unsigned short w[4] = {1, 2, 3, 4};
    Bits small(16), big(w, 64), mid(w, 48);
    small = big;
    EXPECT_EQ(small.get_words(), 4);
    EXPECT_EQ(small.word(3), 4);
    big = Bits(16);
    EXPECT_EQ(big.get_words(), 1);
    EXPECT_EQ(big.get_len(), 16u);
    mid = small;
    EXPECT_EQ(mid == small, -1);
    mid = mid;
    EXPECT_EQ(mid.word(3), 4);
    small = word16(7);
    EXPECT_EQ(small.get_weight(), 3u);
}

TEST(BitsText, WritesBitZeroFirstThenOneBlank) {
    EXPECT_EQ(text_of(word16(0xaaaa)), "0101010101010101 ");
}

TEST(BitsReader, ShortRunShortensTheVector) {
    std::istringstream in(" \n\t0110 1");
    Bits b(16);
    in >> b;
    EXPECT_EQ(b.get_len(), 4u);
    EXPECT_EQ(b.get_words(), 1);
    EXPECT_EQ(Peek(b).cached(), 2u);
    EXPECT_EQ(in.get(), '1');
    std::istringstream full(std::string(40, '1') + "x");
    Bits h(48);
    full >> h;
    EXPECT_EQ(h.get_len(), 40u);
    EXPECT_EQ(h.get_weight(), 40u);
    EXPECT_EQ(full.get(), EOF);
}

TEST(BitsReader, FaultsEndWithStatusOne) {
    auto read16 = [](const char* s) { return [s] { std::istringstream in(s); Bits b(16); in >> b; }; };
    const std::string eof_msg = "ERROR in ANF::>> : read past eof\n";
    expect_exit(read16(""), eof_msg, 1);
    expect_exit(read16(" \n "), eof_msg, 1);
    expect_exit(read16("x01"), "ERROR in Bits::>> : invalid input character (0x78)\n", 1);
    expect_exit(read16("\xff"), "ERROR in Bits::>> : invalid input character (0xff)\n", 1);
    expect_exit(read16("01010101010101011"), "ERROR in Bits::>> : Input too long - max 16\n", 1);
    expect_exit([] { std::istringstream in("0110 01100"); Bits b(16); in >> b >> b; },
                "ERROR in Bits::>> : Input too long - max 4\n", 1);
}

TEST(BitsReader, SkipWhiteReportsTheEnd) {
    std::istringstream blank(" \r\n\t"), more("  a");
    EXPECT_TRUE(skipwt_eof(blank));
    EXPECT_FALSE(skipwt_eof(more));
    EXPECT_EQ(more.get(), 'a');
}

TEST(BitsFunctions, NonlinearityOverShortAndLongTables) {
    EXPECT_EQ(word16(0x6996).N(), 0u);
    EXPECT_EQ(word16(0x7888).N(), 6u);
    EXPECT_EQ(word16(0x8000).N(), 1u);
    EXPECT_EQ(word16(0x8000).LR(0), 1u);
    EXPECT_EQ(word16(0xaaaa).LR(0), 8u);
    EXPECT_EQ(word16(0xaaaa).LR(1), 0u);
    Bits f(512);
    for (unsigned x = 0; x < 512; x++) f.set_bit(x, __builtin_popcount(x & 0x103) & 1);
    for (unsigned x : {5u, 300u, 511u}) f.comp_bit(x);
    EXPECT_EQ(f.N(), 3u);
    EXPECT_EQ(f.LR(3), 3u);
    EXPECT_GE(f.LR(2), 253u);
}

TEST(BitsFunctions, TransformAndTransmuteMoveInputs) {
    const unsigned identity[4] = {1, 2, 4, 8}, swap01[4] = {2, 1, 4, 8};
    Bits x0 = word16(0xaaaa);
    EXPECT_EQ(x0.transform(identity, 0) == x0, -1);
    EXPECT_EQ(x0.transform(swap01, 0).word(0), 0xcccc);
    EXPECT_EQ(x0.transform(identity, 1).word(0), 0x5555);
    EXPECT_EQ(word16(0x0001).transmute(3).word(0), 0x0008);
    expect_exit([] { Bits(12).transform(nullptr, 0); }, "ERROR in Bits::transform: length  not a power of 2\n", 0);
    expect_exit([] { Bits(512).transform(nullptr, 0); }, "ERROR in Bits::transform: to big to transform\n", 1);
    expect_exit([=] { word16(1).transform(identity, 16); }, "ERROR in Bits::set_bit : Invalid Location\n", 1);
    expect_exit([] { word16(1).transmute(16); }, "ERROR in Bits::set_bit : Invalid Location\n", 1);
}

}  // namespace
