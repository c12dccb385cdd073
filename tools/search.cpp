// sbtool search: the search that prgs1 runs, on several threads, with the same output file
// and console lines, a checkpoint at every pass to go on from, and a clean stop on Ctrl-C.
#include <iostream>

#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/status.h"
#include "tools/search_setup.h"
#include "tools/tool.h"

namespace {

const char* const help_head =
    "usage: sbtool search [--threads N] [--passes N] [--dir DIR] [--resume | --force] [--seed N]\n"
    "                     [--quiet] [--exhaustive] [--max-length N] [--deadlines A,B,C]\n"
    "\n"
    "Runs the search of prgs1 in DIR (default: the current directory): reads the target list\n"
    "sb2.txt there, writes prgs1b.txt there and prints the same console lines. The output\n"
    "file and the console (apart from the pass times) are byte for byte those of prgs1,\n"
    "whatever the number of threads, unless --quiet, --seed, --exhaustive or other limits\n"
    "are given. Unlike prgs1, it refuses an sb2.txt without an S-box, with a last S-box of\n"
    "fewer than sixteen values or with a value that is not a decimal number 0..15 (such as\n"
    "+12 or 65548, which prgs1 reads modulo 65536), before it writes anything.\n"
    "\n"
    "  --threads N       threads (default: the cores this process may use, at most 4096); 1\n"
    "                    runs the sequential search\n";

const char* const help_tail =
    "\n"
    "When standard error is a terminal, one status line there shows the pass, the start\n"
    "pair, the time, the records, the candidate programs per second and the time left.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the search at once; a record being written is finished\n"
    "and flushed first, so prgs1b.txt always ends with a complete record or a \"Starting\"\n"
    "line. The exit status is then 128 plus the signal number (130 for Ctrl-C).\n";

}  // namespace

int search_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    report_faults_on_stderr("sbtool search: ");
    end_on_out_of_memory();
    search_options options;
    search_setup setup;
    if (!start_search_command(args, {"sbtool search", help_head, help_tail, "sbtool search"}, out, err, options, setup))
        return 0;
    setup.status.start();
    // An exhaustive pass takes hours: its merge writes checkpoints within the pass, on one
    // thread too.
    if (options.threads == 1 && !options.exhaustive) search_bounded(setup.run, -1);
    else search_parallel(setup.run, options.threads);
    setup.status.stop();
    return 0;
}
