// sbtool best: the shortest program per S-box, the total with the inverse, the order, several
// files merged, and the JSON form.
#include <gtest/gtest.h>

#include <set>

#include "child_process.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

using values = std::array<int, 16>;

std::string values_text(const values& v) {
    std::string t;
    for (int x = 0; x < 16; ++x) t += (x ? "  " : "") + std::to_string(v[x]);
    return t;
}

values inverse_of(const values& v) {
    values inv{};
    for (int x = 0; x < 16; ++x) inv[v[x]] = x;
    return inv;
}

// A record of the search's layout whose program, `length` (at least 4) nop and movc lines,
// computes s; best reads only the report number, the length, the S-box and the program.
std::string record_text(int number, const values& s, int length) {
    std::string t = "found " + std::to_string(number) + " r " + std::to_string(length) + " o 1 n 0\n\n\n";
    for (int i = 0; i < 4; ++i) t += std::to_string(i) + "  1  0000000000000000   0000000000000000 \n";
    t += "s " + values_text(s) + "\ni " + values_text(inverse_of(s)) + "\n";
    for (int i = 4; i < length; ++i) t += "nop\n";
    for (int i = 0, table = 0; i < 4; ++i, table = 0) {
        for (int x = 0; x < 16; ++x) table |= ((s[x] >> i) & 1) << x;
        t += "movc " + std::to_string(i) + ",#" + std::to_string(table) + "\n";
    }
    return t;
}

const std::string header = "Parameters 1  4  3  20000  1  29  216750081\nPrograms  15  7  11  14\nStarting 0\n";
const values present = {12, 5, 6, 11, 9, 0, 10, 13, 3, 14, 15, 8, 4, 7, 1, 2};
const values gift = {1, 10, 4, 12, 6, 15, 3, 9, 2, 13, 11, 7, 5, 0, 8, 14};

tool_result best_of(const std::string& text) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/prgs1b.txt", text);
    return sbtool_program({"best"}, dir);
}

TEST(Best, ShortestProgramPerSboxSortedByValues) {
    const tool_result r = best_of(header + record_text(1, present, 12) + record_text(2, gift, 14) +
                                  record_text(3, present, 10) + "Starting 1\n" + record_text(4, present, 10) +
                                  record_text(5, gift, 15));
    EXPECT_EQ(r.status, 0) << r.err;
    // GIFT (starting with 1) sorts before PRESENT (starting with 12); of two programs of the
    // shortest length the earlier report is named.
    EXPECT_EQ(r.out, "s " + values_text(gift) + "  r 14  found 2  hex 1a4c6f392db7508e\n" + "s " + values_text(present) +
                         "  r 10  found 3  hex c56b90ad3ef84712\n");
}

TEST(Best, TotalWithTheInverseCountsRenamedRegisters) {
    const values inv = inverse_of(present);
    // The inverse with output bits 0 and 1 exchanged and input bits 0 and 1 exchanged: the
    // same registers renamed.
    values renamed{};
    for (int x = 0; x < 16; ++x) {
        const int px = (x & 12) | ((x & 1) << 1) | ((x >> 1) & 1);
        const int y = inv[px];
        renamed[x] = (y & 12) | ((y & 1) << 1) | ((y >> 1) & 1);
    }
    const tool_result exact = best_of(header + record_text(1, present, 12) + record_text(2, inv, 13));
    EXPECT_EQ(exact.out, "s " + values_text(inv) + "  r 13  found 2  t 25  hex 5ef8c12db463079a\n" + "s " + values_text(present) +
                             "  r 12  found 1  t 25  hex c56b90ad3ef84712\n");
    const tool_result r = best_of(header + record_text(1, present, 12) + record_text(2, renamed, 11) +
                                  record_text(3, gift, 9));
    const std::vector<std::string> lines = lines_of(r.out);
    ASSERT_EQ(lines.size(), 3u) << r.out;
    EXPECT_EQ(lines[0], "s " + values_text(gift) + "  r 9  found 3  hex 1a4c6f392db7508e") << "GIFT's inverse is not reached";
    EXPECT_EQ(lines[1], "s " + values_text(renamed) + "  r 11  found 2  t 23  hex 6fd8c12eb5430a79");
    EXPECT_EQ(lines[2], "s " + values_text(present) + "  r 12  found 1  t 23  hex c56b90ad3ef84712");
    // An involution is its own inverse.
    const values swap_halves = {8, 9, 10, 11, 12, 13, 14, 15, 0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(best_of(header + record_text(1, swap_halves, 4)).out,
              "s " + values_text(swap_halves) + "  r 4  found 1  t 8  hex 89abcdef01234567\n");
}

TEST(Best, CutShortLastRecordIsSkippedAndMalformedRecordsRefused) {
    const std::string whole = header + record_text(1, present, 12) + record_text(2, gift, 14);
    const tool_result cut = best_of(whole.substr(0, whole.size() - 6));
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.out, "s " + values_text(present) + "  r 12  found 1  hex c56b90ad3ef84712\n");
    EXPECT_EQ(cut.err, "sbtool best: prgs1b.txt: skipping the record at line 25, cut short by the end of the file\n");

    std::string bad = header + record_text(1, present, 12) + record_text(2, gift, 14);
    bad.replace(bad.find("r 12"), 4, "r 11");
    const tool_result refused = best_of(bad);
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.out, "");
    EXPECT_EQ(refused.err, "sbtool best: prgs1b.txt: line 4: r 11 but the program has 12 instructions\n");

    values twice = present;
    twice[0] = twice[1];
    const tool_result not_bijective = best_of(header + record_text(1, twice, 4));
    EXPECT_EQ(not_bijective.status, 1);
    EXPECT_EQ(not_bijective.err, "sbtool best: prgs1b.txt: line 11: not a bijective S-box\n");
    const tool_result wrong = best_of(whole.substr(0, whole.rfind("movc 3,#")) + "not 3\n");
    EXPECT_EQ(wrong.status, 1);
    EXPECT_EQ(wrong.out + wrong.err, "sbtool best: prgs1b.txt: record 2: the program does not compute the S-box it "
                                     "prints (sbtool check says more)\n");
}

