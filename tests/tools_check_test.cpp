// sbtool check on the output of a real search: every record passes, every kind of alteration
// is caught at the line it touches, and a record cut short by a stopped search is incomplete.
// Files that are no search output or no target list are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include "child_process.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

class CheckRealRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        output = real_search_output(&problem);
        dir = make_temp_dir();
        write_file(dir + "/sb2.txt", easy_target_list());
    }
    void SetUp() override { ASSERT_FALSE(output.empty()) << problem; }

    // Index of the "found k " line in lines.
    static size_t record_start(const std::vector<std::string>& lines, int k) {
        for (size_t i = 0; i < lines.size(); ++i)
            if (lines[i].rfind("found " + std::to_string(k) + " ", 0) == 0) return i;
        ADD_FAILURE() << "no record " << k;
        return 0;
    }
    static std::string joined(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& l : lines) text += l + "\n";
        return text;
    }
    // Runs check on text (as prgs1b.txt in the directory, the default file name).
    static tool_result check(const std::string& text, bool with_targets) {
        write_file(dir + "/prgs1b.txt", text);
        std::vector<std::string> args = {"check"};
        if (with_targets) args = {"check", "--targets", "sb2.txt"};
        return sbtool_program(args, dir);
    }

    static std::string output;
    static std::string problem;
    static std::string dir;
};
std::string CheckRealRun::output;
std::string CheckRealRun::problem;
std::string CheckRealRun::dir;

TEST_F(CheckRealRun, EveryRecordPasses) {
    for (bool with_targets : {false, true}) {
        const tool_result r = check(output, with_targets);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        const std::vector<std::string> lines = lines_of(r.out);
        ASSERT_EQ(lines.size(), real_run_records + 1u) << r.out;
        for (int k = 1; k <= real_run_records; ++k) {
            const size_t start = record_start(lines_of(output), k);
            EXPECT_EQ(lines[k - 1], "found " + std::to_string(k) + " (line " + std::to_string(start + 1) + "): OK");
        }
        EXPECT_EQ(lines.back(), std::to_string(real_run_records) + " passed, 0 failed");
        EXPECT_EQ(r.err, "");
    }
}

// One alteration of record 2: the line it touches (offset from the "found" line), and what the
// failure says.
struct alteration {
    const char* name;
    std::function<void(std::vector<std::string>&, size_t)> apply;
    int line;  // offset of the reported line from the "found" line; -1: one of the locked lines
    const char* says;
    bool needs_targets;
};

void swap_first_values(std::string& line, const std::string& tag) {
    const size_t a = tag.size();
    const size_t sep = line.find("  ", a);
    const size_t b = sep + 2;
    const size_t end = line.find("  ", b);
    line = tag + line.substr(b, end - b) + "  " + line.substr(a, sep - a) + line.substr(end);
}

void flip(std::string& line, size_t at) {
    line[at] = line[at] == '0' ? '1' : '0';
}

// The number that follows `key` in line, replaced by f(number).
void renumber(std::string& line, const std::string& key, const std::function<long(long)>& f) {
    const size_t at = line.find(key) + key.size();
    size_t end = at;
    while (end < line.size() && isdigit(static_cast<unsigned char>(line[end]))) ++end;
    line = line.substr(0, at) + std::to_string(f(std::stol(line.substr(at, end - at)))) + line.substr(end);
}

