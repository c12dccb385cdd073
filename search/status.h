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

// Writes console text to standard output with the status line cleared around it, and flushes.
void console_write(const std::string& text);
