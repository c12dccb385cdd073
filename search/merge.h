// The merge of a parallel search: the steps of the walk applied strictly in walk order, so that
// the output file and the console are the sequential search's. The duplicate test and the
// records happen in the order the sequential search meets the S-boxes, and every progress line
// and pass summary shows the counters the sequential search had at that point: the walker's
// own, plus what every batch merged so far added, plus what the run started with.
#pragma once

#include <chrono>
#include <cstdint>
#include <ctime>

#include "random/random.h"
#include "search/run.h"
#include "search/state.h"
#include "search/walk.h"

// Figures of a parallel run: the counters of the whole search, and how much of the work the
// walk itself did (the part that cannot be spread).
struct parallel_figures {
    uint64_t walker_verify_calls = 0;  // verify calls made by the walk itself
    search_counters total;             // the search's counters, as the sequential search ends with
};

class walk_merger {
public:
    // start: where the run starts, with the counters it carries.
    walk_merger(run_context& run, const run_start& start)
        : run_(run), merged_(start.counters), resumed_subtrees_(start.merged_subtrees) {}

    // Applies the next step of the walk: records, console lines, checkpoints (at the start of
    // every pass, and within a pass every run_settings::checkpoint_seconds as batches are
    // merged). True
    // once it was the last.
    bool apply(const event& e);
    const parallel_figures& figures() const { return figures_; }

private:
    // A checkpoint at this point of the pass when the latest is old enough.
    void checkpoint_when_due(const event& batch);

    run_context& run_;
    search_counters merged_;  // what the run started with plus every batch merged so far
    search_counters walker_;  // the walker's counters at the latest step that carries them
    uint64_t resumed_subtrees_;  // subtrees of the first pass merged before the run started
    time_t pass_start_ = 0;
    // The pass being merged: its number, the walker's counters and the generators at its start.
    int pass_ = 0;
    search_counters walker_at_pass_start_;
    generator_state pass_generators_{};
    std::chrono::steady_clock::time_point last_checkpoint_ = std::chrono::steady_clock::now();
    parallel_figures figures_;
};
