// Long runs with sbtool search: going on after a stop, refusing to overwrite results, seeds,
// the status line and the failures that must not pass for success.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <map>
#include <set>
#include <sstream>
#include <regex>
#include <thread>

#include "child_process.h"
#include "tools_support.h"

namespace {

// What a search prints after loading its list: everything after "initializing perms".
std::string after_loading(const std::string& console) {
    const std::string mark = "initializing perms\n";
    const size_t at = console.find(mark);
    return at == std::string::npos ? "" : console.substr(at + mark.size());
}

// A directory holding the one-S-box list as sb2.txt.
std::string run_dir() {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", read_file(std::string(TEST_LIST_DIR) + "/single.txt"));
    return dir;
}

// Starts the built program (sbtool unless another is named) with its standard output in
// out_path and its standard error in out_path + ".err"; returns its process.
pid_t start_sbtool(const std::vector<std::string>& args, const std::string& out_path,
                   const char* program = SBTOOL_PATH) {
    std::vector<std::string> argv = {program};
    argv.insert(argv.end(), args.begin(), args.end());
    return start_program(argv, out_path, out_path + ".err");
}

const std::vector<std::string> three_passes = {"search", "--passes", "3", "--threads", "2", "--dir"};

std::vector<std::string> with(std::vector<std::string> args, const std::vector<std::string>& more) {
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// A run stopped mid-pass by Ctrl-C, and one killed and left with half a record, each go on
// with --resume to exactly the output and console of a run that never stopped.
TEST(Resume, StoppedRunsEndAsIfNeverStopped) {
    const std::string whole = run_dir();
    const tool_result uninterrupted = sbtool_program(with(three_passes, {whole}));
    ASSERT_EQ(uninterrupted.status, 0) << uninterrupted.err;
    const std::string expected = read_file(whole + "/prgs1b.txt");
    ASSERT_NE(expected.find("found 1 "), std::string::npos);

    struct stop {
        int signal;
        const char* resume_threads;
    } stops[] = {{SIGINT, "1"}, {SIGKILL, "3"}};
    for (const stop& s : stops) {
        const std::string dir = run_dir();
        const pid_t pid = start_sbtool(with(three_passes, {dir}), dir + "/first.console");
        ASSERT_TRUE(wait_for_text(dir + "/prgs1b.txt", "Starting 1\n"));
        kill(pid, s.signal);
        EXPECT_EQ(wait_for_exit(pid), 128 + s.signal);
        if (s.signal == SIGINT) {
            EXPECT_EQ(read_file(dir + "/first.console.err"),
                      "sbtool search: stopped; go on with: sbtool search --resume --dir " + dir + " --passes 3\n");
        }
        // A kill can fall inside a record; leave the file as such a kill would.
        if (s.signal == SIGKILL) write_file(dir + "/prgs1b.txt", read_file(dir + "/prgs1b.txt") + "found 7 r 1");
        const tool_result resumed = sbtool_program(
            {"search", "--resume", "--passes", "3", "--threads", s.resume_threads, "--dir", dir});
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), expected) << "after signal " << s.signal;
        const std::string tail = without_pass_times(after_loading(resumed.out));
        ASSERT_EQ(tail.rfind("addop2 2  xor 0,1 xor 1,2", 0), 0u) << tail.substr(0, 200);
        const std::string full = without_pass_times(uninterrupted.out);
        ASSERT_GE(full.size(), tail.size());
        EXPECT_EQ(full.substr(full.size() - tail.size()), tail) << "after signal " << s.signal;
    }
    // A run that has done its passes has nothing left to do, and says so.
    const tool_result done = sbtool_program({"search", "--resume", "--passes", "3", "--dir", whole});
    EXPECT_EQ(done.status, 0);
    EXPECT_EQ(done.err, "note: nothing to do: the run in " + whole +
                            " has done its 3 passes; give --passes N with N above 3 to add passes\n");
    EXPECT_EQ(read_file(whole + "/prgs1b.txt"), expected);
}

