// Times one whole pass of the search (the ten start pairs, or fewer when a count is given) on
// a target list (default: the PRESENT list in data/), under the default limits or a given
// length and deadlines, and prints the figures with a signature of the pass: the sum of the
// node counters and l1..l5, which a change made for speed alone must leave unchanged.
//   prgs1_bench [LIST [START_PAIRS [MAX_LENGTH A,B,C]]]

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>

#include "bench/work_dir.h"
#include "search/driver.h"

namespace {
uint64_t signature(const search_counters& c) {
    uint64_t sum = c.l1 + c.l2 + c.l3 + c.l4 + c.l5;
    for (uint64_t n : c.nodecnt) sum += n;
    return sum;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 4 || argc > 5 || (argc > 1 && argv[1][0] == '-')) {
        std::cerr << "usage: prgs1_bench [LIST [START_PAIRS [MAX_LENGTH A,B,C]]]\n";
        return 2;
    }
    const std::string list = argc > 1 ? argv[1] : std::string(BENCH_DATA_DIR) + "/present.txt";
    const long pairs = argc > 2 ? std::atol(argv[2]) : 10;
    run_context run;
    search_limits& limits = run.limits;
    if (argc > 4) {
        limits.length = std::atoi(argv[3]);
        if (std::sscanf(argv[4], "%d,%d,%d", &limits.deadline[0], &limits.deadline[1], &limits.deadline[2]) != 3 ||
            !limits_fault(limits).empty()) {
            std::cerr << "bad limits " << argv[3] << " " << argv[4] << ": " << limits_fault(limits) << "\n";
            return 2;
        }
    }
    if (!enter_work_dir(list)) {
        std::cerr << "cannot prepare a working directory for " << list << "\n";
        return 2;
    }
    const int console = silence_console();
    start_up(run);
    const auto start = std::chrono::steady_clock::now();
    const search_counters c = search_bounded(run, pairs);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    restore_console(console);
    std::printf("list              %s\n", list.c_str());
    std::printf("limits            %d instructions, deadlines %d,%d,%d\n", limits.length, limits.deadline[0],
                limits.deadline[1], limits.deadline[2]);
    std::printf("wall time         %.3f s\n", seconds);
    std::printf("verify calls      %llu\n", static_cast<unsigned long long>(c.verify_calls));
    std::printf("verify calls/s    %.1f million\n", c.verify_calls / seconds / 1e6);
    std::printf("records written   %llu\n", static_cast<unsigned long long>(c.l5));
    std::printf("signature         %llu\n", static_cast<unsigned long long>(signature(c)));
    return 0;
}
