// Start-up and the search driver: passes over the ten start pairs, with the output file's
// pass lines and the console summary after each pass.
#pragma once

#include <string>

#include "search/state.h"

// Builds every table in start-up order, with its console lines, ready for a search: the
// class tables from the target list at list_path, the injectivity tables, and the deadline
// flags of the limits in force.
void start_up(const std::string& list_path = "sb2.txt");
// Runs passes for ever.
[[noreturn]] void search();
// Runs the search until `max_start_pairs` start pairs (ten to a pass) are done; a negative
// bound never stops. Returns the search's counters.
search_counters search_bounded(long max_start_pairs);

// The pieces of a run, for drivers that arrange the passes differently:
// target tables, generator seeding and the output file with its header, once per run;
void begin_search();
// one start pair, from a fresh machine;
void run_start_pair(search_state& s, int pair);
// and the four summary lines of a pass that took `seconds`, with the counters c.
void print_summary(const search_counters& c, double seconds);
