// Whole bounded runs of the search in a temporary directory: the output file's layout, the
// records' programs re-executed on the machine, determinism, and output-file failures.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <vector>

#include "child_process.h"
#include "search/driver.h"
#include "search/machine.h"

namespace {

constexpr long bounded_start_pairs = 10;

// Runs the search on `list` as sb2.txt in a new directory; returns the directory.
std::string run_search_on(const std::string& list, long start_pairs, ChildResult* run) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", list);
    *run = run_in_child([&] {
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_bounded(search_run, start_pairs);
    });
    return dir;
}

// One S-box that the first pass reaches with 15 instructions; a pass on it takes a second or two.
std::string single_list() {
    return read_file(std::string(TEST_LIST_DIR) + "/single.txt");
}

// The coordinate set of every S-box of a list, as sorted words.
std::set<std::vector<unsigned>> coordinate_sets(const std::string& list) {
    std::set<std::vector<unsigned>> sets;
    std::istringstream in(list);
    int v[16];
    while (true) {
        for (int& x : v) in >> x;
        if (!in) break;
        std::vector<unsigned> words(4, 0);
        for (int x = 0; x < 16; x++)
            for (int j = 0; j < 4; j++) words[j] |= ((v[x] >> j) & 1u) << x;
        std::sort(words.begin(), words.end());
        sets.insert(words);
    }
    return sets;
}

// Parses an instruction in its text form.
ot parse_instruction(const std::string& text) {
    static const char* names[] = {"nop", "or", "and", "xor", "mov", "not"};
    std::istringstream in(text);
    std::string name;
    in >> name;
    ot x = {-1, 0, 0};
    for (int i = 0; i < 6; i++)
        if (name == names[i]) x.o = i;
    char comma = 0;
    if (x.o >= op_or && x.o <= op_mov) in >> x.r1 >> comma >> x.r2;
    if (x.o == op_not) in >> x.r1;
    return x;
}

std::string bits_text(unsigned w) {
    std::string s;
    for (int x = 0; x < 16; x++) s += ((w >> x) & 1) ? '1' : '0';
    return s;
}

struct Record {
    std::vector<std::string> lines;
};

// Splits the output file after its header into "Starting" lines and records.
std::vector<Record> records_of(const std::vector<std::string>& file) {
    std::vector<Record> records;
    for (size_t i = 2; i < file.size(); i++) {
        if (file[i].rfind("found ", 0) == 0) records.push_back({});
        if (file[i].rfind("Starting ", 0) == 0) continue;
        if (!records.empty()) records.back().lines.push_back(file[i]);
    }
    return records;
}

class SingleRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir = run_search_on(single_list(), bounded_start_pairs, &run);
        file = lines_of(read_file(dir + "/prgs1b.txt"));
    }
    static ChildResult run;
    static std::string dir;
    static std::vector<std::string> file;
};
ChildResult SingleRun::run;
std::string SingleRun::dir;
std::vector<std::string> SingleRun::file;

TEST_F(SingleRun, HeaderAndPassLines) {
    ASSERT_TRUE(run.returned) << run.out;
    ASSERT_GE(file.size(), 3u);
    EXPECT_EQ(file[0], "Parameters 1  4  3  20000  1  29  216750081");
    EXPECT_EQ(file[1], "Programs  15  7  11  14");
    EXPECT_EQ(file[2], "Starting 0");
    EXPECT_EQ(std::count(file.begin(), file.end(), "Starting 1"), 0);
    EXPECT_EQ(run.out.rfind("Starting Test\n", 0), 0u);
    EXPECT_NE(run.out.find("initializing perms\n"), std::string::npos);
}

