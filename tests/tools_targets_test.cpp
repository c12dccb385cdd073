// sbtool targets: the bundled lists byte for byte, the variant order, one record per
// coordinate set, and the loader's capacities.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "child_process.h"
#include "tools/targets.h"
#include "tools_support.h"

namespace {

const std::string data_dir = TEST_DATA_DIR;
const std::string present = "c56b90ad3ef84712";

std::vector<std::array<int, 16>> parsed_list(const std::string& text) {
    std::vector<std::array<int, 16>> list;
    for (const std::string& line : lines_of(text)) list.push_back(parse_sbox_text(line, "list", true));
    return list;
}

std::array<unsigned, 4> coordinate_set(const std::array<int, 16>& v) {
    std::array<unsigned, 4> w{};
    for (int x = 0; x < 16; ++x)
        for (int j = 0; j < 4; ++j) w[j] |= ((v[x] >> j) & 1u) << x;
    std::sort(w.begin(), w.end());
    return w;
}

// The commands the help text gives for the bundled lists, run from the repository root.
TEST(BundledLists, AreRegeneratedByteForByte) {
    const std::string root = data_dir + "/..";
    const tool_result ciphers = sbtool_program({"targets", "--inverse", "--perms", "@data/cipher-sboxes.txt"}, root);
    EXPECT_EQ(ciphers.status, 0);
    EXPECT_EQ(ciphers.out, read_file(data_dir + "/ciphers.txt"));
    EXPECT_EQ(ciphers.err, "sbtool targets: 432 records, 1206 components, 1704 triples\n");
    const tool_result one = sbtool_program({"targets", "--inverse", "--perms", present}, root);
    EXPECT_EQ(one.status, 0);
    EXPECT_EQ(one.out, read_file(data_dir + "/present.txt"));
    const std::string help = sbtool_program({"targets", "--help"}).out;
    EXPECT_NE(help.find("sbtool targets --inverse --perms @data/cipher-sboxes.txt > data/ciphers.txt"),
              std::string::npos);
}

TEST(TargetVariants, FollowTheDocumentedOrder) {
    const std::array<int, 16> s = parse_sbox_text(present, "s", true);
    // Without options: the S-box itself, in the text form the loader reads.
    EXPECT_EQ(sbtool({"targets", present}).out, "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2\n");

    // --in-xor: line c is x -> S(x XOR c).
    const auto in_xor = parsed_list(sbtool({"targets", "--in-xor", present}).out);
    ASSERT_EQ(in_xor.size(), 16u);
    for (int c = 0; c < 16; ++c)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(in_xor[c][x], s[x ^ c]) << c;

    // --out-xor: line e is x -> S(x) XOR e.
    const auto out_xor = parsed_list(sbtool({"targets", "--out-xor", present}).out);
    ASSERT_EQ(out_xor.size(), 16u);
    for (int e = 0; e < 16; ++e)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(out_xor[e][x], s[x] ^ e) << e;

    // Nested order: output constants vary fastest, then input constants; the inverse comes
    // after every variant of S.
    const auto both = parsed_list(sbtool({"targets", "--inverse", "--in-xor", "--out-xor", present}).out);
    ASSERT_EQ(both.size(), 512u);
    for (int x = 0; x < 16; ++x) {
        EXPECT_EQ(both[1 * 16 + 3][x], s[x ^ 1] ^ 3);
        EXPECT_EQ(s[both[256][x]], x) << "the inverse starts the second half";
    }
}

TEST(TargetVariants, PermutationsAreNumberedAsTheSearchNumbersThem) {
    // Permutation 2 swaps input bits 0 and 2: T(x) = S(x with bits 0 and 2 exchanged).
    const std::array<int, 16> s = parse_sbox_text(present, "s", true);
    const auto perms = parsed_list(sbtool({"targets", "--perms", present}).out);
    ASSERT_EQ(perms.size(), 24u);
    for (int x = 0; x < 16; ++x) {
        const int swapped = (x & 0b1010) | ((x & 1) << 2) | ((x >> 2) & 1);
        EXPECT_EQ(perms[2][x], s[swapped]) << x;
    }
}

TEST(TargetVariants, OneRecordPerCoordinateSet) {
    // The identity is its own inverse and every input permutation of it only reorders its
    // coordinates: one record.
    const tool_result identity = sbtool({"targets", "--inverse", "--perms", "0123456789abcdef"});
    EXPECT_EQ(identity.out, "0  1  2  3  4  5  6  7  8  9  10  11  12  13  14  15\n");
    EXPECT_EQ(identity.err, "sbtool targets: 1 records, 4 components, 4 triples\n");
    // S with its output bits 0 and 1 exchanged has the coordinate set of S: the first written wins.
    const std::array<int, 16> s = parse_sbox_text(present, "s", true);
    std::string t;
    for (int x = 0; x < 16; ++x) {
        const int v = s[x];
        t += (x ? "," : "") + std::to_string((v & 0b1100) | ((v & 1) << 1) | ((v >> 1) & 1));
    }
    const tool_result pair = sbtool({"targets", present, t});
    EXPECT_EQ(pair.out, "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2\n");
    // Every line of the cipher list is a distinct coordinate set.
    std::set<std::array<unsigned, 4>> sets;
    for (const auto& v : parsed_list(read_file(data_dir + "/ciphers.txt"))) sets.insert(coordinate_set(v));
    EXPECT_EQ(sets.size(), 432u);
}

TEST(LoaderCapacities, BoundariesAreExact) {
    list_counts at;
    at.records = 36900;
    at.components = 2680;
    at.triples = 250000;
    at.runs = 2770;
    EXPECT_EQ(capacity_faults(at), "");
    list_counts over = at;
    over.records += 1;
    EXPECT_EQ(capacity_faults(over), "too many records: 36901 (capacity 36900, 1 over)");
    over = at;
    over.components = 2712;
    EXPECT_EQ(capacity_faults(over), "too many components: 2712 (capacity 2680, 32 over)");
    over = at;
    over.triples += 5;
    EXPECT_EQ(capacity_faults(over), "too many triples: 250005 (capacity 250000, 5 over)");
    over = at;
    over.runs += 2;
    EXPECT_EQ(capacity_faults(over), "too many runs of rows sharing their smallest word: 2772 (capacity 2770, 2 over)");
    over.records += 3;
    EXPECT_EQ(capacity_faults(over),
              "too many records: 36903 (capacity 36900, 3 over); "
              "too many runs of rows sharing their smallest word: 2772 (capacity 2770, 2 over)");
}

TEST(LoaderCapacities, CountsOfAList) {
    // The identity's set {aaaa, cccc, f0f0, ff00} and x -> x XOR 1 with {5555, cccc, f0f0, ff00}:
    // 5 components, 7 triples (one shared), 2 smallest words.
    const std::vector<sourced_sbox> two = expand_sbox_args({"0123456789abcdef", "1032547698badcfe"}, true);
    const list_counts counts = count_list(target_variants(two, variant_options{}));
    EXPECT_EQ(counts.records, 2u);
    EXPECT_EQ(counts.components, 5u);
    EXPECT_EQ(counts.triples, 7u);
    EXPECT_EQ(counts.runs, 2u);
}

TEST(LoaderCapacities, AListTheSearchWouldRejectIsRefused) {
    const tool_result r = sbtool({"targets", "--perms", "--in-xor", "--out-xor", present, "1a4c6f392db7508e",
                                  "bf32ac916780e5d4"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "sbtool targets: the search cannot load this list: too many components: 3216 (capacity 2680, 536 over)\n");
    // And what it accepts, the real loader loads.
    const std::string dir = make_temp_dir();
    write_file(dir + "/list.txt", sbtool({"targets", "--perms", "--in-xor", "--out-xor", present}).out);
    // The list is loaded before the output file is read, so the only complaint is the empty output.
    const tool_result loaded = sbtool({"check", "--targets", dir + "/list.txt", "/dev/null"});
    EXPECT_EQ(loaded.err, "sbtool check: /dev/null: no record: the file is empty\n");
}

TEST(TargetVariants, EmptyFileIsRefused) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/empty.txt", "# nothing here\n\n");
    const tool_result r = sbtool({"targets", "@" + dir + "/empty.txt"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "sbtool targets: no S-boxes given (the files hold none)\n");
}

}  // namespace
