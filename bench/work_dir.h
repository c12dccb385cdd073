// The benchmarks' working directory: a fresh folder under /tmp holding the list as sb2.txt,
// removed when the benchmark process ends; and runs in a child process of their own there.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>

// Removes dir once the calling process has ended, however it ends: by returning from main, by
// _exit (as the forked runs of parallel_bench do) or by a signal (Ctrl-C). A helper process in
// a session of its own, out of reach of the terminal's signals, waits on a pipe whose only
// write end the caller holds; the end of the caller closes it. The helper sleeps in read()
// until then, so it takes nothing from the timed run. Call it before starting threads.
inline void remove_at_exit(const std::string& dir) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const pid_t helper = fork();
    if (helper == 0) {
        setsid();
        close(fds[1]);
        const int null_fd = open("/dev/null", O_RDWR);
        for (int fd = 0; fd < 3; ++fd) dup2(null_fd, fd);
        char byte;
        ssize_t got;
        do got = read(fds[0], &byte, 1);
        while (got > 0 || (got < 0 && errno == EINTR));
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
        _exit(0);
    }
    close(fds[0]);
    if (helper < 0) close(fds[1]);
    else fcntl(fds[1], F_SETFD, FD_CLOEXEC);
}

// Copies the list into a fresh directory as sb2.txt and makes it the working directory.
inline bool enter_work_dir(const std::string& list) {
    char pattern[] = "/tmp/sbox_bench.XXXXXX";
    const char* dir = mkdtemp(pattern);
    if (!dir) return false;
    remove_at_exit(dir);
    std::ifstream in(list, std::ios::binary);
    std::ofstream out(std::string(dir) + "/sb2.txt", std::ios::binary);
    if (!in || !out) return false;
    out << in.rdbuf();
    out.close();
    return chdir(dir) == 0;
}

// Sends standard output to /dev/null, so that the search's own console lines stay out of the
// figures; returns what restore_console needs.
inline int silence_console() {
    std::cout.flush();
    std::fflush(stdout);
    const int console = dup(1);
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    close(null_fd);
    return console;
}

// Standard output back to where it went before silence_console.
inline void restore_console(int console) {
    std::cout.flush();
    std::fflush(stdout);
    dup2(console, 1);
    close(console);
}

// Runs measure() in a child process working in a fresh directory that holds list as sb2.txt,
// with the search's console lines thrown away, and returns what it measured (a plain value).
// The search's tables are per process, so every run gets a process of its own.
template <typename F>
auto in_child(const std::string& list, F measure) -> decltype(measure()) {
    using result = decltype(measure());
    int fds[2];
    if (pipe(fds) != 0) std::exit(2);
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        if (!enter_work_dir(list) || !freopen("/dev/null", "w", stdout)) _exit(2);
        const result value = measure();
        if (write(fds[1], &value, sizeof value) != sizeof value) _exit(2);
        _exit(0);
    }
    close(fds[1]);
    result value{};
    const bool got = read(fds[0], &value, sizeof value) == sizeof value;
    close(fds[0]);
    waitpid(pid, nullptr, 0);
    if (!got) {
        std::fprintf(stderr, "a run on %s failed\n", list.c_str());
        std::exit(2);
    }
    return value;
}

// The speed-up the parallel design allows on n cores when the walk is a share s of the work:
// the walk runs on one core while the rest spreads over all n.
inline double speed_up_bound(double share, int n) {
    return share > 0 ? std::min<double>(n, 1.0 / share) : n;
}
