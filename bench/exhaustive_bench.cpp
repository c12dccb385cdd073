// Times a whole exhaustive pass (the random gate open on every branch) on a target list,
// default PRESENT alone (what `sbtool targets c56b90ad3ef84712` writes), on one thread, on two,
// and, where MPI is built, on two ranks of one thread each (mpirun -np 2 sbtool-mpi), with the
// pass's signature (the sum of its node and output counters), the same on every run.
//   exhaustive_bench [LIST [THREADS...]]    (default threads: 1 2)
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench/work_dir.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/run.h"

namespace {

const char* const present_alone = "12 5 6 11 9 0 10 13 3 14 15 8 4 7 1 2\n";

struct timing {
    double seconds = 0;
    uint64_t signature = 0;
};

uint64_t signature(const search_counters& c) {
    uint64_t sum = c.l1 + c.l2 + c.l3 + c.l4 + c.l5;
    for (uint64_t n : c.nodecnt) sum += n;
    return sum;
}

// One exhaustive pass on `threads` threads in a child process.
timing time_pass(const std::string& list, int threads) {
    return in_child(list, [threads] {
        run_context run;
        start_up(run);
        run.settings.exhaustive = true;
        run.settings.passes = 1;
        const auto start = std::chrono::steady_clock::now();
        const parallel_figures f = search_parallel(run, threads);
        timing t;
        t.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        t.signature = signature(f.total);
        return t;
    });
}

#if defined(SBTOOL_MPI_PATH) && defined(MPIEXEC_PATH)
// The wall seconds of the pass as an MPI job of `ranks` ranks of one thread each, the
// loading of the list included.
double time_job(const std::string& list, int ranks) {
    return in_child(list, [ranks] {
        const auto start = std::chrono::steady_clock::now();
        const pid_t job = fork();
        if (job == 0) {
            setenv("OMPI_ALLOW_RUN_AS_ROOT", "1", 1);
            setenv("OMPI_ALLOW_RUN_AS_ROOT_CONFIRM", "1", 1);
            const std::string count = std::to_string(ranks);
            execl(MPIEXEC_PATH, MPIEXEC_PATH, "--oversubscribe", "-np", count.c_str(), SBTOOL_MPI_PATH, "search",
                  "--exhaustive", "--threads", "1", "--quiet", static_cast<char*>(nullptr));
            _exit(127);
        }
        int status = 0;
        waitpid(job, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) _exit(2);
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    });
}
#endif

}  // namespace

int main(int argc, char** argv) {
    std::string list = argc > 1 ? argv[1] : "";
    if (list.empty()) {
        char path[] = "/tmp/exhaustive_bench.XXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0 || write(fd, present_alone, std::string(present_alone).size()) < 0) return 2;
        close(fd);
        list = path;
        remove_at_exit(list);
    }
    std::vector<int> threads;
    for (int i = 2; i < argc; i++) threads.push_back(std::atoi(argv[i]));
    if (threads.empty()) threads = {1, 2};
    std::printf("list %s\n", argc > 1 ? list.c_str() : "PRESENT alone (c56b90ad3ef84712)");
    for (int t : threads) {
        const timing r = time_pass(list, t);
        std::printf("%d thread%s   %8.1f s   signature %llu\n", t, t == 1 ? " " : "s", r.seconds,
                    static_cast<unsigned long long>(r.signature));
        std::fflush(stdout);
    }
#if defined(SBTOOL_MPI_PATH) && defined(MPIEXEC_PATH)
    std::printf("mpirun -np 2, one thread a rank   %8.1f s\n", time_job(list, 2));
#endif
    return 0;
}
