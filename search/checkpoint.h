// The checkpoint beside the output file: everything a run needs to go on from the start of a
// pass as if it had never stopped. It is written at the start of every pass (before the pass's
// "Starting" line) and replaced atomically, so that a run stopped at any moment, even in the
// middle of a record, leaves a checkpoint that matches a prefix of its output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "random/random.h"
#include "search/limits.h"
#include "search/state.h"

struct run_context;

// The checkpoint's file name, beside "prgs1b.txt" in the run's directory.
extern const char* const checkpoint_name;

struct checkpoint {
    int pass = 0;                  // the pass about to start, or going on
    uint64_t subtrees = 0;         // subtrees of that pass merged before this point (0: its start)
    uint32_t seed = 0;             // the seed the run started its generators from
    bool exhaustive = false;       // the run searches the whole tree, without the random gate
    search_limits limits;          // the limits of the run
    uint64_t list_hash = 0;        // of the target list the run loaded
    uint64_t output_size = 0;      // bytes of the output file written before this pass
    uint64_t output_hash = 0;      // of those bytes
    search_counters counters;      // the counters the summaries print, and the report counter l5,
                                   // but for the walk's own work in a pass going on
    generator_state generators;    // the random generators at the start of the pass
    struct reached_row {
        int row, number, length;   // dn[row] = {number, length}
    };
    std::vector<reached_row> reached;  // every row reached so far
};

// The hash by which a checkpoint recognises a list and the output written: 64-bit FNV-1a.
uint64_t content_hash(const std::string& bytes);

// Writes c as the checkpoint, through a temporary file that is synced and renamed over the
// old one. A failure ends the process with one line naming the cause, and removes the
// temporary file (the output file is complete then).
void write_checkpoint(const run_context& run, const checkpoint& c);
// Removes the checkpoint of an earlier run (and a temporary left beside it) before a new run
// replaces that run's output, so that no checkpoint describes an output it no longer matches.
void remove_checkpoint(const run_context& run);

// Reads the checkpoint at path into c; empty on success, otherwise what is wrong, in one line.
std::string read_checkpoint(const std::string& path, checkpoint& c);

// Once the list is loaded: empty when every reached row of c is a row of the list, otherwise
// what is wrong.
std::string fits_loaded_list(const checkpoint& c);

// The checkpoint of the run as it stands at the start of `pass`: its seed, limits and list, the
// reached table, the output file as written so far (first put on the disk), the generators and
// the counters given.
checkpoint checkpoint_now(run_context& run, int pass, const search_counters& counters,
                          const generator_state& generators);