TEST_F(SingleRun, PassSummaryHasFourLines) {
    const std::vector<std::string> console = lines_of(run.out);
    ASSERT_GE(console.size(), 4u);
    const size_t n = console.size();
    EXPECT_TRUE(std::regex_match(console[n - 4], std::regex(R"([0-9.e+-]+ [0-9]+(  [0-9]+){6})"))) << console[n - 4];
    EXPECT_TRUE(std::regex_match(console[n - 3], std::regex(R"([0-9]+(  [0-9]+){7})"))) << console[n - 3];
    EXPECT_TRUE(std::regex_match(console[n - 2], std::regex(R"([0-9]+(  [0-9]+){3})"))) << console[n - 2];
    EXPECT_TRUE(std::regex_match(console[n - 1], std::regex(R"([0-9]+(  [0-9]+){3})"))) << console[n - 1];
    EXPECT_TRUE(std::regex_match(console[n - 3], std::regex(R"(.*  0$)"))) << "index 16 is never used";
    EXPECT_EQ(console[n - 2], "0  0  0  0");
}

TEST_F(SingleRun, RecordsAreLaidOutAndNumberedInOrder) {
    const std::vector<Record> records = records_of(file);
    ASSERT_FALSE(records.empty()) << "the pass reaches the listed S-box";
    const std::regex first(R"(found ([0-9]+) r ([0-9]+) o ([0-3]) n ([0-9]+))");
    const std::regex locked(R"([0-4]  [0-3]  [01]{16}   [01]{16} )");
    const std::regex sbox(R"([si] [0-9]+(  [0-9]+){15})");
    for (size_t r = 0; r < records.size(); r++) {
        const std::vector<std::string>& lines = records[r].lines;
        std::smatch m;
        ASSERT_TRUE(std::regex_match(lines[0], m, first)) << lines[0];
        EXPECT_EQ(std::stoul(m[1]), r + 1);
        const size_t length = std::stoul(m[2]);
        ASSERT_EQ(lines.size(), 9 + length) << lines[0];
        EXPECT_TRUE(std::regex_match(lines[1], std::regex(R"(( in [0-9]+( t [0-9]+)?)*)"))) << lines[1];
        EXPECT_TRUE(std::regex_match(lines[2], std::regex(R"(( p [0-9]+)*)"))) << lines[2];
        EXPECT_NE(lines[2].find(" p " + std::string(m[4])), std::string::npos) << "a row is its own permutation 0";
        for (int i = 3; i < 7; i++) EXPECT_TRUE(std::regex_match(lines[i], locked)) << lines[i];
        EXPECT_TRUE(std::regex_match(lines[7], sbox)) << lines[7];
        EXPECT_TRUE(std::regex_match(lines[8], sbox)) << lines[8];
    }
}

// Re-executes every record's program and checks the locked registers, the S-box, its
// inverse and that the S-box is on the list.
TEST_F(SingleRun, RecordedProgramsComputeTheirSboxes) {
    const std::set<std::vector<unsigned>> listed = coordinate_sets(single_list());
    for (const Record& record : records_of(file)) {
        const std::vector<std::string>& lines = record.lines;
        std::vector<ot> prog;
        for (size_t i = 9; i < lines.size(); i++) prog.push_back(parse_instruction(lines[i]));
        machine_state m;
        init_state(m);
        doinst(m, prog.data(), static_cast<int>(prog.size()));
        unsigned words[4];
        for (int i = 0; i < 4; i++) {
            const int r = std::stoi(lines[3 + i].substr(0, 1));
            words[i] = m.reg[r];
            EXPECT_EQ(lines[3 + i].substr(6, 16), bits_text(m.reg[r])) << lines[0];
        }
        std::ostringstream s, inverse;
        int forward[16], backward[16];
        for (int x = 0; x < 16; x++) {
            forward[x] = 0;
            for (int j = 0; j < 4; j++) forward[x] |= ((words[j] >> x) & 1) << j;
            backward[forward[x]] = x;
        }
        for (int x = 0; x < 16; x++) {
            s << (x ? "  " : "s ") << forward[x];
            inverse << (x ? "  " : "i ") << backward[x];
        }
        EXPECT_EQ(lines[7], s.str());
        EXPECT_EQ(lines[8], inverse.str());
        std::vector<unsigned> set(words, words + 4);
        std::sort(set.begin(), set.end());
        EXPECT_TRUE(listed.count(set)) << lines[7];
    }
}

