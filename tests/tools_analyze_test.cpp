// sbtool analyze: the properties of known S-boxes, non-bijective ones included, and the
// published figures of the bundled ciphers.
#include <gtest/gtest.h>

#include "child_process.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

TEST(Analyze, PresentSbox) {
    const tool_result r = sbtool({"analyze", "c56b90ad3ef84712"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              "sbox          12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2\n"
              "hex           c56b90ad3ef84712\n"
              "bijection     yes\n"
              "inverse       5  14  15  8  12  1  2  13  11  4  6  3  0  7  9  10\n"
              "inverse hex   5ef8c12db463079a\n"
              "involution    no\n"
              "uniformity    4\n"
              "linearity     4\n"
              "nonlinearity  4\n"
              "diff branch   3\n"
              "lin branch    2\n"
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
    ASSERT_EQ(lines.size(), 19u);
    EXPECT_EQ(lines[2], "bijection     no");
    EXPECT_EQ(lines[3], "inverse       none");
    EXPECT_EQ(lines[4], "inverse hex   none");
    // A non-zero difference a changes the output only at x = 15 and x = 15 XOR a; output bits
    // 1 to 3 are the constant 0, an affine function, so the linearity is the largest there is.
    EXPECT_EQ(lines[6], "uniformity    14");
    EXPECT_EQ(lines[7], "linearity     8");
    EXPECT_EQ(lines[8], "nonlinearity  0");
    EXPECT_EQ(lines[14], "fixed points  0");
    EXPECT_EQ(lines[15], "bit 0         degree 4  anf 0000000000000001  x0x1x2x3");
    EXPECT_EQ(lines[16], "bit 1         degree 0  anf 0000000000000000  0");
    // A constant output bit 1 is the monomial "1" of degree 0.
    const std::vector<std::string> constant = lines_of(sbtool({"analyze", "ffffffffffffffff"}).out);
    ASSERT_EQ(constant.size(), 19u);
    EXPECT_EQ(constant[15], "bit 0         degree 0  anf 1000000000000000  1");
}

TEST(Analyze, SeveralSboxesAndFiles) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/two.txt", "0123456789abcdef  # identity\nfedcba9876543210\n");
    const tool_result r = sbtool({"analyze", "@" + dir + "/two.txt", "1,0,2,3,4,5,6,7,8,9,10,11,12,13,14,15"});
    EXPECT_EQ(r.status, 0);
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3 * 19 + 2u);
    EXPECT_EQ(lines[19], "");
    EXPECT_EQ(lines[14], "fixed points  0  1  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    EXPECT_EQ(lines[15], "bit 0         degree 1  anf 0100000000000000  x0");
    EXPECT_EQ(lines[20 + 15], "bit 0         degree 1  anf 1100000000000000  1 + x0") << "NOT x0";
    EXPECT_EQ(lines[40 + 14], "fixed points  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    EXPECT_EQ(lines[40 + 3], "inverse       1  0  2  3  4  5  6  7  8  9  10  11  12  13  14  15");
    // A value out of range is refused, naming the argument.
    const tool_result bad = sbtool({"analyze", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 99"});
    EXPECT_EQ(bad.status, 1);
    EXPECT_EQ(bad.err, "sbtool analyze: argument \"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 99\": value 99 is out of range 0..15\n");
}


// The figures the ciphers' designers publish for their S-boxes. Every bundled S-box but GIFT's
// is optimal (uniformity 4, linearity 4); GIFT's trades a differential uniformity of 6 and a
// differential branch number of 2 for a cheaper circuit. Branch numbers are checked where
// the publication gives them (-1: not checked).
TEST(Analyze, BundledCiphersHaveTheirPublishedFigures) {
    const struct {
        const char* name;
        const char* sbox;
        int uniformity, linearity;
        bool involution;
        int differential_branch, linear_branch;
    } ciphers[] = {
        {"PRESENT", "c56b90ad3ef84712", 4, 4, false, 3, 2},
        {"GIFT", "1a4c6f392db7508e", 6, 4, false, 2, 2},
        {"PRINCE", "bf32ac916780e5d4", 4, 4, false, -1, -1},
        {"Midori Sb0", "cad3ebf789150246", 4, 4, true, -1, -1},
        {"Midori Sb1", "1053e2f7da9bc846", 4, 4, true, -1, -1},
        {"SKINNY-64", "c6901a2b385d4e7f", 4, 4, false, -1, -1},
        {"RECTANGLE", "65ca1e79b03d8f42", 4, 4, false, -1, -1},
        {"Piccolo", "e4b238091a7f6c5d", 4, 4, false, -1, -1},
        {"KLEIN", "74a91fb0c3268ed5", 4, 4, true, -1, -1},
        {"Noekeon", "7a2c48f0591e3db6", 4, 4, true, -1, -1},
        {"TWINE", "c0fa2b9583d71e64", 4, 4, false, -1, -1},
    };
    const tool_result r = sbtool({"analyze", "--json", "--tables", "@" + std::string(TEST_DATA_DIR) + "/cipher-sboxes.txt"});
    ASSERT_EQ(r.status, 0) << r.err;
    json_value doc;
    std::string error;
    ASSERT_TRUE(parse_json(r.out, doc, &error)) << error;
    const json_value& sboxes = doc["sboxes"];
    ASSERT_EQ(sboxes.items.size(), std::size(ciphers));
    for (size_t k = 0; k < std::size(ciphers); ++k) {
        const auto& c = ciphers[k];
        const json_value& s = sboxes[k];
        EXPECT_EQ(s["name"].text, c.name);
        EXPECT_EQ(s["sbox"].text, c.sbox);
        EXPECT_EQ(s["differential_uniformity"].integer(), c.uniformity) << c.name;
        EXPECT_EQ(s["linearity"].integer(), c.linearity) << c.name;
        EXPECT_EQ(s["nonlinearity"].integer(), 8 - c.linearity) << c.name;
        EXPECT_EQ(s["involution"].truth, c.involution) << c.name;
        EXPECT_EQ(s["involution"].truth, s["inverse"].text == s["sbox"].text) << c.name;
        if (c.differential_branch >= 0) {
            EXPECT_EQ(s["differential_branch_number"].integer(), c.differential_branch) << c.name;
            EXPECT_EQ(s["linear_branch_number"].integer(), c.linear_branch) << c.name;
        }
        // Every difference reaches some output difference on all 16 inputs; for a bijection
        // the masks (0, b) and (a, 0) hold on exactly half of the inputs.
        const json_value& ddt = s["difference_table"];
        const json_value& lat = s["linear_table"];
        ASSERT_EQ(ddt.items.size(), 16u);
        ASSERT_EQ(lat.items.size(), 16u);
        for (int a = 0; a < 16; ++a) {
            long row = 0;
            for (int b = 0; b < 16; ++b) row += ddt[a][b].integer();
            EXPECT_EQ(row, 16) << c.name << " difference " << a;
            EXPECT_EQ(lat[a][0].integer(), a ? 0 : 8) << c.name;
            EXPECT_EQ(lat[0][a].integer(), a ? 0 : 8) << c.name;
        }
    }
}

TEST(Analyze, TablesInTextMatchTheJsonOnes) {
    const tool_result text = sbtool({"analyze", "--tables", "c56b90ad3ef84712"});
    const tool_result json = sbtool({"analyze", "--tables", "--json", "c56b90ad3ef84712"});
    json_value doc;
    ASSERT_TRUE(parse_json(json.out, doc));
    const std::vector<std::string> lines = lines_of(text.out);
    ASSERT_EQ(lines.size(), 19u + 2 * 18);
    EXPECT_EQ(lines[19], "difference table (row: input difference a, column: output difference b)");
    EXPECT_EQ(lines[20].substr(0, 15), "      0   1   2");
    EXPECT_EQ(lines[37], "linear table (row: input mask a, column: output mask b, entry: count - 8)");
    for (int a = 0; a < 16; ++a) {
        std::string ddt_row, lat_row;
        for (int b = 0; b < 16; ++b) {
            const std::string d = std::to_string(doc["sboxes"][0]["difference_table"][a][b].integer());
            const std::string l = std::to_string(doc["sboxes"][0]["linear_table"][a][b].integer());
            ddt_row += std::string(4 - d.size(), ' ') + d;
            lat_row += std::string(4 - l.size(), ' ') + l;
        }
        EXPECT_EQ(lines[21 + a].substr(3), ddt_row) << a;
        EXPECT_EQ(lines[39 + a].substr(3), lat_row) << a;
    }
}

}  // namespace