const alteration alterations[] = {
    {"last instruction dropped to nop", [](auto& l, size_t s) {
         const size_t length = std::stoul(l[s].substr(l[s].find(" r ") + 3));
         l[s + 8 + length] = "nop";
     }, -1, "after the program, the record prints", false},
    {"truth table bit", [](auto& l, size_t s) { flip(l[s + 4], 6); }, 4, "after the program, the record prints", false},
    {"ANF bit", [](auto& l, size_t s) { flip(l[s + 5], 25); }, 5, "the ANF of the truth table is ", false},
    {"degree", [](auto& l, size_t s) { l[s + 6][3] = l[s + 6][3] == '3' ? '2' : '3'; }, 6, "the degree of the truth table is ", false},
    {"lowest degree", [](auto& l, size_t s) { renumber(l[s], " o ", [](long o) { return o == 3 ? 2 : o + 1; }); }, 0,
     "the lowest degree (at most 3) is ", false},
    {"S-box line", [](auto& l, size_t s) { swap_first_values(l[s + 7], "s "); }, 7, "the S-box of the four truth tables is ", false},
    {"inverse line", [](auto& l, size_t s) { swap_first_values(l[s + 8], "i "); }, 8, "the inverse S-box is ", false},
    {"length", [](auto& l, size_t s) { renumber(l[s], " r ", [](long r) { return r + 1; }); }, 0, "but the program has", false},
    {"instruction removed", [](auto& l, size_t s) { l.erase(l.begin() + static_cast<long>(s) + 9); }, 0,
     "but the program has", false},
    {"register out of range", [](auto& l, size_t s) { l[s + 9] = "xor 9,1"; }, 9, "not an instruction: \"xor 9,1\"", false},
    {"locked register out of range", [](auto& l, size_t s) { l[s + 3][0] = '9'; }, 3,
     "not a \"REG  DEG  TRUTHTABLE   ANF \" line", false},
    {"row", [](auto& l, size_t s) { renumber(l[s], " n ", [](long n) { return n + 1; }); }, 0,
     "of the target list, the record prints n ", true},
    {"permutation rows reordered", [](auto& l, size_t s) {
         std::string& p = l[s + 2];
         const size_t second = p.find(" p ", 1);
         const size_t third = p.find(" p ", second + 1);
         p = p.substr(second, third - second) + p.substr(0, second) + p.substr(third);
     }, 2, "the permutation rows are ", true},
    {"inverse rows", [](auto& l, size_t s) { renumber(l[s + 1], " in ", [](long n) { return n + 1000; }); }, 1,
     "the inverse's permutation rows are ", true},
};

TEST_F(CheckRealRun, AlteredRecordsFailAtTheLineTheyTouch) {
    for (const alteration& a : alterations) {
        std::vector<std::string> lines = lines_of(output);
        const size_t start = record_start(lines, 2);
        a.apply(lines, start);
        const tool_result r = check(joined(lines), a.needs_targets);
        EXPECT_EQ(r.status, 1) << a.name << "\n" << r.out;
        const std::vector<std::string> report = lines_of(r.out);
        ASSERT_EQ(report.size(), real_run_records + 1u) << a.name << "\n" << r.out;
        const std::string head = "found 2 (line " + std::to_string(start + 1) + "): FAIL line ";
        ASSERT_EQ(report[1].rfind(head, 0), 0u) << a.name << "\n" << report[1];
        const size_t reported = std::stoul(report[1].substr(head.size())) - (start + 1);
        if (a.line >= 0)
            EXPECT_EQ(reported, static_cast<size_t>(a.line)) << a.name << "\n" << report[1];
        else
            EXPECT_TRUE(reported >= 3 && reported <= 6) << a.name << "\n" << report[1];
        EXPECT_NE(report[1].find(a.says), std::string::npos) << a.name << "\n" << report[1];
        EXPECT_EQ(report[0].substr(report[0].size() - 4), ": OK") << a.name;
        EXPECT_EQ(report.back(), std::to_string(real_run_records - 1) + " passed, 1 failed") << a.name;
        if (a.needs_targets) {
            // Without the list the rows cannot be known, and the record passes.
            EXPECT_EQ(check(joined(lines), false).status, 0) << a.name;
        }
    }
}

TEST_F(CheckRealRun, LastRecordCutShortIsIncomplete) {
    const std::vector<std::string> lines = lines_of(output);
    const size_t last = record_start(lines, real_run_records);
    const std::string last_head = "found " + std::to_string(real_run_records) + " (line " + std::to_string(last + 1) + "): ";
    const std::string before_last = joined(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(last)));
    const std::string last_text = output.substr(before_last.size());
    const std::vector<std::string> cuts = {
        last_text.substr(0, last_text.size() - 1),                     // the final line end missing
        last_text.substr(0, last_text.size() - 4),                     // inside the last instruction
        joined(std::vector<std::string>(lines.begin() + static_cast<long>(last), lines.end() - 2)),  // two lines short
        last_text.substr(0, 9),                                        // inside the "found" line
        last_text.substr(0, 3),                                        // inside the word "found"
    };
    for (const std::string& cut : cuts) {
        const tool_result r = check(before_last + cut, true);
        EXPECT_EQ(r.status, 0) << r.out;
        const std::vector<std::string> report = lines_of(r.out);
        ASSERT_EQ(report.size(), real_run_records + 1u) << r.out;
        const std::string& entry = report[real_run_records - 1];
        EXPECT_EQ(entry.substr(entry.find(" (line ")), last_head.substr(last_head.find(" (line ")) +
                                                            "incomplete (the file ends inside the record)");
        EXPECT_EQ(report.back(), std::to_string(real_run_records - 1) + " passed, 0 failed");
    }
    // Stopped inside a pass line, after the last complete record.
    const tool_result pass_line = check(output + "Star", false);
    EXPECT_EQ(pass_line.status, 0) << pass_line.out;
    EXPECT_EQ(lines_of(pass_line.out).back(), std::to_string(real_run_records) + " passed, 0 failed");
    // The same gap in a record that another one follows is a failure, not an incomplete record.
    std::vector<std::string> middle = lines;
    const size_t second = record_start(lines, 2);
    const size_t third = record_start(lines, 3);
    middle.erase(middle.begin() + static_cast<long>(third) - 2, middle.begin() + static_cast<long>(third));
    const tool_result r = check(joined(middle), false);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("found 2 (line " + std::to_string(second + 1) + "): FAIL"), std::string::npos) << r.out;
}

