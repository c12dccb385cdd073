// prgs1: searches short register-machine programs for the S-boxes listed in "sb2.txt" and
// writes every newly or more cheaply reached one to "prgs1b.txt". Runs until stopped.
// It takes no arguments: given any, it prints its usage and stops before touching a file, so
// that `prgs1 --help` cannot truncate the prgs1b.txt of an earlier run. `prgs1 --version`
// alone prints its version instead. While another search (prgs1 or sbtool search) runs in the
// same directory it refuses to start. It is built on the library's API alone.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#include "api/sboxsearch.h"

namespace {
// The exit status of a call with arguments, as sbtool ends on a usage error.
constexpr int status_usage = 2;

// Ends with a refusal: the message as the loader words it (with its line end), or as one line
// after "prgs1: " for the run's own refusals.
int refused(const sboxsearch::error& e, bool loading) {
    if (!loading) std::cout << "prgs1: ";
    std::cout << e.what() << (loading ? "" : "\n");
    std::cout.flush();
    return e.status();
}
}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("prgs1 %s\n", sboxsearch::version());
        return 0;
    }
    if (argc > 1) {
        std::fputs("usage: prgs1 (takes no arguments; searches short programs for the S-boxes listed in sb2.txt in "
                   "the working directory and writes them to prgs1b.txt until stopped; prgs1 --version prints its "
                   "version; sbtool search runs the same search with options)\n",
                   stdout);
        return status_usage;
    }
    sboxsearch::end_process_on_out_of_memory();
    // The classic run: fixed seed, default limits, here, for ever, over whatever an earlier run
    // left. Its directory is claimed first, so that a refused run touches nothing.
    sboxsearch::run_options options;
    options.force = true;
    options.console = &std::cout;
    std::unique_ptr<sboxsearch::search> run;
    try {
        run = std::make_unique<sboxsearch::search>(options);
    } catch (const sboxsearch::error& e) {
        return refused(e, false);
    }
    sboxsearch::load_options list;
    list.console = &std::cout;
    list.lenient = true;
    try {
        sboxsearch::load_targets_file("sb2.txt", list);
    } catch (const sboxsearch::error& e) {
        return refused(e, true);
    }
    try {
        run->run();
    } catch (const sboxsearch::error& e) {
        return refused(e, false);
    }
    return 0;
}
