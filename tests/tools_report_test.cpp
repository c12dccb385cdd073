// sbtool report on a committed one-pass search of the bundled cipher list: every cipher the
// pass reached is named with lengths that agree with sbtool best, a record for no named S-box
// is counted, and the JSON form says the same as the text.
#include <gtest/gtest.h>

#include <map>

#include "child_process.h"
#include "tools/relabel.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

const std::string pass_file = std::string(TEST_LIST_DIR) + "/ciphers-one-pass.prgs1b.txt";
const std::string cipher_list = "@" + std::string(TEST_DATA_DIR) + "/cipher-sboxes.txt";

tool_result report(const std::vector<std::string>& options, const std::vector<std::string>& files) {
    std::vector<std::string> args = {"report"};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), files.begin(), files.end());
    return sbtool(args);
}

// The relabelling found for an S-box is one that gives it, the first in lexicographic order
// when the S-box's symmetries let several fit; a constant added to the output is no relabelling.
TEST(Relabelling, FindsTheFirstThatFits) {
    const sbox_values present = parse_sbox_text("c56b90ad3ef84712", "t", true);
    const sbox_values identity = parse_sbox_text("0123456789abcdef", "t", true);
    const relabelling hows[] = {{{0, 1, 2, 3}, {0, 1, 2, 3}}, {{1, 0, 2, 3}, {0, 1, 2, 3}},
                                {{0, 1, 2, 3}, {3, 2, 1, 0}}, {{2, 3, 0, 1}, {1, 3, 0, 2}}};
    for (const relabelling& how : hows) {
        const sbox_values target = relabelled(present, how);
        const std::optional<relabelling> found = find_relabelling(target, present);
        ASSERT_TRUE(found.has_value());
        EXPECT_EQ(relabelled(present, *found), target);
        // PRESENT has no symmetry under bit permutations: the one relabelling is found.
        EXPECT_EQ(found->reads, how.reads);
        EXPECT_EQ(found->from, how.from);
        // The identity fits every pair of equal permutations, and the first such pair is taken:
        // the inputs read in ascending order, the outputs then permuted as the target demands.
        const std::optional<relabelling> plain = find_relabelling(relabelled(identity, how), identity);
        ASSERT_TRUE(plain.has_value());
        EXPECT_EQ(plain->reads, (std::array<int, 4>{0, 1, 2, 3}));
        EXPECT_EQ(relabelled(identity, *plain), relabelled(identity, how));
    }
    sbox_values flipped = present;
    for (int& v : flipped) v ^= 1;
    EXPECT_FALSE(find_relabelling(flipped, present).has_value());
    EXPECT_EQ(wiring_text(hows[3], {4, 1, 0, 2}), "r0=in[2] r1=in[3] r2=in[0] r3=in[1]  out[0]=r1 out[1]=r2 out[2]=r4 out[3]=r0");
}

TEST(Report, BundledCiphersAfterOnePass) {
    const tool_result r = report({"--sboxes", cipher_list}, {pass_file});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "name        sbox              length  record  inverse length  inverse record  sum\n"
              "PRESENT     c56b90ad3ef84712  -       -       -               -               -\n"
              "GIFT        1a4c6f392db7508e  16      12      -               -               -\n"
              "PRINCE      bf32ac916780e5d4  -       -       -               -               -\n"
              "Midori Sb0  cad3ebf789150246  -       -       -               -               -\n"
              "Midori Sb1  1053e2f7da9bc846  -       -       -               -               -\n"
              "SKINNY-64   c6901a2b385d4e7f  15      5       15              7               30\n"
              "RECTANGLE   65ca1e79b03d8f42  16      10      16              6               32\n"
              "Piccolo     e4b238091a7f6c5d  15      3       15              11              30\n"
              "KLEIN       74a91fb0c3268ed5  -       -       -               -               -\n"
              "Noekeon     7a2c48f0591e3db6  16      8       16              8               32\n"
              "TWINE       c0fa2b9583d71e64  -       -       -               -               -\n"
              "\n"
              "GIFT: record 12: r0=in[2] r1=in[0] r2=in[1] r3=in[3]  out[0]=r0 out[1]=r4 out[2]=r2 out[3]=r1\n"
              "SKINNY-64: record 5: r0=in[1] r1=in[2] r2=in[3] r3=in[0]  out[0]=r3 out[1]=r1 out[2]=r0 out[3]=r2\n"
              "SKINNY-64 inverse: record 7: r0=in[2] r1=in[3] r2=in[0] r3=in[1]  out[0]=r1 out[1]=r0 out[2]=r2 out[3]=r3\n"
              "RECTANGLE: record 10: r0=in[0] r1=in[1] r2=in[3] r3=in[2]  out[0]=r0 out[1]=r3 out[2]=r2 out[3]=r1\n"
              "RECTANGLE inverse: record 6: r0=in[2] r1=in[0] r2=in[3] r3=in[1]  out[0]=r0 out[1]=r4 out[2]=r3 out[3]=r1\n"
              "Piccolo: record 3: r0=in[1] r1=in[2] r2=in[0] r3=in[3]  out[0]=r2 out[1]=r1 out[2]=r3 out[3]=r4\n"
              "Piccolo inverse: record 11: r0=in[2] r1=in[0] r2=in[3] r3=in[1]  out[0]=r2 out[1]=r1 out[2]=r0 out[3]=r3\n"
              "Noekeon: record 8: r0=in[3] r1=in[2] r2=in[1] r3=in[0]  out[0]=r3 out[1]=r0 out[2]=r1 out[3]=r2\n"
              "Noekeon inverse: record 8: r0=in[3] r1=in[2] r2=in[1] r3=in[0]  out[0]=r3 out[1]=r0 out[2]=r1 out[3]=r2\n"
              "\n"
              "records that compute no named S-box: 0\n");
}