TEST_F(CheckRealRun, StrayLinesFail) {
    std::vector<std::string> lines = lines_of(output);
    lines.insert(lines.begin() + 2, "garbage");
    const tool_result r = check(joined(lines), false);
    EXPECT_EQ(r.status, 1);
    const std::vector<std::string> report = lines_of(r.out);
    ASSERT_FALSE(report.empty());
    EXPECT_EQ(report[0], "line 3: FAIL not part of a record: \"garbage\"");
    EXPECT_EQ(report.back(), std::to_string(real_run_records) + " passed, 1 failed");
}

TEST_F(CheckRealRun, TargetListTheSearchCannotLoadIsAnError) {
    write_file(dir + "/bad.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 14\n");
    write_file(dir + "/prgs1b.txt", output);
    const tool_result r = sbtool_program({"check", "--targets", "bad.txt"}, dir);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "sbtool check: the search cannot load bad.txt: bad.txt: record 2: not a permutation of 0..15 "
                     "(value 14 repeated)\n");
    // The working directory is left as it was, without a stray sb2.txt of the list's content.
    EXPECT_EQ(read_file(dir + "/sb2.txt"), easy_target_list());
}

// A directory, a missing file and a file without a single record are failures, one line on
// standard error that names the file, never "0 passed" or an empty list.
TEST(SearchOutputs, FilesWithoutARecordAreRefused) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/empty.txt", "");
    write_file(dir + "/header.txt", "Parameters 1  4  3  20000  1  29  216750081\nPrograms  15  7  11  14\nStarting 0\n");
    write_file(dir + "/sb2.txt", "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2\n");
    write_file(dir + "/notes.txt", "hello\n");
    const struct {
        std::string file;
        std::string says;
    } cases[] = {
        {dir, dir + ": is a directory"},
        {dir + "/missing.txt", dir + "/missing.txt: cannot be opened"},
        {dir + "/empty.txt", dir + "/empty.txt: no record: the file is empty"},
        {dir + "/header.txt", dir + "/header.txt: no record: the search has not reached a listed S-box yet"},
        {dir + "/sb2.txt", dir + "/sb2.txt: no record: it looks like a target list (sb2.txt), not a search output"},
        {dir + "/notes.txt", dir + "/notes.txt: no record: no \"found\" line"},
    };
    for (const auto& c : cases)
        for (const char* command : {"check", "best"}) {
            const tool_result r = sbtool({command, c.file});
            EXPECT_EQ(r.status, 1) << command << " " << c.file;
            EXPECT_EQ(r.out, "") << command << " " << c.file;
            EXPECT_EQ(r.err, std::string("sbtool ") + command + ": " + c.says + "\n");
        }
    // Several files: any one without a record fails the whole command.
    EXPECT_EQ(sbtool({"best", dir + "/header.txt", dir + "/empty.txt"}).status, 1);
}

