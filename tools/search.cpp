// sbtool search: the search that prgs1 runs, on several threads, with the same output file
// and console lines, and a clean stop on Ctrl-C.
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <thread>

#include "search/driver.h"
#include "search/interrupt.h"
#include "search/parallel.h"
#include "tools/args.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool search [--threads N] [--passes N] [--dir DIR]\n"
    "\n"
    "Runs the search of prgs1 in DIR (default: the current directory): reads the target list\n"
    "sb2.txt there, writes prgs1b.txt there and prints the same console lines. The output\n"
    "file and the console (apart from the pass times) are byte for byte those of prgs1,\n"
    "whatever the number of threads.\n"
    "\n"
    "  --threads N  worker threads (default: the number of cores); 1 runs the sequential search\n"
    "  --passes N   stop after N whole passes (default: run until stopped)\n"
    "  --dir DIR    the working directory of the search\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the search at once; a record being written is finished\n"
    "and flushed first, so prgs1b.txt always ends with a complete record or a \"Starting\"\n"
    "line. The exit status is then 128 plus the signal number (130 for Ctrl-C).\n";

// A whole number of at least 1 given to an option.
long positive_count(const std::string& option, const std::string& text) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > 1000000)
        usage_error("--" + option + " takes a whole number from 1 to 1000000, not " + printable(text));
    return value;
}

int default_threads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

}  // namespace

int search_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line =
        parse_command_line(args, {{"threads", "N"}, {"passes", "N"}, {"dir", "DIR"}});
    if (line.help) {
        out << help_text;
        return 0;
    }
    require_operands(line, 0, 0, {});
    const int threads =
        line.has("threads") ? static_cast<int>(positive_count("threads", line.value_or("threads", ""))) : default_threads();
    const long passes = line.has("passes") ? positive_count("passes", line.value_or("passes", "")) : -1;
    if (line.has("dir")) {
        const std::string dir = line.value_or("dir", ".");
        if (chdir(dir.c_str()) != 0) data_error("cannot enter " + printable(dir) + ": " + std::strerror(errno));
    }
    out.flush();
    install_clean_stop();
    start_up();
    if (threads == 1) search_bounded(passes < 0 ? -1 : passes * start_pairs);
    else search_parallel(threads, passes);
    return 0;
}
