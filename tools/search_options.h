// The options every search command shares (sbtool search, and the cluster search): threads,
// passes, working directory, resumption, seed, console, gate and the limits of the programs
// searched.
#pragma once

#include <string>
#include <vector>

#include "search/limits.h"
#include "tools/args.h"

struct search_options {
    int threads = 1;
    bool threads_given = false;  // --threads on the command line
    long passes = -1;  // -1: until stopped
    std::string dir;   // empty: the current directory
    search_limits limits;
    bool limits_given = false;  // --max-length or --deadlines on the command line
    uint32_t seed = default_seed;
    bool seed_given = false;
    bool resume = false;  // go on with the run in dir
    bool force = false;   // start over even where an output with records stands
    bool quiet = false;   // no progress lines on the console
    bool exhaustive = false;  // one pass with the random gate open
    int checkpoint_seconds = 60;  // between checkpoints within a pass
};

// Threads when none are asked for: one per core.
int default_threads();

// The option table for parse_command_line.
std::vector<option_spec> search_option_specs();
// The options as given, checked; a usage error names the option and what it takes.
search_options read_search_options(const command_line& line);
// The help lines of the options but --threads, which each command words for itself.
extern const char* const search_options_help;
