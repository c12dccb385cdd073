#include "child_process.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace {
constexpr int returned_code = 250;
}

ChildResult run_in_child(const std::function<void()>& body) {
    std::cout.flush();
    std::fflush(nullptr);
    int fds[2];
    if (pipe(fds) != 0) return {};
    pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        dup2(fds[1], 1);
        close(fds[1]);
        body();
        std::cout.flush();
        std::fflush(nullptr);
        _exit(returned_code);
    }
    close(fds[1]);
    ChildResult result;
    char buffer[4096];
    ssize_t got;
    while ((got = read(fds[0], buffer, sizeof buffer)) > 0) result.out.append(buffer, got);
    close(fds[0]);
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    if (WIFEXITED(wstatus)) {
        result.status = WEXITSTATUS(wstatus);
        result.returned = result.status == returned_code;
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
    return result;
}

void expect_exit(const std::function<void()>& body, const std::string& out, int status) {
    const ChildResult r = run_in_child(body);
    EXPECT_EQ(r.out, out);
    EXPECT_EQ(r.status, status);
}

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

std::string make_temp_dir() {
    const char* base = std::getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/sbtest.XXXXXX";
    char* made = mkdtemp(pattern.data());
    return made ? std::string(made) : std::string();
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
}

bool change_dir(const std::string& dir) {
    return chdir(dir.c_str()) == 0;
}

bool make_link(const std::string& target, const std::string& path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

bool make_dir(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0;
}