// The record report names for an S-box is the one best lists for that record's exact values,
// with the same length, and best's total with the inverse is report's sum.
TEST(Report, LengthsAgreeWithBest) {
    const tool_result b = sbtool({"best", pass_file});
    ASSERT_EQ(b.status, 0) << b.err;
    std::map<std::string, std::string> best_line;  // by record number
    for (const std::string& line : lines_of(b.out)) {
        const std::string after = line.substr(line.find("  found ") + 8);
        best_line[after.substr(0, after.find("  "))] = line;
    }
    json_value doc;
    ASSERT_TRUE(parse_json(report({"--json", "--sboxes", cipher_list}, {pass_file}).out, doc));
    int reached = 0;
    for (const json_value& s : doc["sboxes"].items)
        for (const char* which : {"shortest", "inverse_shortest"}) {
            const json_value& found = s[which];
            if (found.kind == json_value::null_value) continue;
            ++reached;
            const std::string number = std::to_string(found["record"].integer());
            const std::string length = std::to_string(found["length"].integer());
            const std::string line = best_line[number];
            ASSERT_FALSE(line.empty()) << s["name"].text << " " << which << ": best lists no record " << number;
            EXPECT_NE(line.find("  r " + length + "  found "), std::string::npos) << s["name"].text << "\n" << line;
            if (s["sum"].kind == json_value::number) {
                EXPECT_EQ(std::stol(line.substr(line.find("  t ") + 4)), s["sum"].integer()) << line;
            }
        }
    EXPECT_EQ(reached, 9);
}

TEST(Report, RecordsForNoNamedSboxAreCountedAndJsonSaysTheSame) {
    const std::string piccolo = "e4b238091a7f6c5d";
    const tool_result text = report({"--sboxes", piccolo}, {pass_file});
    const std::vector<std::string> lines = lines_of(text.out);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[1], piccolo + "  " + piccolo + "  15      3       15              11              30");
    EXPECT_EQ(lines.back(), "records that compute no named S-box: 8 (1 4 5 6 7 8 10 12)");
    json_value doc;
    std::string error;
    ASSERT_TRUE(parse_json(report({"--sboxes", piccolo, "--json"}, {pass_file}).out, doc, &error)) << error;
    const json_value& s = doc["sboxes"][0];
    EXPECT_EQ(s["name"].text, piccolo);
    EXPECT_EQ(s["inverse"].text, "68341eca5792df0b");
    EXPECT_EQ(s["shortest"]["record"].integer(), 3);
    EXPECT_EQ(s["shortest"]["length"].integer(), 15);
    EXPECT_EQ(s["shortest"]["file"].text, pass_file);
    EXPECT_EQ(s["shortest"]["program"].items.size(), 15u);
    EXPECT_EQ(s["shortest"]["program"][0].text, "xor 0,1");
    EXPECT_EQ(lines[3], piccolo + ": record 3: " + s["shortest"]["wiring"]["text"].text);
    const int reads[] = {1, 2, 0, 3}, writers[] = {2, 1, 3, 4};
    for (int k = 0; k < 4; ++k) {
        EXPECT_EQ(s["shortest"]["wiring"]["inputs"][k].integer(), reads[k]);
        EXPECT_EQ(s["shortest"]["wiring"]["outputs"][k].integer(), writers[k]);
    }
    EXPECT_EQ(s["sum"].integer(), 30);
    ASSERT_EQ(doc["unmatched"].items.size(), 8u);
    EXPECT_EQ(doc["unmatched"][0]["record"].integer(), 1);
    EXPECT_EQ(doc["unmatched"][7]["record"].integer(), 12);
}

TEST(Report, SeveralFilesNameTheirRecords) {
    const std::string dir = make_temp_dir();
    const std::string text = read_file(pass_file);
    // The second file holds the same search cut after record 2: its Piccolo program is longer.
    write_file(dir + "/early.txt", text.substr(0, text.find("found 3 ")));
    const tool_result r = sbtool_program({"report", "--sboxes", "e4b238091a7f6c5d", "early.txt", pass_file}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_NE(lines[1].find("  15      " + pass_file + ":3  "), std::string::npos) << lines[1];
    // Of two programs of the same length, the earlier file's.
    write_file(dir + "/copy.txt", read_file(dir + "/early.txt"));
    const tool_result same = sbtool_program({"report", "--sboxes", "e4b238091a7f6c5d", "early.txt", "copy.txt"}, dir);
    ASSERT_GE(lines_of(same.out).size(), 2u) << same.err;
    EXPECT_NE(lines_of(same.out)[1].find("  16      early.txt:2  "), std::string::npos) << same.out;
}

TEST(Report, RefusedRequests) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/none.txt", "# no S-box here\n");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"report", pass_file}, 2, "sbtool report: missing option --sboxes\n"},
        {{"report", "--sboxes", "c56b90ad3ef84711", pass_file}, 1,
         "sbtool report: argument \"c56b90ad3ef84711\": not a bijection (value 1 occurs twice)\n"},
        {{"report", "--sboxes", "@" + dir + "/none.txt", pass_file}, 1,
         "sbtool report: no S-boxes given (the files hold none)\n"},
        {{"report", "--sboxes", "c56b90ad3ef84712", dir}, 1, "sbtool report: " + dir + ": is a directory\n"},
        {{"report", "--sboxes", "c56b90ad3ef84712", dir + "/none.txt"}, 1,
         "sbtool report: " + dir + "/none.txt: no record: no \"found\" line\n"},
    };
    for (const auto& c : cases) {
        const tool_result r = sbtool(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "");
    }
}

}  // namespace
