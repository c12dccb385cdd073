// Start-up and the search driver: passes over the ten start pairs, with the output file's
// pass lines and the console summary after each pass.
#pragma once

#include <iostream>
#include <string>

#include "classes/quikfnd3.h"
#include "search/run.h"
#include "search/state.h"

// Builds every table of a loaded list in start-up order, with its lines on `console`, ready
// for runs: the class tables from the target list at list_path (named `list_name` in the
// messages) and the target tables. A list the loader refuses is returned as its fault (the
// loader's phase lines are on the console then, its message not).
load_outcome prepare_search(const std::string& list_path, std::ostream& console = std::cout,
                            const std::string& list_name = "sb2.txt");
// prepare_search on the run's sb2.txt, with its console; a refused list ends the process with
// the loader's message.
void start_up(run_context& run);
// Runs passes for ever.
[[noreturn]] void search(run_context& run);
// Runs the search until `max_start_pairs` start pairs (ten to a pass) are done, the run's
// passes end or it is cancelled; a negative bound never stops. Returns the search's counters.
search_counters search_bounded(run_context& run, long max_start_pairs);

// The pieces of a run, for drivers that arrange the passes differently (with begin_search,
// begin_pass and end_run of the run control): one start pair, from a fresh machine;
void run_start_pair(search_state& s, int pair);
// and the four summary lines of a pass that took `seconds`, with the counters c.
void print_summary(run_context& run, const search_counters& c, double seconds);
