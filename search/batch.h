// A batch of draw-free subtrees: the unit of work that the walk of a parallel search hands over,
// and what running it yields. A batch holds everything its enumeration reads, so any thread,
// or any process with the same tables and limits, runs it to the same result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "search/state.h"

// Subtrees per batch when the batches go to threads of the same process: enough that handing
// a batch over costs little beside running it.
constexpr size_t batch_capacity = 2048;
// Subtrees per batch with the gate open: such a subtree is milliseconds of work or more (the
// whole tree below the handover index), so a small batch is already long beside handing it
// over, and keeps the merge, its checkpoints and the status line moving and the threads busy
// to the end of the pass.
constexpr size_t open_gate_batch_capacity = 16;
// Steps of the walk in flight at most with the gate open. A few of its subtrees take minutes
// where most take milliseconds, and the merge waits for each in order: the walk may run this
// far ahead of it, so that the other threads keep busy meanwhile (a step there is a kilobyte
// or so; an exhaustive pass on the bundled lists hands over a few thousand batches).
constexpr size_t open_gate_steps_in_flight = size_t(1) << 15;

// An instruction in two bytes: the opcode, then r1 in the high and r2 in the low four bits.
void pack_instruction(ot x, uint8_t* out);
ot unpack_instruction(const uint8_t* in);

// The subtrees of a batch, in walk order, packed as bytes. The walk hands over subtrees one
// call at a time, and most come in runs of calls made by one parent call, one after another;
// a run is kept once as a group: the parent's state, then per call its instruction.
//
// A group:
//   j              1 byte    the calls' instruction index (the parent's is j - 1)
//   calls          1 byte    how many calls follow (1..255)
//   prog[0..j-2]   2 bytes each, packed as pack_instruction packs them
//   parent         sizeof(machine_state) bytes: the machine as the parent call found it
//   facts          sizeof(program_facts) bytes: the facts of prog[0..j-2]
//   per call:
//     x            2 bytes   instruction j - 1, packed
//     outputs      1 byte    the outputs fixed once x is executed (the parent's or one more)
//     last + 1     1 byte    the call's `last` plus one
class subtree_batch {
public:
    // Adds the subtree of the call at index j that instruction x makes from the node `parent`
    // is in (see search_hooks::subtree): x fixes `outputs` outputs, and the call's last is given.
    void add(const search_state& parent, int j, ot x, int outputs, int last);
    // Subtrees held.
    size_t size() const { return subtrees_; }
    bool empty() const { return subtrees_ == 0; }

    // The packed bytes, and a batch from such bytes; false (and an empty batch) when they are
    // not a well-formed batch.
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    bool assign(const uint8_t* bytes, size_t size);

    // Runs the subtrees in order on s: the enumeration of each call as the walk handed it over.
    void run(search_state& s) const;

private:
    std::vector<uint8_t> bytes_;
    size_t subtrees_ = 0;
    size_t group_ = 0;              // offset of the open group
    int group_j_ = 0;               // its index, 0 when no group is open
    ot group_prog_[longest_program];  // its parent's program, to recognise the next call of it
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

// A search state for `run` that runs batches: it completes S-boxes into the result being
// filled. On the heap, as search states are large.
std::unique_ptr<search_state> batch_runner(run_context& run);

// Runs the batch on s (made by batch_runner) and fills result.
void run_batch(search_state& s, const subtree_batch& batch, batch_result& result);
