// The search on several threads, with exactly the output of the single-threaded search.
// One thread walks the part of the tree where the random gate draws (walk.h) and hands every
// draw-free subtree to worker threads in batches; the calling thread merges the results
// strictly in the walk's order (merge.h).
#pragma once

#include "search/merge.h"

// Runs the run's passes (see run_settings) on `threads` threads (the walking thread and
// threads - 1 workers; the walker runs batches too while the queue is full), once its list is
// loaded. Output file and console as the sequential search writes them. A thread that cannot
// be started throws std::runtime_error before the first pass begins (the output file holds its
// header then).
parallel_figures search_parallel(run_context& run, int threads);
