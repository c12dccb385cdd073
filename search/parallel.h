// The search on several threads, with exactly the output of the single-threaded search.
// One thread walks the part of the tree where the random gate draws, in the sequential order
// and with the same generator, and hands every draw-free subtree to worker threads in
// batches. The calling thread merges the results strictly in the walk's order: it applies
// the duplicate test, writes the records, and prints every progress line and pass summary
// with the counter values the sequential search would have had at that point.
#pragma once

#include <cstdint>

#include "search/state.h"

// Figures of a parallel run: the counters of the whole search, and how much of the work the
// walking thread did itself (the part that cannot be spread).
struct parallel_figures {
    uint64_t walker_verify_calls;  // verify calls made by the walking thread itself
    search_counters total;         // the search's counters, as the sequential search ends with
};

// Runs the run's passes (see run_settings) on `threads` threads (the walking thread and
// threads - 1 workers; the walker runs batches too while the queue is full), after start_up().
// Output file and console as the sequential search writes them. A thread that cannot be
// started throws std::runtime_error before the first pass begins (the output file holds its
// header then).
parallel_figures search_parallel(int threads);
