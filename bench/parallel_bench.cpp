// Times one pass of the search on target lists with the sequential driver and with the
// parallel one on every core, and prints the speed-up, the share of verify calls the walking
// thread makes itself (the part that cannot be spread) and the bound that share sets. The
// walker runs batches too while it waits, so on P cores the search runs the walk on one core
// and spreads the rest over all P: the bound is min(P, 1 / share).
// Each run happens in a child process, since the search's tables are per process.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/work_dir.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/run.h"

namespace {

struct timing {
    double seconds = 0;
    double walker_share = 0;
};

// One pass on `list` in a child process; threads = 1 runs the sequential driver.
timing time_pass(const std::string& list, int threads) {
    return in_child(list, [threads] {
        run_context run;
        start_up(run);
        timing t;
        const auto start = std::chrono::steady_clock::now();
        if (threads == 1) {
            search_bounded(run, start_pairs);
        } else {
            run.settings.passes = 1;
            const parallel_figures f = search_parallel(run, threads);
            t.walker_share = double(f.walker_verify_calls) / double(f.total.verify_calls);
        }
        t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return t;
    });
}

void measure(const std::string& name, const std::string& list, int cores) {
    const timing one = time_pass(list, 1);
    const timing all = time_pass(list, cores);
    std::printf("%-8s 1 thread %8.2f s   %d threads %8.2f s   ratio %.3f   speed-up %.2f\n", name.c_str(),
                one.seconds, cores, all.seconds, all.seconds / one.seconds, one.seconds / all.seconds);
    std::printf("%-8s walker share of verify calls %.4f   bound %d cores %.2f   8 cores %.2f   64 cores %.2f   "
                "512 cores %.2f\n",
                name.c_str(), all.walker_share, cores, speed_up_bound(all.walker_share, cores), speed_up_bound(all.walker_share, 8),
                speed_up_bound(all.walker_share, 64), speed_up_bound(all.walker_share, 512));
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    const int cores = argc > 1 ? std::atoi(argv[1]) : std::max(2u, std::thread::hardware_concurrency());
    const std::string data = BENCH_DATA_DIR;
    measure("present", data + "/present.txt", cores);
    measure("ciphers", data + "/ciphers.txt", cores);
    return 0;
}
