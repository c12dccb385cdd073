// Start-up and the search driver: passes over the ten start pairs, the output file
// "prgs1b.txt" with its header, and the console summary after each pass.
#pragma once

#include <cstdint>
#include <fstream>

#include "search/ot.h"

extern const char* filename;
extern std::ofstream ostr;
// Flags of the instruction indices at which the verification's deadlines fall.
extern int cutdepth[24];

// Builds every table in start-up order, with its console lines, ready for search().
void start_up();
// Runs passes for ever.
[[noreturn]] void search();
// Runs the search until `max_start_pairs` start pairs (ten to a pass) are done; a negative
// bound never stops.
void search_bounded(long max_start_pairs);

// Ends the process with a one-line message when ostr has failed to take what was written.
void check_output_written();

// The pieces of a run, for drivers that arrange the passes differently:
// target tables, generator seeding and the output file with its header, once per run;
void begin_search();
// the line that opens pass `loops` in the output file (flushed);
void write_pass_start(int loops);
// one start pair, from a fresh machine;
void run_start_pair(int s, ot* prog);
// and the four summary lines of a pass that took `seconds`.
void print_summary(double seconds);

constexpr int start_pairs = 10;
