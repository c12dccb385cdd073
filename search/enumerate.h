// Depth-first enumeration of programs from a start pair, with the pruning rules that cut
// redundant program shapes and the random gate that thins out the middle depths.
#pragma once

#include "search/machine.h"
#include "search/state.h"

// Executes x as instruction `index`, after which `locked` outputs are fixed (x's destination
// the last of them when that is one more): the state in which the call at index + 1 starts.
// s.facts[index] must hold the facts of the program before x.
inline void enter_call(search_state& s, int index, ot x, int locked) {
    s.prog[index] = x;
    op(s, x);
    if (locked > s.lockcnt) s.locks[s.lockcnt] = static_cast<int8_t>(x.r1);
    s.lockcnt = static_cast<int8_t>(locked);
    s.facts[index + 1] = s.facts[index].after(x, index);
}

// addop2 ("add an operation"): enumerates every continuation of s.prog[0..j-1], which s's
// machine has already executed, after the random gate; s.facts[j] must hold the facts of that
// prefix. last: -1 when index j opens a pair, else the destination of instruction j - 1.
// Returns with the machine as it found it.
void addop2(search_state& s, int j, int last);
// addop2 after its random gate: what a call does once it has been admitted.
void enumerate_from(search_state& s, int j, int last);

// select2 ("select the first two"): writes start pair s (0..9) into prog[0] and prog[1].
void select2(int s, ot* prog);
// The pieces of the start pairs: the first instruction (0: xor 0,1; 1: mov 4,0), and the
// second after mov 4,0 (mov2a, 4 choices) or after xor 0,1 (mov2c, 6 choices).
ot mov1(int selector);
ot mov2a(int selector);
ot mov2c(int selector);

// check_r1: may the untouched input register r be taken up as a destination now?
int check_r1(const machine_state& m, int r);
// Is candidate x at index j free of the redundancies the search cuts? Reads s.prog[0..j-1]
// through s.facts[j], and the machine before x.
int check_usage(const search_state& s, ot x, int j);

// The pair-order rule for the second instruction (opcode i, destination k) of a pair whose
// first instruction is P: go on with it, try the next destination, go on with the next
// opcode, or restart the destination loop at *restart (always a higher destination).
enum pair_verdict { pair_ok, pair_next_k, pair_next_opcode, pair_restart };
constexpr pair_verdict pair_order(int i, int k, const ot& P, int* restart) {
    if (P.o == op_not) {
        if (i != op_not) return pair_next_opcode;
        return P.r1 > k ? pair_next_k : pair_ok;
    }
    if (i < P.o && k != P.r2) {
        if (k > P.r2) return pair_next_opcode;
        *restart = P.r2;
        return pair_restart;
    }
    if (i == P.o && P.r1 > k && k != P.r2) {
        *restart = (P.r1 < P.r2 || k > P.r2) ? P.r1 + 1 : P.r2;
        return pair_restart;
    }
    return pair_ok;
}

// Writes the progress line of the call at index j (2 or 3) to the run's console (unless the
// run is quiet) and shows the counters on its status line.
void print_progress(run_context& run, const search_counters& counters, const ot* prog, int j);
// The number of the start pair in prog[0..1] (0..9), or -1.
int start_pair_of(const ot* prog);