// An output that lost its end (cut short, or zeroed where the disk never got the last writes,
// as after a power cut) cannot support its checkpoint: the run starts again from its first
// pass and ends with the output of a run that never stopped.
TEST(Resume, OutputThatLostItsEndStartsTheRunAgain) {
    const std::string whole = run_dir();
    ASSERT_EQ(sbtool_program(with(three_passes, {whole})).status, 0);
    const std::string expected = read_file(whole + "/prgs1b.txt");
    const std::string dir = run_dir();
    ASSERT_EQ(sbtool_program({"search", "--passes", "2", "--threads", "2", "--dir", dir}).status, 0);
    const std::string output = read_file(dir + "/prgs1b.txt"), saved = read_file(dir + "/prgs1b.txt.checkpoint");
    const std::string header = output.substr(0, output.find("Starting 0\n"));
    const struct {
        const char* what;
        std::string left;
    } damages[] = {
        {"cut in a record", output.substr(0, output.size() - 50)},
        {"zeroed after the header", header + std::string(output.size() - header.size(), '\0')},
        {"empty", ""},
    };
    for (const auto& d : damages) {
        write_file(dir + "/prgs1b.txt", d.left);
        write_file(dir + "/prgs1b.txt.checkpoint", saved);
        const tool_result r = sbtool_program(with(three_passes, {dir, "--resume"}));
        ASSERT_EQ(r.status, 0) << d.what << ": " << r.err;
        EXPECT_NE(r.err.find("has lost the end that its checkpoint of pass 2 covers"), std::string::npos)
            << d.what << ": " << r.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), expected) << d.what;
    }
}

// A run writes checkpoints within a pass as its merge advances; one killed mid-pass goes on
// from the latest, ending with the output and console of a run that never stopped: a gated run
// (its walk draws the same numbers again up to that point), and an exhaustive one, which does
// so on one thread too.
TEST(Resume, GoesOnFromWithinAPass) {
    const struct {
        const char* what;
        std::string list;
        std::vector<std::string> options;
        const char* pass;  // the checkpoint's pass line to stop in
        const char* seconds;
        const char* threads;
    } runs[] = {
        {"gated", list_file("single.txt"), {"--passes", "3"}, "\npass 1\n", "0", "2"},
        {"exhaustive", easy_target_list(), {"--exhaustive", "--max-length", "9", "--deadlines", "4,7,8"}, "\npass 0\n",
         "1", "1"},
    };
    for (const auto& r : runs) {
        const std::string whole = make_temp_dir(), dir = make_temp_dir();
        write_file(whole + "/sb2.txt", r.list);
        write_file(dir + "/sb2.txt", r.list);
        const tool_result uninterrupted = sbtool_program(with({"search", "--threads", "2", "--dir", whole}, r.options));
        ASSERT_EQ(uninterrupted.status, 0) << r.what << ": " << uninterrupted.err;
        const pid_t pid = start_sbtool(with({"search", "--checkpoint-seconds", r.seconds, "--threads", r.threads, "--dir",
                                             dir},
                                            r.options),
                                       dir + "/first.console");
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
        for (;;) {
            const std::string c = read_file(dir + "/prgs1b.txt.checkpoint");
            if (c.find(r.pass) != std::string::npos && c.find("\nsubtrees 0\n") == std::string::npos) break;
            ASSERT_LT(std::chrono::steady_clock::now(), deadline) << r.what << ": no checkpoint within the pass";
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        kill(pid, SIGKILL);
        ASSERT_EQ(wait_for_exit(pid), 128 + SIGKILL) << r.what << ": the run ended before the kill";
        const tool_result resumed =
            sbtool_program(with({"search", "--resume", "--threads", "2", "--dir", dir}, r.options));
        ASSERT_EQ(resumed.status, 0) << r.what << ": " << resumed.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), read_file(whole + "/prgs1b.txt")) << r.what;
        const std::string tail = without_pass_times(after_loading(resumed.out));
        const std::string full = without_pass_times(uninterrupted.out);
        ASSERT_GE(full.size(), tail.size()) << r.what;
        EXPECT_EQ(full.substr(full.size() - tail.size()), tail) << r.what;
    }
}

