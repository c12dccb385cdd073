// Depth-first enumeration of programs from a start pair, with the pruning rules that cut
// redundant program shapes and the random gate that thins out the middle depths.
#pragma once

#include "search/machine.h"

// Snapshot row per instruction index; the call at index j owns row j.
extern thread_local int st[24][snapshot_slots];

// Enumerates every continuation of prog[0..j-1], which the machine has already executed.
// last: -1 when index j opens a pair, else the destination of instruction j - 1.
void addop2(int j, ot* prog, int last);
// addop2 after its random gate: what a call does once it has been admitted.
void enumerate_from(int j, ot* prog, int last);

// A walk that hands work to others instead of doing it: `subtree` receives every admitted call
// below which the enumeration draws no more random numbers (index 11 and above, or three
// outputs fixed), with the machine in that call's entry state; `progress` receives the
// progress lines. Set per thread; null for the ordinary search.
struct walk_delegate {
    void (*subtree)(int j, const ot* prog, int last);
    void (*progress)(int j, const ot* prog);
};
extern thread_local const walk_delegate* delegate;
// Writes start pair s (0..9) into prog[0] and prog[1].
void select2(int s, ot* prog);
ot mov1(int selector);
ot mov2a(int selector);
ot mov2c(int selector);
// May the untouched input register r be taken up as a destination now?
int check_r1(int r);
// Is candidate x at index j free of the redundancies the search cuts?
int check_usage(ot x, const ot* prog, int j);

// The pair-order rule for the second instruction (opcode i, destination k) of a pair whose
// first instruction is P: go on with it, try the next destination, go on with the next
// opcode, or restart the destination loop at *restart.
enum pair_verdict { pair_ok, pair_next_k, pair_next_opcode, pair_restart };
pair_verdict pair_order(int i, int k, const ot& P, int* restart);

// Writes a progress line for the call at index j (2 or 3) to standard output.
void print_progress(int j, const ot* prog);
