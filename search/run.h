// One run of the search: what it searches (limits, seed, how many passes), its state (the
// random generators and the table of S-boxes reached), where it writes (its directory, the
// output file, the console, the status line) and who hears of it. Every search function
// receives the run it works for, so several runs with their own seeds and limits can share
// one process and its class tables. prgs1 runs with the defaults, which are the classic
// search; sbtool adds checkpoints and going on from them.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "random/random.h"
#include "search/limits.h"
#include "search/state.h"

class status_line;
struct checkpoint;

// How a run is driven beyond the classic endless search from the fixed seed.
struct run_settings {
    uint32_t seed = default_seed;        // the random generators' seed
    long passes = -1;                    // the run ends before pass number `passes`; -1: never
    bool checkpoints = false;            // write checkpoints (every pass, and within passes)
    const checkpoint* resume = nullptr;  // go on from this checkpoint instead of starting afresh
    uint64_t list_hash = 0;              // of the target list, for the checkpoints
    bool quiet = false;                  // leave the progress lines out of the console
    bool exhaustive = false;             // one pass with the random gate open: the whole tree
    // Seconds between the checkpoints a parallel search writes within a pass, as its ordered
    // merge advances; only the work since the latest is lost when the run is stopped.
    double checkpoint_seconds = 60;
};

// A record as the run writes it, for whoever follows the run (the library's callers).
struct record_event {
    int number;            // the record's number (`found N`)
    int row;               // the S-box's row of the loaded list
    int length;            // instructions
    const ot* prog;        // the program, prog[0..length-1]
    const std::string* text;  // the record as written to the output file
};

// Who follows a run besides its files and console: called on the thread that writes the
// output. Any of them may be empty.
struct run_observer {
    std::function<void(const record_event&)> record;
    // As a start pair of a pass begins (in the order of the sequential search), and after every
    // pass: the run's counters then.
    std::function<void(int pass, int start_pair, const search_counters&)> start_pair;
    std::function<void(int pass, const search_counters&)> pass_done;
};

struct run_context {
    search_limits limits;
    run_settings settings;
    // The directory of the run's files (sb2.txt's output and checkpoint); empty: the current
    // directory. Messages name the files by their names alone.
    std::string dir;
    // The generators the random gate draws from.
    generator_state generators;
    // dn[r] = {report number, program length} of the record that reached row r; {-1, -1} while
    // none. Sized to the loaded list when the run begins.
    std::vector<std::array<int, 2>> dn;
    // The output file "prgs1b.txt".
    std::ofstream ostr;
    // Standard output's console lines, and the live status line (none: no line).
    std::ostream* console = &std::cout;
    status_line* status = nullptr;
    run_observer observer;
    // Set from any thread to end the run soon (the library's cancel): the enumeration leaves
    // the rest of the pass untouched from its next call at index 3, and the run ends without
    // a checkpoint after the last one it wrote, as a stopped run does.
    std::atomic<bool> cancelled{false};
    // The pass the run is in, as far as its console has come (for the observer).
    int pass = 0;

    // The path of the run's file `name`.
    std::string path(const std::string& name) const { return dir.empty() ? name : dir + "/" + name; }
    // Writes console text, with the status line cleared around it, and flushes.
    void console_write(const std::string& text);
};

// Where a run starts: the first pass to run, the counters carried into it and, when it goes on
// from within that pass, the subtrees of the pass already merged. The walk of that pass is then
// done again from its start, as it draws the same numbers, but hands over only the later
// subtrees; the counters carried leave out the walk's own work in the pass, which it does again.
struct run_start {
    int pass = 0;
    search_counters counters;
    uint64_t merged_subtrees = 0;
};

// Once per run: the reached table, then either the generators seeded and a new output file
// with its header, or, when resuming, the reached rows, generators and output of the
// checkpoint.
run_start begin_search(run_context& run);
// The start of a pass: the checkpoint (when the run keeps them) and the pass's "Starting"
// line. counters and generators: the run's as the pass starts.
void begin_pass(run_context& run, int pass, const search_counters& counters, const generator_state& generators);
// Within a pass that started with `generators` and the walk's counters walker_at_start, once
// the merge has taken `subtrees` subtrees and the counters merged: a checkpoint from which a
// run goes on at that point.
void keep_checkpoint_within_pass(run_context& run, int pass, uint64_t subtrees, const search_counters& walker_at_start,
                                 const search_counters& merged, const generator_state& generators);
// The end of a run after its last pass (before pass `next_pass`): a final checkpoint, from
// which a later run can add passes.
void end_run(run_context& run, int next_pass, const search_counters& counters, const generator_state& generators);
// Whether the run ends before pass `pass`.
inline bool run_ends_before(const run_context& run, long pass) {
    return run.settings.passes >= 0 && pass >= run.settings.passes;
}
