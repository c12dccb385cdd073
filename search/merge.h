// The merge of a parallel search: the steps of the walk applied strictly in walk order, so that
// the output file and the console are the sequential search's. The duplicate test and the
// records happen in the order the sequential search meets the S-boxes, and every progress line
// and pass summary shows the counters the sequential search had at that point: the walker's
// own, plus what every batch merged so far added, plus what the run started with.
#pragma once

#include <cstdint>
#include <ctime>

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
    // carried: the counters the run starts with.
    explicit walk_merger(const search_counters& carried) : merged_(carried) {}

    // Applies the next step of the walk: records, console lines, checkpoints. True once it was
    // the last.
    bool apply(const event& e);
    const parallel_figures& figures() const { return figures_; }

private:
    search_counters merged_;  // what the run started with plus every batch merged so far
    search_counters walker_;  // the walker's counters at the latest step that carries them
    time_t pass_start_ = 0;
    parallel_figures figures_;
};