// What check --targets refuses, sbtool search refuses too, in the same words, writing nothing.
TEST(SearchOutputs, TargetListsThatAreNoListsAreRefused) {
    const std::string one = "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n";
    const struct {
        std::string text, says;  // says: the message after the list's name
    } cases[] = {
        {"\n  \n", ": no S-box (a target list holds sixteen values per S-box)"},
        {"", ": no S-box (a target list holds sixteen values per S-box)"},
        {"0 1 2 3 4 5 6 7\n", ": line 1: S-box 1 ends after 8 of its sixteen values (the list is cut short)"},
        {one + "\n15 14 13 12\n11 10 9 8\n", ": line 3: S-box 2 ends after 8 of its sixteen values (the list is cut short)"},
        {one + "15 14 13 12 11 10 9 8 7 6 5 4 3 2 1 +0\n", ": line 2: \"+0\" is not a value 0..15"},
        {"4294967296 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n", ": line 1: \"4294967296\" is not a value 0..15"},
        {"Parameters 1  4  3  20000  1  29  216750081\n", ": it looks like a search output (prgs1b.txt), not a target list"},
    };
    for (const auto& c : cases) {
        const std::string dir = make_temp_dir();
        write_file(dir + "/sb2.txt", c.text);
        const tool_result r = sbtool({"check", "--targets", dir + "/sb2.txt", dir + "/prgs1b.txt"});
        EXPECT_EQ(r.status, 1) << c.says;
        EXPECT_EQ(r.out + r.err, "sbtool check: " + dir + "/sb2.txt" + c.says + "\n");
        const tool_result search =
            sbtool_program({"search", "--passes", "1", "--max-length", "8", "--deadlines", "4,6,7", "--dir", dir});
        EXPECT_EQ(search.status, 1) << c.says;
        EXPECT_EQ(search.out + search.err, "sbtool search: sb2.txt" + c.says + "\n");
        EXPECT_FALSE(std::ifstream(dir + "/prgs1b.txt")) << c.says << ": nothing is written";
    }
    const std::string dir = make_temp_dir();
    for (const std::string& list : {dir, dir + "/missing.txt"}) {
        const tool_result r = sbtool({"check", "--targets", list, dir + "/output.txt"});
        EXPECT_EQ(r.status, 1) << list;
        EXPECT_EQ(r.out + r.err, "sbtool check: " + list + (list == dir ? ": is a directory\n" : ": cannot be opened\n"));
    }
}

TEST_F(CheckRealRun, JsonGivesEveryVerdict) {
    std::vector<std::string> lines = lines_of(output);
    lines.insert(lines.begin() + 2, "garbage");
    write_file(dir + "/prgs1b.txt", joined(lines));
    const tool_result text = sbtool_program({"check"}, dir);
    const tool_result r = sbtool_program({"check", "--json"}, dir);
    EXPECT_EQ(r.status, 1);
    json_value doc;
    std::string error;
    ASSERT_TRUE(parse_json(r.out, doc, &error)) << error;
    EXPECT_EQ(doc["file"].text, "prgs1b.txt");
    EXPECT_EQ(doc["passed"].integer(), real_run_records);
    EXPECT_EQ(doc["failed"].integer(), 1);
    const json_value& records = doc["records"];
    const std::vector<std::string> report = lines_of(text.out);
    ASSERT_EQ(records.items.size() + 1, report.size());
    EXPECT_EQ(records[0]["line"].integer(), 3);
    EXPECT_EQ(records[0]["record"].kind, json_value::null_value);
    EXPECT_EQ(records[0]["result"].text, "FAIL");
    EXPECT_EQ(records[0]["problem"].text, "not part of a record: \"garbage\"");
    for (int k = 1; k <= real_run_records; ++k) {
        const json_value& v = records[k];
        EXPECT_EQ(v["record"].integer(), k);
        EXPECT_EQ(v["result"].text, "OK");
        EXPECT_EQ(v["problem"].kind, json_value::null_value);
        EXPECT_EQ(report[k], "found " + std::to_string(k) + " (line " + std::to_string(v["line"].integer()) + "): OK");
        EXPECT_EQ(v["sbox"].text.size(), 16u);
    }

    // A value outside 0..15 has no hexadecimal digit: such a record's "sbox" is null.
    lines = lines_of(output);
    std::string& sbox_line = lines[record_start(lines, 1) + 7];
    sbox_line = "s 17" + sbox_line.substr(sbox_line.find("  "));
    write_file(dir + "/prgs1b.txt", joined(lines));
    json_value wide;
    ASSERT_TRUE(parse_json(sbtool_program({"check", "--json"}, dir).out, wide, &error)) << error;
    EXPECT_EQ(wide["records"][0]["result"].text, "FAIL");
    EXPECT_EQ(wide["records"][0]["sbox"].kind, json_value::null_value);
}

}  // namespace
