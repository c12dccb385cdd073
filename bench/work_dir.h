// The benchmarks' working directory: a fresh folder under /tmp holding the list as sb2.txt,
// removed when the benchmark process ends.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <cstdio>
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
