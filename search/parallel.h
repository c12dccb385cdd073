// The search on several threads, with exactly the output of the single-threaded search.
// One thread walks the part of the tree where the random gate draws, in the sequential order
// and with the same generator, and hands every draw-free subtree to worker threads in
// batches. The calling thread merges the results strictly in the walk's order: it applies
// the duplicate test, writes the records, and prints every progress line and pass summary
// with the counter values the sequential search would have had at that point.
#pragma once

#include <cstdint>

// Figures of the last parallel run, for measuring how much of the work can be spread.
struct parallel_figures {
    uint64_t walker_verify_calls;  // verify calls made by the walking thread itself
    uint64_t total_verify_calls;   // verify calls made by all threads
};

// Runs `passes` whole passes (for ever when negative) on `threads` threads (the walking thread
// and threads - 1 workers; the walker runs batches too while the queue is full), after
// start_up(). Output file and console as search_bounded(10 * passes) writes them.
parallel_figures search_parallel(int threads, long passes);
