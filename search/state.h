// Everything one search owns, in one object: its register machine, the program it builds, a
// snapshot and the program facts per instruction index, its counters and its hooks. The
// sequential search runs on one; the parallel search gives each thread its own and copies,
// sends and merges them whole.
#pragma once

#include <cassert>
#include <cstdint>

#include "search/limits.h"
#include "search/ot.h"

// The register machine: eight registers of 16-bit truth tables and what the pruning rules
// know of each. A plain value of 38 bytes, so a snapshot for backtracking is one copy.
struct machine_state {
    // Register values; bit x is the register's function at input x.
    uint16_t reg[8];
    // 1 while the value written by `not` has not been consumed in a way that clears it.
    uint8_t neg[8];
    // What each register's value has been through since its last write.
    read_state read[8];
    // Registers fixed as S-box outputs, in the order fixed; entries at lockcnt and above are
    // stale (locks[3] holds the register that completed the last S-box recognised).
    int8_t locks[4];
    // Outputs fixed, 0..3.
    int8_t lockcnt;
    // Highest register holding a value of the program (3 or 4 in the search). Registers above
    // it may hold stale values; nothing reads them before they are written.
    int8_t maxused;
};

// The counters one search keeps; all cumulative, never reset between passes.
struct search_counters {
    // Nodes per instruction index that passed every test of the verification.
    uint64_t nodecnt[program_capacity] = {};
    // l1..l5: first, second and third output fixed; complete S-box looked up; record written.
    uint64_t l1 = 0, l2 = 0, l3 = 0, l4 = 0, l5 = 0;
    // Calls of the verification, the measure of the search's work.
    uint64_t verify_calls = 0;

    search_counters& operator+=(const search_counters& o);
    search_counters& operator-=(const search_counters& o);
};
search_counters operator+(search_counters a, const search_counters& b);
search_counters operator-(search_counters a, const search_counters& b);

// What the redundancy test asks of a program prefix prog[0..j-1], per register r, so that no
// test scans the program back. A nop ({0, 0, 0}) and the stored source of a not count like
// any other instruction's fields.
struct program_facts {
    // Index of the latest instruction whose destination (r1) is r; -1 when there is none.
    int8_t writer[8];
    // The source (r2) of that instruction when it is an xor; -1 otherwise.
    int8_t writer_xor_source[8];
    // Of the latest instruction whose source (r2) is r: its destination when it is an xor;
    // -1 otherwise, and when there is none.
    int8_t reader_xor_dest[8];

    // The facts of the empty program.
    static program_facts none();
    // The facts once instruction x is appended at index `index`.
    program_facts after(ot x, int index) const {
        assert(x.r1 >= 0 && x.r1 < 8 && index < program_capacity);
        program_facts f = *this;
        f.writer[x.r1] = static_cast<int8_t>(index);
        f.writer_xor_source[x.r1] = static_cast<int8_t>(x.o == op_xor ? x.r2 : -1);
        // A movc's second field is a constant, not a register.
        if (x.o != op_movc && x.r2 >= 0 && x.r2 < 8)
            f.reader_xor_dest[x.r2] = static_cast<int8_t>(x.o == op_xor ? x.r1 : -1);
        return f;
    }
};

// The facts of prog[0..j-1].
program_facts facts_of(const ot* prog, int j);

struct search_state;
struct run_context;

// Where a search hands work over instead of doing it itself. A null hook means the ordinary
// search: progress lines are printed, subtrees run, complete S-boxes recorded at once.
struct search_hooks {
    // A call at index j below which nothing draws, admitted by the gate: the call that
    // instruction x makes from the node s is in (its parent, at index j - 1, with
    // s.prog[0..j-2] and s.facts[j - 1]), x not yet executed; once executed it fixes
    // `outputs` outputs, and the call's `last` is given. The call is not run here.
    void (*subtree)(search_state& s, int j, ot x, int outputs, int last) = nullptr;
    // The progress line of the call at index j (2 or 3).
    void (*progress)(search_state& s, int j) = nullptr;
    // A complete listed S-box: row N, reached by prog[0..length-1], with the locked registers
    // and their words in lock order.
    void (*completed)(search_state& s, int N, int length, const int* lock_regs, const uint16_t* words) = nullptr;
    // The hooks' owner's data.
    void* context = nullptr;
};

// One search: the machine and the counters above are its bases, so that the members keep their
// names (s.reg, s.lockcnt, s.nodecnt, s.l5) while a snapshot of the machine or a merge of the
// counters stays one copy or one addition.
struct search_state : machine_state, search_counters {
    // The run this search works for, and copies of what the enumeration reads of it at every
    // node: the limits, and whether the random gate is open (an exhaustive run).
    run_context* run = nullptr;
    search_limits limits;
    bool open_gate = false;
    // The program under construction; entries 0 and 1 hold the start pair. Entries from the
    // current index on hold what abandoned branches left.
    ot prog[program_capacity] = {};
    // Snapshot row per index: the machine as the call at that index found it.
    machine_state st[program_capacity] = {};
    // facts[j]: the facts of prog[0..j-1], set before the call at index j runs.
    program_facts facts[program_capacity] = {};
    search_hooks hooks;

    // The machine part, for snapshots and for handing a state over.
    machine_state& machine() { return *this; }
    const machine_state& machine() const { return *this; }
    search_counters& counters() { return *this; }
    const search_counters& counters() const { return *this; }
};

// A fresh search for `run`, with its limits and gate.
search_state search_for(run_context& run);
