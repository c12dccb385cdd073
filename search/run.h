// Run control: how a run is driven beyond the classic endless search from a fixed seed: its
// seed, how many passes, checkpoints at every pass and going on from one, and what the
// console shows. prgs1 runs with the defaults, which are the classic search.
#pragma once

#include <cstdint>

#include "random/random.h"
#include "search/checkpoint.h"
#include "search/limits.h"
#include "search/state.h"

struct run_settings {
    uint32_t seed = default_seed;        // the random generators' seed
    long passes = -1;                    // the run ends before pass number `passes`; -1: never
    bool checkpoints = false;            // write a checkpoint at the start of every pass
    const checkpoint* resume = nullptr;  // go on from this checkpoint instead of starting afresh
    uint64_t list_hash = 0;              // of the target list, for the checkpoints
    bool quiet = false;                  // leave the progress lines out of the console
    bool exhaustive = false;             // one pass with the random gate open: the whole tree
    // Seconds between the checkpoints a parallel search writes within a pass, as its ordered
    // merge advances; only the work since the latest is lost when the run is stopped.
    double checkpoint_seconds = 60;
};

// The settings of this process's run; set before begin_search, read-only afterwards.
extern run_settings run;

// Where a run starts: the first pass to run, the counters carried into it and, when it goes on
// from within that pass, the subtrees of the pass already merged. The walk of that pass is then
// done again from its start, as it draws the same numbers, but hands over only the later
// subtrees; the counters carried leave out the walk's own work in the pass, which it does again.
struct run_start {
    int pass = 0;
    search_counters counters;
    uint64_t merged_subtrees = 0;
};

// Once per run: the target tables, then either the generators seeded and a new output file
// with its header, or, when resuming, the reached rows, generators and output of the
// checkpoint.
run_start begin_search();
// The start of a pass: the checkpoint (when the run keeps them) and the pass's "Starting"
// line. counters and generators: the run's as the pass starts.
void begin_pass(int pass, const search_counters& counters, const generator_state& generators);
// Within a pass that started with `generators` and the walk's counters walker_at_start, once
// the merge has taken `subtrees` subtrees and the counters merged: a checkpoint from which a
// run goes on at that point.
void keep_checkpoint_within_pass(int pass, uint64_t subtrees, const search_counters& walker_at_start,
                                 const search_counters& merged, const generator_state& generators);
// The end of a run after its last pass (before pass `next_pass`): a final checkpoint, from
// which a later run can add passes.
void end_run(int next_pass, const search_counters& counters, const generator_state& generators);
// Whether the run ends before pass `pass`.
inline bool run_ends_before(long pass) {
    return run.passes >= 0 && pass >= run.passes;
}
