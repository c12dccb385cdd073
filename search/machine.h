// The register machine: eight registers of 16-bit truth tables, in-place instructions, the
// per-register bookkeeping the enumeration's pruning rules read, and snapshots for
// backtracking. The state is global, one machine per thread.
#pragma once

#include "search/ot.h"

// reg: register values. neg: 1 while the value written by `not` is unconsumed.
// read: 2 = untouched initial value, 1 = read since last write, 0 = written by
// or/and/xor/not/movc and not read since, 4 = written by mov and not read since.
// locks[0..lockcnt-1]: registers fixed as S-box outputs; entries at lockcnt and above are stale.
// maxused: highest register holding a value of the program; registers above it may hold
// stale values that nothing reads.
// Each thread has its own machine, so that a parallel search can run subtrees side by side.
// The state lives in a namespace of its own because `read` would clash with the POSIX
// function of that name in units that include <unistd.h>.
namespace machine {
extern thread_local unsigned short reg[8];
extern thread_local int neg[8];
extern thread_local int read[8];
extern thread_local int locks[4];
extern thread_local int lockcnt;
extern thread_local int maxused;
}  // namespace machine

constexpr int snapshot_slots = 40;
constexpr int snapshot_maxused = 32;
constexpr int snapshot_lockcnt = 33;
constexpr int snapshot_locks = 34;

// Inputs x0..x3 in registers 0..3, everything else cleared; lock entries are left as they are.
void init_state();
// Executes x[0..n-1] in order.
void doinst(const ot* x, int n);
void save_state(int* st);
void restore_state(const int* st);

// Executes one instruction in place, with the bookkeeping of neg, read and maxused.
inline void op(ot x) {
    using machine::reg;
    using machine::neg;
    using machine::read;
    using machine::maxused;
    const int d = x.r1;
    const int s = x.r2;
    switch (x.o) {
    case op_or:
        reg[d] |= reg[s];
        neg[d] = 0; read[d] = 0;
        neg[s] = 0; read[s] = 1;
        break;
    case op_and:
        reg[d] &= reg[s];
        neg[d] = 0; read[d] = 0;
        // A value written by `not` and not yet read keeps its flag through an `and`.
        if (read[s] != 0) neg[s] = 0;
        read[s] = 1;
        break;
    case op_xor:
        reg[d] ^= reg[s];
        neg[d] = 0; read[d] = 0;
        neg[s] = 0; read[s] = 1;
        break;
    case op_mov:
        reg[d] = reg[s];
        neg[d] = 0; read[d] = 4;
        neg[s] = 0; read[s] = 1;
        if (d > maxused) maxused = d;
        break;
    case op_not:
        reg[d] = static_cast<unsigned short>(~reg[d]);
        neg[d] = 1; read[d] = 0;
        break;
    case op_movc:
        reg[d] = static_cast<unsigned short>(s);
        neg[d] = 0; read[d] = 0;
        if (d > maxused) maxused = d;
        break;
    default:
        break;
    }
}
