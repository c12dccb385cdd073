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
};

// The settings of this process's run; set before begin_search, read-only afterwards.
extern run_settings run;

// Where a run starts: the first pass to run and the counters carried into it.
struct run_start {
    int pass = 0;
    search_counters counters;
};

// Once per run: the target tables, then either the generators seeded and a new output file
// with its header, or, when resuming, the reached rows, generators and output of the
// checkpoint.
run_start begin_search();
// The start of a pass: the checkpoint (when the run keeps them) and the pass's "Starting"
// line. counters and generators: the run's as the pass starts.
void begin_pass(int pass, const search_counters& counters, const generator_state& generators);
// The end of a run after its last pass (before pass `next_pass`): a final checkpoint, from
// which a later run can add passes.
void end_run(int next_pass, const search_counters& counters, const generator_state& generators);
// Whether the run ends before pass `pass`.
inline bool run_ends_before(long pass) {
    return run.passes >= 0 && pass >= run.passes;
}
