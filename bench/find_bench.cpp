// sbtool find's scale: members per minute on one thread and on several (and, with --mpi, on one
// rank and on several of one thread each), for the PRESENT S-box, whose find searches
// data/present.txt. Every run does members 0..M-1 in a fresh directory; their find.txt must be
// the same. Independent members need no walker and no ordered merge, so they should gain with
// the cores where one search on a short list cannot.
//   find_bench [MEMBERS [THREADS]] [--mpi]     (default: 32 members, 2 threads)
// Members 0..31 are 26 passes at the defaults (under a second each) and 6 at 17 instructions
// with deadlines 8,12,15 (about 6 s each), the last of them member 29: the threads can share
// the work evenly to the end.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/work_dir.h"

namespace {

struct timed_run {
    std::string label;
    double seconds = 0;
    std::string findings;
};

std::string read_text(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Runs the command in a fresh directory DIR (the command's "DIR" is replaced by it) and times it.
timed_run time_find(const std::string& label, const std::string& command, const std::string& base, int k) {
    const std::string dir = base + "/run" + std::to_string(k);
    std::string line = command;
    line.replace(line.find("DIR"), 3, dir);
    const auto start = std::chrono::steady_clock::now();
    const int status = std::system((line + " > /dev/null 2>&1").c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (status != 0) {
        std::fprintf(stderr, "failed (status %d): %s\n", status, line.c_str());
        std::exit(2);
    }
    return {label, seconds, read_text(dir + "/find.txt")};
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool mpi = false;
    for (auto a = args.begin(); a != args.end();)
        if (*a == "--mpi") mpi = true, a = args.erase(a);
        else ++a;
    const long members = !args.empty() ? std::atol(args[0].c_str()) : 32;
    const int threads = args.size() > 1 ? std::atoi(args[1].c_str()) : 2;
    if (args.size() > 2 || members < 1 || threads < 2 || (args.size() > 0 && args[0][0] == '-')) {
        std::fprintf(stderr, "usage: find_bench [MEMBERS [THREADS]] [--mpi]\n");
        return 2;
    }
#ifndef SBTOOL_MPI_PATH
    if (mpi) {
        std::fprintf(stderr, "find_bench: this build has no sbtool-mpi\n");
        return 2;
    }
#endif
    char pattern[] = "/tmp/find_bench.XXXXXX";
    if (!mkdtemp(pattern)) return 2;
    const std::string base = pattern;
    remove_at_exit(base);
    const std::string find = std::string(SBTOOL_PATH) + " find c56b90ad3ef84712 --dir DIR --members " +
                             std::to_string(members);
    std::vector<timed_run> runs;
    runs.push_back(time_find("1 thread", find + " --threads 1", base, 0));
    runs.push_back(time_find(std::to_string(threads) + " threads", find + " --threads " + std::to_string(threads), base, 1));
#ifdef SBTOOL_MPI_PATH
    if (mpi) {
        setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
        setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
        const std::string job = std::string(MPIEXEC_PATH) + " -np ";
        const std::string rest = std::string(" ") + SBTOOL_MPI_PATH + " find c56b90ad3ef84712 --dir DIR --threads 1 --members " +
                                 std::to_string(members);
        runs.push_back(time_find("1 rank", job + "1" + rest, base, 2));
        runs.push_back(time_find(std::to_string(threads) + " ranks", job + std::to_string(threads) + rest, base, 3));
    }
#endif
    std::printf("members 0..%ld of sbtool find c56b90ad3ef84712 (the list data/present.txt)\n", members - 1);
    std::printf("%-10s  %9s  %14s  %8s  %s\n", "run", "wall", "members/min", "speed-up", "find.txt");
    for (size_t k = 0; k < runs.size(); k++) {
        const timed_run& r = runs[k];
        const timed_run& one = runs[k - k % 2];
        std::printf("%-10s  %8.2fs  %14.2f  %8.2f  %s\n", r.label.c_str(), r.seconds, members * 60.0 / r.seconds,
                    one.seconds / r.seconds, r.findings == runs[0].findings ? "same" : "DIFFERS");
    }
    for (const timed_run& r : runs)
        if (r.findings != runs[0].findings || r.findings.empty()) return 1;
    return 0;
}
