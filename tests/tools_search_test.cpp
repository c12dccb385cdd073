// sbtool search as a user runs it: the same results with one and with several threads, and a
// clean stop on Ctrl-C.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "child_process.h"
#include "tools_support.h"

namespace {

TEST(SbtoolSearch, SameResultsWithOneAndSeveralThreads) {
    std::string files[2], consoles[2];
    const char* counts[2] = {"1", "3"};
    for (int i = 0; i < 2; i++) {
        const std::string dir = make_temp_dir();
        write_file(dir + "/sb2.txt", list_file("few.txt"));
        const tool_result run = sbtool_program({"search", "--threads", counts[i], "--passes", "1", "--dir", dir});
        ASSERT_EQ(run.status, 0) << run.err;
        files[i] = read_file(dir + "/prgs1b.txt");
        consoles[i] = without_pass_times(run.out);
    }
    EXPECT_NE(files[0].find("found 1 "), std::string::npos);
    EXPECT_EQ(files[1], files[0]);
    EXPECT_EQ(consoles[1], consoles[0]);
    EXPECT_EQ(consoles[0].rfind("Starting Test\n", 0), 0u);
}

TEST(SbtoolSearch, BadOptionsAreUsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--threads", "0"},          {"--threads", "4097"},         {"--passes", "two"},
        {"extra"},                   {"--max-length", "21"},        {"--max-length", "4"},
        {"--deadlines", "8,12"},     {"--deadlines", "8,12,15,16"}, {"--deadlines", "7,7,14"},
        {"--deadlines", "1,11,14"},  {"--deadlines", "7,11,16"},    {"--deadlines", "a,b,c"},
        {"--max-length", "12", "--deadlines", "7,11,12"}};
    for (std::vector<std::string> args : bad) {
        args.insert(args.begin(), "search");
        const tool_result run = sbtool(args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
    const tool_result missing = sbtool({"search", "--dir", "/nonexistent/dir/for/sure"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("cannot enter /nonexistent/dir/for/sure"), std::string::npos) << missing.err;
}

// Midori's Sb0 has no program within the default limits (forty passes reach nothing), but a
// pass with every deadline one later and one more instruction reaches it in 17.
TEST(SbtoolSearch, RaisedLimitsReachWhatTheDefaultsCannot) {
    const std::string midori = "cad3ebf789150246";
    const tool_result list = sbtool({"targets", "--inverse", "--perms", midori});
    ASSERT_EQ(list.status, 0) << list.err;
    std::string files[2];
    for (int raised = 0; raised < 2; raised++) {
        const std::string dir = make_temp_dir();
        write_file(dir + "/sb2.txt", list.out);
        std::vector<std::string> args = {"search", "--threads", "2", "--passes", "1", "--dir", dir};
        if (raised) args.insert(args.end(), {"--max-length", "17", "--deadlines", "8,12,15"});
        const tool_result run = sbtool_program(args);
        ASSERT_EQ(run.status, 0) << run.err;
        files[raised] = dir + "/prgs1b.txt";
    }
    EXPECT_EQ(read_file(files[0]).find("found "), std::string::npos);
    const std::string text = read_file(files[1]);
    EXPECT_NE(text.find("\nPrograms  16  8  12  15\n"), std::string::npos) << text.substr(0, 80);
    EXPECT_NE(text.find("\nfound 1 r 17 "), std::string::npos);
    const std::string listed = files[1].substr(0, files[1].rfind('/')) + "/sb2.txt";
    const tool_result check = sbtool({"check", "--targets", listed, files[1]});
    EXPECT_EQ(check.status, 0) << check.out << check.err;
    const tool_result report = sbtool({"report", "--sboxes", midori, files[1]});
    EXPECT_EQ(report.status, 0) << report.err;
    EXPECT_NE(report.out.find(midori + "  " + midori + "  17      1 "), std::string::npos) << report.out;
}

TEST(SbtoolSearch, CtrlCLeavesCompleteRecords) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", list_file("single.txt"));
    std::cout.flush();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 1);
        execl(SBTOOL_PATH, SBTOOL_PATH, "search", "--threads", "2", "--dir", dir.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the first record is on disk, then interrupt the pass that is still running.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (read_file(dir + "/prgs1b.txt").find("found 1 ") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    kill(pid, SIGINT);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ASSERT_TRUE(WIFEXITED(wstatus));
    EXPECT_EQ(WEXITSTATUS(wstatus), 130);
    const std::string file = read_file(dir + "/prgs1b.txt");
    EXPECT_NE(file.find("found 1 "), std::string::npos);
    EXPECT_TRUE(ends_cleanly(file)) << file.substr(file.size() > 400 ? file.size() - 400 : 0);
}

}  // namespace
