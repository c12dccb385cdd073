#include "tools/search_options.h"

#include <sched.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <thread>

#include "tools/tool.h"

namespace {

// A whole number from `least` to `most` given to an option.
long whole_number(const std::string& option, const std::string& text, long least, long most) {
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < least || value > most)
        usage_error("--" + option + " takes a whole number from " + std::to_string(least) + " to " +
                    std::to_string(most) + ", not " + printable(text));
    return value;
}

// "A,B,C": the three deadlines.
void read_deadlines(const std::string& text, search_limits& l) {
    size_t start = 0;
    for (int k = 0; k < 3; k++) {
        const size_t comma = text.find(',', start);
        const bool last = k == 2;
        if (last != (comma == std::string::npos))
            usage_error("--deadlines takes three indices separated by commas (A,B,C), not " + printable(text));
        const std::string part = text.substr(start, last ? std::string::npos : comma - start);
        l.deadline[k] = static_cast<int>(whole_number("deadlines", part, 0, longest_program));
        start = comma + 1;
    }
}

}  // namespace

int default_threads() {
    // The CPUs this process may run on (taskset, cgroups' cpusets), not all of the machine's.
    cpu_set_t allowed;
    if (sched_getaffinity(0, sizeof allowed, &allowed) == 0 && CPU_COUNT(&allowed) > 0)
        return std::min(CPU_COUNT(&allowed), 4096);
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(std::min(cores, 4096u));
}

const char* const search_options_help =
    "  --passes N        end the run after pass N - 1, N passes in all (default: run until\n"
    "                    stopped); with --resume the passes of the earlier run count too\n"
    "  --dir DIR         the working directory of the search\n"
    "  --resume          go on with the run that stopped in DIR, from the point its last\n"
    "                    checkpoint (prgs1b.txt.checkpoint) names\n"
    "  --force           start over in DIR even though prgs1b.txt there holds records\n"
    "  --seed N          seed the random gate with N (0 to 4294967295) instead of the fixed\n"
    "                    seed: another part of the tree is thinned out\n"
    "  --quiet           leave the progress lines (addop2 ...) out of the console\n"
    "  --exhaustive      one pass with the random gate open on every branch: the whole tree,\n"
    "                    thousands of times the work of a pass; then every listed S-box is\n"
    "                    either reached by the shortest program the rules allow or has none\n"
    "                    within the limits (sbtool report says which)\n"
    "  --checkpoint-seconds N\n"
    "                    within a pass, write a checkpoint every N seconds as the results are\n"
    "                    merged (default 60; on more than one thread, and in every exhaustive\n"
    "                    run): a stop loses at most the work since then\n"
    "  --max-length N    programs of at most N instructions (default 16, at most 20)\n"
    "  --deadlines A,B,C the first output must be fixed before instruction index A, the second\n"
    "                    before B, the third before C (default 7,11,14; 2 <= A < B < C <= N - 1)\n";

std::vector<option_spec> search_option_specs() {
    return {{"threads", "N"},    {"passes", "N"}, {"dir", "DIR"},         {"max-length", "N"},
            {"deadlines", "A,B,C"}, {"seed", "N"},  {"resume", nullptr},   {"force", nullptr},
            {"quiet", nullptr},  {"exhaustive", nullptr}, {"checkpoint-seconds", "N"}};
}

search_options read_search_options(const command_line& line) {
    search_options o;
    o.threads_given = line.has("threads");
    o.threads = o.threads_given ? static_cast<int>(whole_number("threads", line.value_or("threads", ""), 1, 4096))
                                : default_threads();
    o.passes = line.has("passes") ? whole_number("passes", line.value_or("passes", ""), 1, 1000000) : -1;
    o.dir = line.value_or("dir", "");
    if (line.has("max-length"))
        o.limits.length = static_cast<int>(whole_number("max-length", line.value_or("max-length", ""), 1, 1000));
    if (line.has("deadlines")) read_deadlines(line.value_or("deadlines", ""), o.limits);
    o.limits_given = line.has("max-length") || line.has("deadlines");
    const std::string fault = limits_fault(o.limits);
    if (!fault.empty()) usage_error(fault);
    o.seed_given = line.has("seed");
    if (o.seed_given) o.seed = static_cast<uint32_t>(whole_number("seed", line.value_or("seed", ""), 0, 0xffffffffL));
    o.resume = line.flag("resume");
    o.force = line.flag("force");
    o.quiet = line.flag("quiet");
    if (o.resume && o.force) usage_error("--resume goes on with a run, --force starts over: give one of them");
    o.exhaustive = line.flag("exhaustive");
    if (o.exhaustive && o.passes > 1) usage_error("--exhaustive runs one pass, the whole tree: leave out --passes");
    if (o.exhaustive && o.seed_given) usage_error("--exhaustive draws no random numbers: leave out --seed");
    if (o.exhaustive) o.passes = 1;
    if (line.has("checkpoint-seconds"))
        o.checkpoint_seconds =
            static_cast<int>(whole_number("checkpoint-seconds", line.value_or("checkpoint-seconds", ""), 0, 86400));
    return o;
}
