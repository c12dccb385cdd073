// sbtool search: the search that prgs1 runs, on several threads, with the same output file
// and console lines, and a clean stop on Ctrl-C.
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "search/driver.h"
#include "search/interrupt.h"
#include "search/parallel.h"
#include "tools/search_options.h"
#include "tools/tool.h"

namespace {

const char* const help_text_head =
    "usage: sbtool search [--threads N] [--passes N] [--dir DIR] [--max-length N] [--deadlines A,B,C]\n"
    "\n"
    "Runs the search of prgs1 in DIR (default: the current directory): reads the target list\n"
    "sb2.txt there, writes prgs1b.txt there and prints the same console lines. The output\n"
    "file and the console (apart from the pass times) are byte for byte those of prgs1,\n"
    "whatever the number of threads.\n"
    "\n"
    "  --threads N       threads (default: the number of cores, at most 4096); 1 runs the\n"
    "                    sequential search\n"
    "  --passes N        stop after N whole passes (default: run until stopped)\n"
    "  --dir DIR         the working directory of the search\n";

const char* const help_text_tail =
    "\n"
    "With other limits than the defaults the search reaches programs that prgs1 cannot (and\n"
    "a pass costs more); the header's \"Programs\" line shows the limits in force.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the search at once; a record being written is finished\n"
    "and flushed first, so prgs1b.txt always ends with a complete record or a \"Starting\"\n"
    "line. The exit status is then 128 plus the signal number (130 for Ctrl-C).\n";

}  // namespace

int search_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line = parse_command_line(args, search_option_specs());
    if (line.help) {
        out << help_text_head << search_limits_help << help_text_tail;
        return 0;
    }
    require_operands(line, 0, 0, {});
    const search_options options = read_search_options(line);
    if (!options.dir.empty() && chdir(options.dir.c_str()) != 0)
        data_error("cannot enter " + printable(options.dir) + ": " + std::strerror(errno));
    out.flush();
    install_clean_stop();
    limits = options.limits;
    start_up();
    if (options.threads == 1) search_bounded(options.passes < 0 ? -1 : options.passes * start_pairs);
    else search_parallel(options.threads, options.passes);
    return 0;
}