// Shapes the enumeration never produces, checked on every recorded program.
TEST_F(SingleRun, RecordedProgramsKeepTheShapeRules) {
    for (const Record& record : records_of(file)) {
        std::vector<ot> prog;
        for (size_t i = 9; i < record.lines.size(); i++) prog.push_back(parse_instruction(record.lines[i]));
        for (size_t j = 1; j < prog.size(); j++) {
            const ot& x = prog[j];
            const ot& p = prog[j - 1];
            if (x.o == op_nop) {
                EXPECT_EQ(j % 2, 1u) << record.lines[0];
                EXPECT_NE(p.o, op_mov) << record.lines[0];
                EXPECT_LE(j, 14u);
            }
            if (p.o == op_mov) {
                EXPECT_NE(x.o, op_mov) << record.lines[0];
                EXPECT_EQ(x.r1, p.r2) << record.lines[0];
            }
            if (p.o == op_nop) {
                const int before = prog[j - 2].r1;
                EXPECT_TRUE(x.r1 == before || x.r2 == before) << record.lines[0];
            }
            if (j % 2 == 1 && x.o != op_nop && p.o != op_nop) {
                EXPECT_NE(x.r1, p.r1) << record.lines[0];
                if (x.o != op_not) {
                    EXPECT_NE(x.r2, p.r1) << record.lines[0];
                }
            }
        }
    }
}

TEST_F(SingleRun, SameListGivesTheSameBytes) {
    ChildResult again;
    const std::string other = run_search_on(single_list(), bounded_start_pairs, &again);
    EXPECT_EQ(read_file(other + "/prgs1b.txt"), read_file(dir + "/prgs1b.txt"));
    // The console differs only in the pass time.
    const std::regex time_field(R"(\n[0-9.e+-]+ )");
    EXPECT_EQ(std::regex_replace(again.out, time_field, "\nT "), std::regex_replace(run.out, time_field, "\nT "));
}

// Two passes on an empty list: one "Starting " line and one summary per pass, with the
// counters carried over.
TEST(Passes, EachPassHasItsLineAndSummary) {
    ChildResult run;
    const std::string dir = run_search_on("", 20, &run);
    ASSERT_TRUE(run.returned) << run.out;
    EXPECT_EQ(read_file(dir + "/prgs1b.txt"),
              "Parameters 1  4  3  20000  1  29  216750081\nPrograms  15  7  11  14\nStarting 0\nStarting 1\n");
    std::vector<std::string> summaries;
    for (const std::string& line : lines_of(run.out))
        if (std::regex_match(line, std::regex(R"([0-9.e+ -]+)"))) summaries.push_back(line);
    ASSERT_EQ(summaries.size(), 8u) << run.out;
    EXPECT_EQ(summaries[3], "0  0  0  0");
    EXPECT_EQ(summaries[7], "0  0  0  0");
    // Counters are cumulative: the second pass's node count at index 2 is larger.
    const auto second_field = [](const std::string& line) { return std::stoull(line.substr(line.find(' ') + 1)); };
    EXPECT_GT(second_field(summaries[4]), second_field(summaries[0]));
}

TEST(OutputFile, CannotBeOpened) {
    ChildResult run;
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n");
    mkdir((dir + "/prgs1b.txt").c_str(), 0755);
    run = run_in_child([&] {
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_bounded(search_run, 1);
    });
    EXPECT_EQ(run.status, 1);
    const std::string tail = "initializing perms\nError opening prgs1b.txt";
    ASSERT_GE(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
}

TEST(OutputFile, FailedWriteEndsTheSearch) {
    ChildResult run;
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n");
    ASSERT_TRUE(make_link("/dev/full", dir + "/prgs1b.txt"));
    run = run_in_child([&] {
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_bounded(search_run, 1);
    });
    EXPECT_EQ(run.status, 1);
    const std::string tail = "Error writing prgs1b.txt: No space left on device\n";
    ASSERT_GE(run.out.size(), tail.size());
    EXPECT_EQ(run.out.substr(run.out.size() - tail.size()), tail);
}

}  // namespace
