// prgs1: searches short register-machine programs for the S-boxes listed in "sb2.txt" and
// writes every newly or more cheaply reached one to "prgs1b.txt". Runs until stopped.
// It takes no arguments: given any, it prints its usage and stops before touching a file, so
// that `prgs1 --help` cannot truncate the prgs1b.txt of an earlier run. `prgs1 --version`
// alone prints its version instead. While another search (prgs1 or sbtool search) runs in the
// same directory it refuses to start.
#include <cstdio>
#include <cstring>

#include "foundation/fatal.h"
#include "foundation/version.h"
#include "search/directory_lock.h"
#include "search/driver.h"

namespace {
// The exit status of a call with arguments, as sbtool ends on a usage error.
constexpr int status_usage = 2;
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("prgs1 %s\n", program_version);
        return 0;
    }
    if (argc > 1) {
        std::fputs("usage: prgs1 (takes no arguments; searches short programs for the S-boxes listed in sb2.txt in "
                   "the working directory and writes them to prgs1b.txt until stopped; prgs1 --version prints its "
                   "version; sbtool search runs the same search with options)\n",
                   stdout);
        return status_usage;
    }
    // Another search writing here would tear the records of both.
    if (!lock_directory("."))
        fatal("prgs1: another search is running in this directory: let it end or stop it first\n", 1);
    end_on_out_of_memory();
    run_context run;  // the classic run: fixed seed, default limits, here, for ever
    start_up(run);
    search(run);
}
