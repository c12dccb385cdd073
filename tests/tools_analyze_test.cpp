// sbtool analyze: the properties of known S-boxes, non-bijective ones included.
#include <gtest/gtest.h>

#include "child_process.h"
#include "tools_support.h"

namespace {

TEST(Analyze, PresentSbox) {
    const tool_result r = sbtool({"analyze", "c56b90ad3ef84712"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "sbox          12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2\n"
              "bijection     yes\n"
              "inverse       5  14  15  8  12  1  2  13  11  4  6  3  0  7  9  10\n"
              "max_xor       4\n"
              "max_lat       12\n"
              "single        0\n"
              "fixed points  none\n"
              "bit 0         degree 2  anf 0100101010000000  x0 + x2 + x1x2 + x3\n"
              "bit 1         degree 3  anf 0010000110111100  x1 + x0x1x2 + x3 + x1x3 + x0x1x3 + x2x3 + x0x2x3\n"
              "bit 2         degree 3  anf 1001100011110100  1 + x0x1 + x2 + x3 + x0x3 + x1x3 + x0x1x3 + x0x2x3\n"
              "bit 3         degree 3  anf 1110001110010100  1 + x0 + x1 + x1x2 + x0x1x2 + x3 + x0x1x3 + x0x2x3\n");
}

TEST(Analyze, NonBijectiveSboxesAreAnalysedToo) {
    // Output bit 0 is x0x1x2x3: degree 4, the one degree a bijection never has.
    const tool_result r = sbtool({"analyze", "0000000000000001"});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 11u);
    EXPECT_EQ(lines[1], "bijection     no");
    EXPECT_EQ(lines[2], "inverse       none");
    EXPECT_EQ(lines[6], "fixed points  0");
    EXPECT_EQ(lines[7], "bit 0         degree 4  anf 0000000000000001  x0x1x2x3");
    EXPECT_EQ(lines[8], "bit 1         degree 0  anf 0000000000000000  0");
    // A constant output bit 1 is the monomial "1" of degree 0.
    const std::vector<std::string> constant = lines_of(sbtool({"analyze", "ffffffffffffffff"}).out);
    ASSERT_EQ(constant.size(), 11u);
    EXPECT_EQ(constant[7], "bit 0         degree 0  anf 1000000000000000  1");
}

TEST(Analyze, SeveralSboxesAndFiles) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/two.txt", "0123456789abcdef  # identity\nfedcba9876543210\n");
    const tool_result r = sbtool({"analyze", "@" + dir + "/two.txt", "1,0,2,3,4,5,6,7,8,9,10,11,12,13,14,15"});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3 * 11 + 2u);
    EXPECT_EQ(lines[11], "");
    EXPECT_EQ(lines[6], "fixed points  0  1  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    EXPECT_EQ(lines[7], "bit 0         degree 1  anf 0100000000000000  x0");
    EXPECT_EQ(lines[12 + 7], "bit 0         degree 1  anf 1100000000000000  1 + x0") << "NOT x0";
    EXPECT_EQ(lines[24 + 6], "fixed points  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    EXPECT_EQ(lines[24 + 2], "inverse       1  0  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    // A value out of range is refused, naming the argument.
    const tool_result bad = sbtool({"analyze", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 99"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "sbtool analyze: argument \"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 99\": value 99 is out of range 0..15\n");
}

}  // namespace
