// Start-up and the search driver: passes over the ten start pairs, with the output file's
// pass lines and the console summary after each pass.
#pragma once

#include <iostream>
#include <string>

#include "classes/quikfnd3.h"
#include "search/state.h"

// Builds every table in start-up order, with its lines on `console`, ready for a search: the
// class tables from the target list at list_path and the targets. A list the loader refuses
// is returned as its fault (the loader's phase lines are on the console then, its message not).
load_outcome prepare_search(const std::string& list_path, std::ostream& console = std::cout);
// prepare_search on "sb2.txt"; a refused list ends the process with the loader's message.
void start_up();
// Runs passes for ever.
[[noreturn]] void search();
// Runs the search until `max_start_pairs` start pairs (ten to a pass) are done or the run's
// passes end; a negative bound never stops. Returns the search's counters.
search_counters search_bounded(long max_start_pairs);

// The pieces of a run, for drivers that arrange the passes differently (with begin_search,
// begin_pass and end_run of the run control): one start pair, from a fresh machine;
void run_start_pair(search_state& s, int pair);
// and the four summary lines of a pass that took `seconds`, with the counters c.
void print_summary(const search_counters& c, double seconds);