// Resuming adds passes to a run that ended, and refuses, leaving the output alone, whatever
// does not match the checkpoint.
TEST(Resume, RefusesWhatDoesNotMatch) {
    const std::string dir = run_dir();
    ASSERT_EQ(sbtool_program({"search", "--passes", "1", "--threads", "2", "--dir", dir}).status, 0);
    const std::string output = read_file(dir + "/prgs1b.txt");
    const std::string saved = read_file(dir + "/prgs1b.txt.checkpoint");
    const std::string list = read_file(dir + "/sb2.txt");
    struct change {
        const char* what;
        std::function<void()> make;
        std::vector<std::string> options;
        const char* message;
    } changes[] = {
        {"no checkpoint", [&] { unlink((dir + "/prgs1b.txt.checkpoint").c_str()); }, {}, "no prgs1b.txt.checkpoint"},
        {"damaged", [&] { write_file(dir + "/prgs1b.txt.checkpoint", saved.substr(0, saved.size() - 30) + "1\n"); },
         {}, "damaged"},
        {"output changed", [&] { write_file(dir + "/prgs1b.txt", "X" + output.substr(1)); }, {}, "is not the output"},
        {"list changed", [&] { write_file(dir + "/sb2.txt", list + list); }, {}, "not the list"},
        {"other seed", [] {}, {"--seed", "5"}, "the run used seed 216750110"},
        {"other limits", [] {}, {"--max-length", "17"}, "the run searched with 16 instructions"},
    };
    for (const change& c : changes) {
        c.make();
        const std::string before = read_file(dir + "/prgs1b.txt");
        const tool_result r = sbtool_program(with({"search", "--resume", "--passes", "2", "--dir", dir}, c.options));
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), before) << c.what;
        write_file(dir + "/prgs1b.txt", output);
        write_file(dir + "/prgs1b.txt.checkpoint", saved);
        write_file(dir + "/sb2.txt", list);
    }
    // The run ended after pass 0; resuming runs pass 1 and writes its line.
    const tool_result more = sbtool_program({"search", "--resume", "--passes", "2", "--quiet", "--dir", dir});
    ASSERT_EQ(more.status, 0) << more.err;
    EXPECT_EQ(read_file(dir + "/prgs1b.txt"), output + "Starting 1\n");
    EXPECT_EQ(after_loading(more.out).find("addop2"), std::string::npos) << "--quiet drops the progress lines";
    const std::string tail = after_loading(more.out);
    EXPECT_EQ(std::count(tail.begin(), tail.end(), '\n'), 4) << "the four summary lines";
}

// An output with records is never overwritten without --force.
TEST(Resume, RecordsAreNotOverwrittenSilently) {
    const std::string dir = run_dir();
    ASSERT_EQ(sbtool_program({"search", "--passes", "1", "--threads", "2", "--dir", dir}).status, 0);
    const std::string output = read_file(dir + "/prgs1b.txt");
    const tool_result again = sbtool_program({"search", "--passes", "1", "--dir", dir});
    EXPECT_EQ(again.status, 1);
    EXPECT_NE(again.err.find("already holds 1 record: go on with that run with --resume, or start over with --force"),
              std::string::npos)
        << again.err;
    EXPECT_EQ(read_file(dir + "/prgs1b.txt"), output);
    const tool_result forced = sbtool_program({"search", "--passes", "1", "--seed", "7", "--force", "--dir", dir});
    ASSERT_EQ(forced.status, 0) << forced.err;
    const std::string seeded = read_file(dir + "/prgs1b.txt");
    EXPECT_EQ(seeded.rfind("Parameters 1  4  3  20000  1  0  7\nPrograms  15  7  11  14\nStarting 0\n", 0), 0u)
        << seeded.substr(0, 100);
    EXPECT_NE(without_pass_times(forced.out), without_pass_times(again.out))
        << "another seed thins the tree differently";
    EXPECT_NE(read_file(dir + "/prgs1b.txt.checkpoint").find("\nseed 7\n"), std::string::npos);
}

