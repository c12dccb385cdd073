// Every number that shapes the search, named once: the program arrays, the output deadlines,
// the random gate, the start pairs and the meaning of a register's `read` value.
#pragma once

#include <cstdint>
#include <string>

// Entries of the program, snapshot and node-counter arrays; instruction indices run below it.
constexpr int program_capacity = 24;
// The longest program any search may build (--max-length), within the arrays above with room
// for the summary's columns up to index 20.
constexpr int longest_program = 20;
// Instructions of the start pair, executed before the enumeration begins at this index.
constexpr int start_pair_length = 2;
// Start pairs tried in every pass.
constexpr int start_pairs = 10;

// Default length limit: programs of at most 16 instructions (last index 15).
constexpr int default_program_length = 16;
// Default deadlines: the first output must be fixed before index 7, the second before 11,
// the third before 14 (an instruction at that index is not extended without it).
constexpr int default_deadline_first = 7;
constexpr int default_deadline_second = 11;
constexpr int default_deadline_third = 14;

// The random gate: at indices above gate_after and up to gate_last, while at most
// gate_max_locks outputs are fixed, a call draws a 16-bit number and goes on only when the
// number is at most gate_threshold (20001 of 65536 draws).
constexpr int gate_after = 4;
constexpr int gate_last = 11;
constexpr int gate_max_locks = 2;
constexpr unsigned gate_threshold = 20000;
// With the gate open (an exhaustive run) nothing draws, and the parallel search hands over the
// calls at this index: deep enough for many tasks, shallow enough to leave the walking thread
// almost nothing, and below the progress lines of indices 2 and 3.
constexpr int open_gate_handover_index = 5;

// The seed of the random generators unless a run asks for another: two parts, shown as such
// in the output's header (the base is 0x33AD6 shifted left by 10, plus 1).
constexpr uint32_t default_seed_base = (0x33AD6u << 10) + 1;  // 216750081
constexpr uint32_t default_seed_offset = 29;
constexpr uint32_t default_seed = default_seed_base + default_seed_offset;

// Register 4, the one register the search adds to the four inputs, must be created by this
// index; with only the inputs in use nothing is tried above it.
constexpr int new_register_last_index = 4;

// What a register's current value has been through, as the pruning rules read it.
enum read_state : uint8_t {
    read_written = 0,    // written by or, and, xor, not or movc and not read since
    read_consumed = 1,   // read as a source since its last write
    read_untouched = 2,  // an initial input value, neither read nor overwritten
    read_moved = 4,      // written by mov and not read since
};

// The length limit and the deadlines of one run; the defaults reproduce the classic search.
// Read-only once the search has started.
struct search_limits {
    int length = default_program_length;  // at most this many instructions
    // deadline[n]: the index from which a program with n fixed outputs is no longer extended.
    int deadline[3] = {default_deadline_first, default_deadline_second, default_deadline_third};

    int last_index() const { return length - 1; }
    // Whether a deadline falls at instruction index i.
    bool is_deadline(int i) const { return i == deadline[0] || i == deadline[1] || i == deadline[2]; }
};

// Empty when the search can run under these limits; otherwise what is wrong, in one line.
// The length must fit the program arrays; the deadlines must rise strictly, fall after the
// start pair and before the last index.
std::string limits_fault(const search_limits& l);

