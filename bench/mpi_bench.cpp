// The cluster search's scale, measured and modelled. Times one pass of sbtool-mpi search on
// the cipher list with one rank and with two (one thread each), and measures the walker share
// of target lists: the thread time of the walk alone (the part of the tree where the random
// gate draws, which one thread of rank 0 walks in order, handing every subtree over) over the
// CPU time of the sequential pass. However many cores run the subtrees, a pass takes at least
// the walk, so the design allows a speed-up of at most min(cores, 1 / share).
//   mpi_bench            the two timed jobs, and the shares of data/present.txt and data/ciphers.txt
//   mpi_bench LIST...    the shares of the given lists only
// Each run happens in a child process, since the search's tables are per process.
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "bench/work_dir.h"
#include "cluster/cluster_search.h"
#include "search/driver.h"
#include "search/run.h"
#include "search/walk.h"

namespace {

double process_seconds() {
    timespec t;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The wall seconds of one pass of sbtool-mpi search on `ranks` ranks of one thread each.
double time_job(const std::string& list, int ranks) {
    return in_child(list, [ranks] {
        const auto start = std::chrono::steady_clock::now();
        const pid_t job = fork();
        if (job == 0) {
            setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
            setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
            const std::string count = std::to_string(ranks);
            execl(MPIEXEC_PATH, MPIEXEC_PATH, "-np", count.c_str(), SBTOOL_MPI_PATH, "search", "--threads", "1",
                  "--passes", "1", "--quiet", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(job, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) _exit(2);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
}

// The thread seconds of the walk of one pass alone, as rank 0's walking thread does it when the
// other ranks keep up with it: every batch is dropped as soon as it is queued.
double dry_walk() {
    run_context run;
    start_up(run);
    run.settings.passes = 1;
    walk_channel channel(cluster_window(0), cluster_batch_size, cluster_batches_waiting);
    const run_start start = begin_search(run);
    std::thread dropper([&channel] {
        while (event* batch = channel.take_batch(true)) channel.finish_batch(batch);
    });
    std::thread walker(walk, std::ref(channel), std::ref(run), start);
    std::unique_ptr<event> e;
    do e = channel.next_in_order();
    while (e->kind != finish_event);
    walker.join();
    channel.close();
    dropper.join();
    return e->walk_seconds;
}

// The walker share of one pass on list.
double walker_share(const std::string& list) {
    const double sequential = in_child(list, [] {
        run_context run;
        start_up(run);
        const double start = process_seconds();
        search_bounded(run, start_pairs);
        return process_seconds() - start;
    });
    const double walk = in_child(list, dry_walk);
    std::printf("%-24s sequential pass %8.2f s CPU   walk %7.2f s   walker share %.4f\n", list.c_str(), sequential,
                walk, walk / sequential);
    return walk / sequential;
}

void print_bounds(const std::string& list, double share) {
    std::printf("%-24s speed-up at most   8 cores %6.2f   64 cores %6.2f   512 cores %6.2f\n", list.c_str(),
                speed_up_bound(share, 8), speed_up_bound(share, 64), speed_up_bound(share, 512));
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> lists(argv + 1, argv + argc);
    if (lists.empty()) {
        const std::string ciphers = std::string(BENCH_DATA_DIR) + "/ciphers.txt";
        const double one = time_job(ciphers, 1);
        const double two = time_job(ciphers, 2);
        std::printf("%-24s mpirun -np 1 %8.2f s   -np 2 %8.2f s   speed-up %.2f\n", ciphers.c_str(), one, two, one / two);
        std::fflush(stdout);
        lists = {std::string(BENCH_DATA_DIR) + "/present.txt", ciphers};
    }
    for (const std::string& list : lists) print_bounds(list, walker_share(list));
    return 0;
}