// On a terminal, standard error carries the status line while standard output stays the
// console of a run without it.
TEST(Status, ShownOnATerminalOnly) {
    const std::string dir = run_dir();
    const tool_result plain = sbtool_program({"search", "--passes", "1", "--threads", "2", "--dir", dir});
    ASSERT_EQ(plain.status, 0);
    EXPECT_EQ(plain.err, "") << "no status line when standard error is not a terminal";
    const std::string other = run_dir();
    std::fflush(nullptr);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        const int out = open((other + "/console").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || dup2(out, 1) < 0) _exit(120);
        execl(SBTOOL_PATH, SBTOOL_PATH, "search", "--passes", "1", "--threads", "2", "--dir", other.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string shown;
    char buffer[4096];
    for (ssize_t got; (got = read(terminal, buffer, sizeof buffer)) > 0;) shown.append(buffer, got);
    close(terminal);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ASSERT_TRUE(WIFEXITED(wstatus) && WEXITSTATUS(wstatus) == 0) << shown;
    EXPECT_NE(shown.find("pass 0  start pair "), std::string::npos) << shown;
    EXPECT_TRUE(std::regex_search(shown, std::regex("of 10  [0-9]+:[0-9][0-9]  records [01]  [0-9.]+ M candidates/s")))
        << shown;
    EXPECT_EQ(without_pass_times(read_file(other + "/console")), without_pass_times(plain.out));
}

// Shortest program length per class of rows (a row with its input permutations, the record's
// " p " line) of an output file.
std::map<std::set<int>, int> shortest_per_class(const std::string& output) {
    std::map<std::set<int>, int> shortest;
    static const std::regex record(R"(found [0-9]+ r ([0-9]+) o [0-9] n [0-9]+\n[^\n]*\n([^\n]*)\n)");
    for (std::sregex_iterator it(output.begin(), output.end(), record), end; it != end; ++it) {
        std::set<int> rows;
        std::istringstream perms((*it)[2].str());
        std::string p;
        for (int row; perms >> p >> row;) rows.insert(row);
        const int length = std::stoi((*it)[1].str());
        auto known = shortest.find(rows);
        if (known == shortest.end() || length < known->second) shortest[rows] = length;
    }
    return shortest;
}

// An exhaustive pass covers the whole tree: it reaches every S-box gated passes reach, never
// with a longer program, and the report says where no program exists at all (PRINCE's S-box
// within ten instructions).
TEST(Exhaustive, CoversWhatGatedPassesReach) {
    const std::string easy = "2,7,4,0,10,15,8,13,3,6,5,1,11,14,9,12", prince = "bf32ac916780e5d4";
    const std::string list =
        sbtool({"targets", "--inverse", "--perms", easy}).out + sbtool({"targets", "--inverse", prince}).out;
    const std::vector<std::string> limits = {"--max-length", "10", "--deadlines", "4,6,8", "--threads", "2"};
    std::string dirs[2];
    for (int exhaustive = 0; exhaustive < 2; exhaustive++) {
        dirs[exhaustive] = make_temp_dir();
        write_file(dirs[exhaustive] + "/sb2.txt", list);
        const tool_result r = sbtool_program(
            with(with({"search", "--dir", dirs[exhaustive]}, limits), {exhaustive ? "--exhaustive" : "--passes=3"}));
        ASSERT_EQ(r.status, 0) << r.err;
    }
    const std::string gated = read_file(dirs[0] + "/prgs1b.txt"), whole = read_file(dirs[1] + "/prgs1b.txt");
    EXPECT_EQ(whole.rfind("Parameters 1  4  3  65535  1  29  216750081  exhaustive\nPrograms  9  4  6  8\nStarting 0\n", 0),
              0u) << whole.substr(0, 120);
    EXPECT_EQ(whole.find("Starting 1"), std::string::npos) << "one pass";
    const auto reached = shortest_per_class(gated), everything = shortest_per_class(whole);
    ASSERT_FALSE(reached.empty());
    for (const auto& [rows, length] : reached) {
        const auto found = everything.find(rows);
        ASSERT_NE(found, everything.end()) << "row " << *rows.begin();
        EXPECT_LE(found->second, length) << "row " << *rows.begin();
    }
    const std::string identity = "0123456789abcdef";
    const tool_result report = sbtool({"report", "--sboxes", prince, "--sboxes", identity, dirs[1] + "/prgs1b.txt"});
    EXPECT_NE(report.out.find(prince + "  none    -       none            -               none"), std::string::npos)
        << report.out;
    EXPECT_NE(report.out.find(identity + "  -       -       -               -               -"), std::string::npos)
        << "not on the list, so not searched for";
    EXPECT_NE(report.out.find("searched the whole tree of programs of up to 10 instructions"), std::string::npos);
    const tool_result gated_report = sbtool({"report", "--sboxes", prince, dirs[0] + "/prgs1b.txt"});
    EXPECT_EQ(gated_report.out.find("none"), std::string::npos) << "gated passes prove nothing";

    // A finished exhaustive run that reached nothing holds no record, yet it is no failed run.
    const std::string nothing = make_temp_dir();
    write_file(nothing + "/sb2.txt", sbtool({"targets", "--inverse", prince}).out);
    ASSERT_EQ(sbtool_program(with({"search", "--exhaustive", "--dir", nothing}, limits)).status, 0);
    const tool_result check = sbtool({"check", nothing + "/prgs1b.txt"});
    EXPECT_EQ(check.status, 1);
    EXPECT_EQ(check.err, "sbtool check: " + nothing +
                             "/prgs1b.txt: no record: the exhaustive search finished without reaching a listed S-box\n");
    const tool_result best = sbtool({"best", nothing + "/prgs1b.txt"});
    EXPECT_EQ(best.status, 0) << best.err;
    EXPECT_EQ(best.out, "");
}

// What would spoil a run is refused before the list is loaded, and a failure during the run
// is reported on standard error too.
TEST(Failures, RefusedBeforeOrReportedDuringTheRun) {
    const struct {
        const char* what;
        std::function<void(const std::string&)> make;
        const char* err;
    } cases[] = {
        {"output is a directory", [](const std::string& d) { make_dir(d + "/prgs1b.txt"); },
         "sbtool search: cannot write prgs1b.txt in DIR: it is a directory\n"},
        {"passes done, no record",
         [](const std::string& d) {
             write_file(d + "/sb2.txt", read_file(TEST_DATA_DIR "/present.txt"));  // nothing in 8 instructions
             ASSERT_EQ(sbtool_program({"search", "--passes", "2", "--max-length", "8", "--deadlines", "4,6,7",
                                       "--dir", d}).status, 0);
         },
         "sbtool search: prgs1b.txt in DIR already holds 2 finished passes: go on with that run with --resume, or "
         "start over with --force (which overwrites it)\n"},
        {"output is a device", [](const std::string& d) { make_link("/dev/full", d + "/prgs1b.txt"); },
         "sbtool search: cannot write prgs1b.txt in DIR: it is not a regular file\n"},
        {"checkpoint cannot be replaced", [](const std::string& d) { make_dir(d + "/prgs1b.txt.checkpoint.new"); },
         "sbtool search: Error removing prgs1b.txt.checkpoint.new: Is a directory\n"},
    };
    for (const auto& c : cases) {
        const std::string dir = run_dir();
        c.make(dir);
        const tool_result r = sbtool_program({"search", "--passes", "1", "--dir", dir});
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_EQ(r.err, std::regex_replace(c.err, std::regex("DIR"), dir)) << c.what;
    }
}

// Two searches in one directory would tear each other's records: the second, sbtool search or
// prgs1, is refused with one line and leaves the file alone.
TEST(Failures, OneSearchADirectory) {
    const std::string refused = "another search is running in this directory: let it end or stop it first\n";
    const struct {
        const char* what;
        bool prgs1_first, prgs1_second;
    } pairs[] = {{"sbtool, then sbtool", false, false}, {"sbtool, then prgs1", false, true}, {"prgs1, then sbtool", true, false}};
    for (const auto& p : pairs) {
        const std::string dir = run_dir();
        const std::string prgs1_here = "cd " + quoted(dir) + " && exec " + PRGS1_PATH;
        const pid_t first = p.prgs1_first ? start_sbtool({"-c", prgs1_here}, dir + "/first.console", "/bin/sh")
                                          : start_sbtool(with(three_passes, {dir}), dir + "/first.console");
        ASSERT_TRUE(wait_for_text(dir + "/prgs1b.txt", "Starting 0\n")) << p.what;
        const std::string before = read_file(dir + "/prgs1b.txt");
        const tool_result second = p.prgs1_second ? shell(prgs1_here)
                                                  : sbtool_program({"search", "--resume", "--passes", "3", "--dir", dir});
        const std::string after = read_file(dir + "/prgs1b.txt");
        kill(first, SIGKILL);
        waitpid(first, nullptr, 0);
        EXPECT_EQ(second.status, 1) << p.what;
        const std::string message = p.prgs1_second ? second.out : second.err;
        EXPECT_EQ(message, p.prgs1_second ? "prgs1: " + refused
                                          : "sbtool search: another search is running in " + dir +
                                                ": let it end or stop it first\n")
            << p.what;
        EXPECT_EQ(after.rfind(before, 0), 0u) << p.what << ": the first search's output goes on undisturbed";
        EXPECT_EQ(after.find("Parameters", 1), std::string::npos) << p.what << ": one header";
    }
}

// Leftovers of the checkpoint's temporary file never redirect its write: a link planted in its
// place is removed, not followed, so the file it points to is untouched.
TEST(Failures, CheckpointNeverFollowsALink) {
    const std::string dir = run_dir();
    write_file(dir + "/victim", "keep me\n");
    ASSERT_TRUE(make_link(dir + "/victim", dir + "/prgs1b.txt.checkpoint.new"));
    const tool_result r = sbtool_program({"search", "--passes", "1", "--dir", dir});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(dir + "/victim"), "keep me\n");
    EXPECT_NE(access((dir + "/prgs1b.txt.checkpoint.new").c_str(), F_OK), 0) << "no leftover";
    EXPECT_NE(read_file(dir + "/prgs1b.txt.checkpoint").find("\npass 1\n"), std::string::npos);
}