TEST(Best, RealRunListsEachReachedSboxOnce) {
    std::string problem;
    const std::string output = real_search_output(&problem);
    ASSERT_FALSE(output.empty()) << problem;
    const tool_result r = best_of(output);
    EXPECT_EQ(r.status, 0) << r.err;
    std::set<std::string> printed;
    for (const std::string& line : lines_of(output))
        if (line.rfind("s ", 0) == 0) printed.insert(line);
    const std::vector<std::string> lines = lines_of(r.out);
    EXPECT_EQ(lines.size(), printed.size());
    for (const std::string& line : lines) EXPECT_TRUE(printed.count(line.substr(0, line.find("  r ")))) << line;
}


TEST(Best, SeveralFilesMergeAndNameTheirRecords) {
    const std::string dir = make_temp_dir();
    const values inv = inverse_of(present);
    write_file(dir + "/a.txt", header + record_text(1, present, 12) + record_text(2, gift, 14));
    write_file(dir + "/b.txt", header + record_text(1, gift, 14) + record_text(2, inv, 13) + record_text(3, present, 11));
    const tool_result r = sbtool_program({"best", "a.txt", "b.txt"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    // GIFT: the same length in both files, so the earlier file's record; PRESENT: the shorter
    // program of b.txt, with its inverse from b.txt as well.
    EXPECT_EQ(r.out, "s " + values_text(gift) + "  r 14  found a.txt:2  hex 1a4c6f392db7508e\n" + "s " + values_text(inv) +
                         "  r 13  found b.txt:2  t 24  hex 5ef8c12db463079a\n" + "s " + values_text(present) +
                         "  r 11  found b.txt:3  t 24  hex c56b90ad3ef84712\n");
    // One file keeps the plain report numbers.
    EXPECT_EQ(sbtool_program({"best", "b.txt"}, dir).out.find(":"), std::string::npos);
}

TEST(Best, JsonHoldsEveryLineWithItsProgram) {
    std::string problem;
    const std::string output = real_search_output(&problem);
    ASSERT_FALSE(output.empty()) << problem;
    const std::string dir = make_temp_dir();
    write_file(dir + "/prgs1b.txt", output);
    const std::vector<std::string> text = lines_of(sbtool_program({"best"}, dir).out);
    const tool_result r = sbtool_program({"best", "--json"}, dir);
    EXPECT_EQ(r.status, 0) << r.err;
    json_value doc;
    std::string error;
    ASSERT_TRUE(parse_json(r.out, doc, &error)) << error;
    const json_value& sboxes = doc["sboxes"];
    ASSERT_EQ(sboxes.items.size(), text.size());
    const std::vector<std::string> lines = lines_of(output);
    for (size_t k = 0; k < text.size(); ++k) {
        const json_value& s = sboxes[k];
        values v{};
        for (int x = 0; x < 16; ++x) v[x] = static_cast<int>(s["values"][x].integer());
        std::string expected = "s " + values_text(v) + "  r " + std::to_string(s["length"].integer()) + "  found " +
                               std::to_string(s["record"].integer());
        if (s["total"].kind == json_value::number) expected += "  t " + std::to_string(s["total"].integer());
        EXPECT_EQ(expected + "  hex " + s["sbox"].text, text[k]);
        EXPECT_EQ(s["file"].text, "prgs1b.txt");
        const std::string hex = "0123456789abcdef";
        for (int x = 0; x < 16; ++x) EXPECT_EQ(s["sbox"].text[x], hex[v[x]]);
        // The program: the lines after the record's nine head lines.
        size_t start = 0;
        while (lines[start].rfind("found " + std::to_string(s["record"].integer()) + " ", 0) != 0) ++start;
        ASSERT_EQ(s["program"].items.size(), static_cast<size_t>(s["length"].integer()));
        for (size_t i = 0; i < s["program"].items.size(); ++i) EXPECT_EQ(s["program"][i].text, lines[start + 9 + i]);
    }
}

}  // namespace
