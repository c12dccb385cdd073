#include "child_process.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>
#include <sstream>

namespace {
constexpr int returned_code = 250;

// The temporary directories made by make_temp_dir, each with the process that made it. At exit
// a process removes only its own: a child that calls exit() must not remove its parent's.
class temp_dirs {
public:
    void add(const std::string& path) { made_.push_back({getpid(), path}); }
    ~temp_dirs() {
        std::error_code ignored;
        for (const made& m : made_)
            if (m.maker == getpid()) std::filesystem::remove_all(m.path, ignored);
    }

private:
    struct made {
        pid_t maker;
        std::string path;
    };
    std::vector<made> made_;
};

temp_dirs& registry() {
    static temp_dirs dirs;
    return dirs;
}
}  // namespace

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
        if (result.status == cannot_enter_dir_status)
            ADD_FAILURE() << "the child process could not enter its working directory";
    } else if (WIFSIGNALED(wstatus)) {
        result.signal = WTERMSIG(wstatus);
    }
    return result;
}

pid_t start_program(const std::vector<std::string>& argv, const std::string& out_path, const std::string& err_path,
                    bool for_mpirun) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (for_mpirun) {
            setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
            setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
#if defined(__SANITIZE_ADDRESS__)
            const char* options = std::getenv("ASAN_OPTIONS");
            setenv("ASAN_OPTIONS", (std::string(options ? options : "") + ":detect_leaks=0").c_str(), 1);
#endif
        }
        const int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out < 0 || err < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) _exit(120);
        std::vector<char*> args;
        for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    return pid;
}

int wait_for_exit(pid_t pid) {
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
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
    if (!made) {
        // An empty path would turn the test's files into files at the root of the file system.
        std::fprintf(stderr, "cannot make a temporary directory %s: %s\n", pattern.c_str(), std::strerror(errno));
        std::exit(1);
    }
    registry().add(made);
    return made;
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

void change_dir(const std::string& dir) {
    if (chdir(dir.c_str()) == 0) return;
    std::fprintf(stderr, "cannot enter %s: %s\n", dir.c_str(), std::strerror(errno));
    _exit(cannot_enter_dir_status);
}

bool make_link(const std::string& target, const std::string& path) {
    return symlink(target.c_str(), path.c_str()) == 0;
}

bool make_dir(const std::string& path) {
    return mkdir(path.c_str(), 0755) == 0;
}

std::string without_pass_times(const std::string& console) {
    static const std::regex pass_time(R"((^|\n)[0-9.e+-]+ ([0-9]+  ))");
    return std::regex_replace(console, pass_time, "$1T $2");
}