// Before each checkpoint the output is put on the disk, so that a power cut can never leave a
// checkpoint that covers output still in the page cache. Needs strace to see the calls; the
// leak check of a sanitizer build cannot run under it and is left out there.
TEST(Failures, OutputIsSyncedBeforeEveryCheckpoint) {
    if (shell("command -v strace").status != 0) GTEST_SKIP() << "strace is not installed";
    const std::string dir = run_dir();
    const std::string trace = dir + "/trace";
    const tool_result r = shell("ASAN_OPTIONS=\"$ASAN_OPTIONS:detect_leaks=0\" strace -f -e trace=openat,close,write,fsync,rename -o " + quoted(trace) + " " +
                                SBTOOL_PATH + " search --passes 2 --threads 1 --dir " + quoted(dir));
    ASSERT_EQ(r.status, 0) << r.err;
    // The descriptors open on the output, the one it is written through, and whether anything
    // written through it is not yet synced.
    std::set<std::string> output_fds;
    std::string writer;
    bool unsynced = false;
    int checkpoints = 0;
    static const std::regex open_output(R"re(openat\(AT_FDCWD, "(?:[^"]*/)?prgs1b\.txt", ([A-Z_|]*)[^)]*\) = ([0-9]+))re");
    static const std::regex open_other(R"(openat\(.*\) = ([0-9]+))");
    static const std::regex call_on_fd(R"(\b(write|fsync|close)\(([0-9]+)[,) ])");
    for (const std::string& line : lines_of(read_file(trace))) {
        std::smatch m;
        if (std::regex_search(line, m, open_output)) {
            output_fds.insert(m[2]);
            if (m[1].str().find("O_WRONLY") != std::string::npos) writer = m[2];
        } else if (std::regex_search(line, m, open_other)) {
            output_fds.erase(m[1]);
        } else if (std::regex_search(line, m, call_on_fd) && m[1] == "close") {
            output_fds.erase(m[2]);
        } else if (std::regex_search(line, m, call_on_fd) && output_fds.count(m[2])) {
            if (m[1] == "write" && m[2] == writer) unsynced = true;
            if (m[1] == "fsync") unsynced = false;
        } else if (line.find("rename(") != std::string::npos && line.find("prgs1b.txt.checkpoint.new\"") != std::string::npos) {
            checkpoints++;
            EXPECT_FALSE(unsynced) << "checkpoint " << checkpoints << " covers output not yet on the disk";
        }
    }
    EXPECT_EQ(checkpoints, 3) << "one a pass, one at the end";
}

