// sbtool find as a designer runs it: a member under raised limits reaches what the defaults
// cannot, with C code that computes the S-box and its inverse; the findings after members
// 0..M-1 are the same on any number of threads or ranks and after a stop; bad options and
// directories are refused in one line.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "child_process.h"
#include "tools_json_reader.h"
#include "tools_support.h"

namespace {

// Member K searches for S-box K mod 2: Midori's Sb0 (an involution) is reached by member 2 (17
// instructions, deadlines 8,12,15) and by no member at the defaults; PRINCE's S-box by none.
const char* const sboxes = "cad3ebf789150246  # Midori Sb0\nbf32ac916780e5d4  # PRINCE\n";

using strings = std::vector<std::string>;

strings operator+(strings a, const strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Starts argv (sbtool, or mpirun and sbtool-mpi) with standard output and error in files of dir.
pid_t start(const strings& argv, const std::string& dir) {
    return start_program(argv, dir + "/out", dir + "/err", true);
}

// A find of the S-boxes above in a fresh directory: its directory and its command line.
struct find_run {
    std::string dir;
    strings argv;
};

find_run new_find(const strings& program, const strings& options) {
    find_run f{make_temp_dir(), program};
    write_file(f.dir + "/sboxes.in", sboxes);
    f.argv = f.argv + strings{"find", "@" + f.dir + "/sboxes.in", "--dir", f.dir + "/find"} + options;
    return f;
}

// Compiles the C file with a driver that runs name and name_inverse on all 16 inputs and
// prints how many outputs differ from the table, and from the table with its first two values
// swapped (to show that the check can fail).
std::string mismatches(const std::string& dir, const std::string& file, const std::string& name,
                       const std::string& table) {
    std::string driver = "#include <stdint.h>\n#include <stdio.h>\n";
    driver += "void " + name + "(const uint64_t in[4], uint64_t out[4]);\n";
    driver += "void " + name + "_inverse(const uint64_t in[4], uint64_t out[4]);\n";
    driver += "static int count(void (*f)(const uint64_t*, uint64_t*), const char* hex, int inverse) {\n"
              "    int s[16], wrong = 0;\n"
              "    for (int x = 0; x < 16; x++) sscanf(hex + x, \"%1x\", &s[x]);\n"
              "    for (int x = 0; x < 16; x++) {\n"
              "        uint64_t in[4], out[4];\n"
              "        for (int j = 0; j < 4; j++) in[j] = (x >> j & 1) ? ~(uint64_t)0 : 0;\n"
              "        f(in, out);\n"
              "        int y = 0;\n"
              "        for (int i = 0; i < 4; i++) y |= (int)(out[i] & 1) << i;\n"
              "        wrong += inverse ? s[y] != x : y != s[x];\n"
              "    }\n"
              "    return wrong;\n}\n";
    const std::string wrong = table.substr(1, 1) + table.substr(0, 1) + table.substr(2);
    driver += "int main(void) {\n    printf(\"%d %d %d\\n\", count(" + name + ", \"" + table + "\", 0), count(" + name +
              "_inverse, \"" + table + "\", 1), count(" + name + ", \"" + wrong + "\", 0));\n    return 0;\n}\n";
    write_file(dir + "/driver.c", driver);
    const tool_result run = shell("cd " + quoted(dir) + " && cc -std=c99 -Wall -Wextra -Werror -o run driver.c " +
                                  quoted(file) + " && ./run");
    return run.status == 0 ? run.out : run.err;
}

TEST(Find, RaisedMemberReachesWhatTheDefaultsCannot) {
    const find_run f = new_find({SBTOOL_PATH}, {"--members", "4", "--threads", "2"});
    ASSERT_EQ(wait_for_exit(start(f.argv, f.dir)), 0) << read_file(f.dir + "/err");
    const std::string text = read_file(f.dir + "/find/find.txt");
    EXPECT_EQ(read_file(f.dir + "/out"), text);
    EXPECT_NE(text.find("\nMidori Sb0  cad3ebf789150246  17      2       1       17              2               1 "
                        "              34\nPRINCE      bf32ac916780e5d4  -       -       -       -               -    "),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("members done: 4 (0-3)\nby limits: 16/7,11,14 2, 17/8,12,15 2, 18/9,13,16 0\n"),
              std::string::npos)
        << text;
    json_value json;
    ASSERT_TRUE(parse_json(read_file(f.dir + "/find/find.json"), json));
    const json_value& members = json["members"];
    ASSERT_EQ(members.items.size(), 4u);
    EXPECT_EQ(members[0]["records"].integer() + members[1]["records"].integer(), 0) << "nothing at the defaults";
    EXPECT_GE(members[2]["records"].integer(), 1);
    EXPECT_EQ(members[2]["max_length"].integer(), 17);
    EXPECT_EQ(members[2]["sbox"].text, "cad3ebf789150246");
    EXPECT_EQ(members[2]["pass_seconds"].kind, json_value::number);
    EXPECT_EQ(json["sboxes"][0]["shortest"]["member"].integer(), 2);
    EXPECT_EQ(json["sboxes"][1]["shortest"].kind, json_value::null_value);
    // C for Midori Sb0 and its inverse, none for PRINCE; the code computes both tables.
    EXPECT_EQ(read_file(f.dir + "/find/PRINCE.c"), "");
    EXPECT_EQ(mismatches(f.dir, f.dir + "/find/Midori_Sb0.c", "Midori_Sb0", "cad3ebf789150246"), "0 0 2\n");
    // Member 2's directory is an ordinary search directory, and report agrees over the members.
    const std::string member = f.dir + "/find/members/2/";
    EXPECT_EQ(sbtool({"check", "--targets", member + "sb2.txt", member + "prgs1b.txt"}).status, 0);
    const tool_result report = sbtool({"report", "--sboxes", "@" + f.dir + "/sboxes.in", member + "prgs1b.txt"});
    EXPECT_NE(report.out.find("Midori Sb0  cad3ebf789150246  17      1       17  "), std::string::npos) << report.out;
}

// How a run of members 0..2 goes: its program, on how many threads, and the signal that stops
// it once member 2 has begun (then --resume ends it).
struct equal_case {
    const char* name;
    strings program;
    const char* threads;
    int stop_signal;
};

void expect_same_findings(const std::vector<equal_case>& cases) {
    std::string first;
    for (const equal_case& c : cases) {
        const find_run f = new_find(c.program, {"--members", "3", "--threads", c.threads});
        const pid_t pid = start(f.argv, f.dir);
        if (c.stop_signal != 0) {
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
            while (read_file(f.dir + "/find/members/2/prgs1b.txt").empty() && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            kill(pid, c.stop_signal);
            EXPECT_EQ(wait_for_exit(pid), 128 + c.stop_signal) << c.name;
            const std::string note = "sbtool find: stopped; go on with: sbtool find --resume --dir " + f.dir + "/find --members 3\n";
            EXPECT_TRUE(c.stop_signal != SIGINT || read_file(f.dir + "/err") == note) << read_file(f.dir + "/err");
            EXPECT_EQ(wait_for_exit(start(c.program + strings{"find", "--resume", "--dir", f.dir + "/find", "--members", "3",
                                                       "--threads", c.threads},
                                   f.dir)),
                      0)
                << c.name << ": " << read_file(f.dir + "/err");
        } else {
            EXPECT_EQ(wait_for_exit(pid), 0) << c.name << ": " << read_file(f.dir + "/err");
        }
        const std::string text = read_file(f.dir + "/find/find.txt");
        EXPECT_NE(text.find("members done: 3 (0-2)\n"), std::string::npos) << c.name << ": " << text;
        if (first.empty()) first = text;
        EXPECT_EQ(text, first) << c.name;
    }
}

TEST(Find, SameFindingsOnAnyThreadsAndAfterAStop) {
    expect_same_findings({{"one thread", {SBTOOL_PATH}, "1", 0},
                          {"two threads", {SBTOOL_PATH}, "2", 0},
                          {"killed", {SBTOOL_PATH}, "2", SIGKILL},
                          {"Ctrl-C", {SBTOOL_PATH}, "1", SIGINT}});
}

#ifdef SBTOOL_MPI_PATH
TEST(FindJobs, SameFindingsOnOneAndTwoRanks) {
    expect_same_findings({{"one thread", {SBTOOL_PATH}, "1", 0},
                          {"one rank", {MPIEXEC_PATH, "--oversubscribe", "-np", "1", SBTOOL_MPI_PATH}, "1", 0},
                          {"two ranks", {MPIEXEC_PATH, "--oversubscribe", "-np", "2", SBTOOL_MPI_PATH}, "1", 0}});
}
#endif

TEST(Find, RefusesBadOptionsAndDirectories) {
    const std::string dir = make_temp_dir(), held = dir + "/held", other = dir + "/other";
    ASSERT_TRUE(make_dir(held) && make_dir(other));
    write_file(held + "/sboxes.txt", "cad3ebf789150246\n");
    write_file(held + "/variants.txt", "none\n");
    const std::string midori = "cad3ebf789150246";
    const struct {
        strings args;
        int status;
        std::string message;
    } cases[] = {
        {{}, 2, "missing argument SBOX"},
        {{midori, "--members", "0"}, 2, "--members takes a whole number from 1 to 1000000000, not \"0\""},
        {{midori, "--threads", "4097"}, 2, "--threads takes a whole number from 1 to 4096, not \"4097\""},
        {{midori, "--time", "0"}, 2, "--time takes a duration such as 90s, 10m or 2h (or plain seconds), not \"0\""},
        {{midori, "--time", "5x"}, 2, "--time takes a duration such as 90s, 10m or 2h (or plain seconds), not \"5x\""},
        {{midori, "--time", "m"}, 2, "--time takes a duration such as 90s, 10m or 2h (or plain seconds), not \"m\""},
        {{midori, "--variants", "inverse,"}, 2,
         "--variants takes none, or some of inverse, perms, in-xor and out-xor separated by commas, not \"inverse,\""},
        {{"1,2,3", "--dir", other}, 1, "argument \"1,2,3\": "},
        {{midori, "0x" + midori, "--dir", other}, 1,
         "S-box " + midori + " is named twice (argument \"" + midori + "\" and argument \"0x" + midori + "\")"},
        {{midori, "--dir", held}, 1, held + " already holds a find: go on with it with --resume, or give another --dir"},
        {{"--resume", "--dir", other}, 1,
         "cannot resume: no find in " + other + " (it keeps sboxes.txt and variants.txt): start it without --resume"},
        {{"bf32ac916780e5d4", "--resume", "--dir", held}, 1,
         "cannot resume: the find in " + held + " is for other S-boxes (see its sboxes.txt)"},
        {{"--resume", "--variants", "perms", "--dir", held}, 1,
         "cannot resume: the find in " + held + " searches the variants none"},
        {{midori, "--dir", held + "/sboxes.txt"}, 1, "cannot enter " + held + "/sboxes.txt: Not a directory"},
    };
    for (const auto& c : cases) {
        const tool_result r = sbtool(strings{"find"} + c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.err.rfind("sbtool find: " + c.message, 0), 0u) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

}  // namespace
