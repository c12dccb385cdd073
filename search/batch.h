// A batch of draw-free subtrees: the unit of work that the walk of a parallel search hands over,
// and what running it yields. A subtree holds everything its enumeration reads, so any thread,
// or any process with the same tables and limits, runs a batch to the same result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "search/state.h"

// Subtrees per batch when the batches go to threads of the same process: enough that handing
// a batch over costs little beside running it.
constexpr size_t batch_capacity = 128;

// A draw-free subtree: the entry state of an admitted addop2 call, as the walk met it.
struct subtree_task {
    int j;                     // the call's instruction index
    int last;                  // the call's `last`: -1, or the destination of prog[j - 1]
    ot prog[longest_program];  // the program prefix prog[0..j-1]; later entries unused
    machine_state machine;     // the machine as the call found it
};

// A complete listed S-box met while running a batch, for the merger to record.
struct found_sbox {
    int N;                     // its row
    int length;                // the program's length
    ot prog[longest_program];  // the program prog[0..length-1]
    int lock_regs[4];          // the output registers in lock order
    uint16_t words[4];         // their words
};

// What running a batch yields: the counters it added and the S-boxes it completed, in the
// order the sequential search meets them.
struct batch_result {
    search_counters delta;
    std::vector<found_sbox> found;
};

// A search state that runs batches: it completes S-boxes into the result being filled.
search_state batch_runner();

// Runs the subtrees in order on s (made by batch_runner) and fills result.
void run_batch(search_state& s, const std::vector<subtree_task>& tasks, batch_result& result);