TEST(Failures, LoadErrorsGoToStandardErrorToo) {
    const std::string dir = make_temp_dir();
    const tool_result r = sbtool_program({"search", "--dir", dir});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "sbtool search: sb2.txt: cannot be opened\n");
    EXPECT_NE(r.out.find("sb2.txt: cannot be opened\n"), std::string::npos) << "the console shows it as prgs1 does";
}

// A thread that cannot be created, or memory that runs out, ends the search with one line and
// status 1, and the output holds what was written before. (The memory runs out here reading a
// list of a gigabyte of zeros, a sparse file.)
TEST(Failures, ResourceLimits) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "an address-space limit stops the sanitizer's own start-up";
#else
    const struct {
        const char* what;
        unsigned long megabytes;
        const char* threads;
        const char* err;
        const char* output;
    } limits[] = {
        {"threads", 512, "400", "sbtool search: cannot start a search thread: ",
         "Parameters 1  4  3  20000  1  29  216750081\nPrograms  15  7  11  14\n"},
        {"memory", 256, "2", "sbtool search: out of memory\n", ""},
    };
    for (const auto& l : limits) {
        const std::string dir = run_dir();
        if (l.output[0] == '\0') {
            ASSERT_EQ(truncate((dir + "/sb2.txt").c_str(), 1l << 30), 0);
        }
        const ChildResult r = run_in_child([&] {
            const rlimit limit = {l.megabytes << 20, l.megabytes << 20};
            if (setrlimit(RLIMIT_AS, &limit) != 0) _exit(121);
            const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            dup2(err, 2);
            execl(SBTOOL_PATH, SBTOOL_PATH, "search", "--threads", l.threads, "--passes", "1", "--dir", dir.c_str(),
                  static_cast<char*>(nullptr));
            _exit(127);
        });
        EXPECT_EQ(r.status, 1) << l.what << ": " << r.out;
        const std::string err = read_file(dir + "/err");
        EXPECT_EQ(err.rfind(l.err, 0), 0u) << l.what << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << l.what << ": " << err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), l.output) << l.what;
    }
#endif
}

}  // namespace
