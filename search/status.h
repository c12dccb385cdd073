// The live status line: while a run goes on, one line on standard error (when it is a
// terminal) shows the pass, the start pair, the elapsed time, the records written, candidate
// programs per second and, once a start pair is done, an estimate of the pass's remaining
// time. It is redrawn every second from the latest figures the search reported, and cleared
// around every console line, so standard output is exactly what it would be without it.
#pragma once

#include <cstdint>

#include "search/state.h"

// Starts the line when standard error is a terminal; otherwise nothing happens.
void status_start();
// Clears the line for good.
void status_stop();
// A pass begins.
void status_pass(int pass, const search_counters& counters);
// A start pair (0..9) of the current pass begins.
void status_start_pair(int pair);
// The search's latest counters.
void status_counters(const search_counters& counters);
// A parallel search: a batch with this many verifications has run (from any thread), ahead of
// the ordered merge, so that the rate shows the work done even while the merge waits for an
// earlier batch; and the merge has taken a batch, after which the walk had handed over
// `subtrees` subtrees in the pass.
void status_batch_finished(uint64_t verify_calls);
void status_batch_merged(uint64_t verify_calls, uint64_t subtrees);
// A pass whose walk hands over per_pair[k] subtrees from start pair k (all 0: not counted), of
// which the first `merged` were merged before the run started. The time left is then estimated
// from the share of the pass merged, each start pair taken as a tenth of the work and shared
// evenly among its subtrees.
void status_pass_subtrees(const uint64_t (&per_pair)[start_pairs], uint64_t merged);

// Writes console text to standard output with the status line cleared around it, and flushes.
void console_write(const std::string& text);
