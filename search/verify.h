// The judge of every candidate instruction: admissibility of the new value, locking of output
// registers through the class tables, recording of newly or more cheaply reached S-boxes,
// length deadlines and the injectivity test.
#pragma once

#include <cstdint>

#include "search/ot.h"

// Nodes per instruction index that passed every test (never reset).
extern thread_local uint64_t nodecnt[24];
// First, second and third output locked; complete S-box looked up; record written.
extern thread_local uint64_t l1, l2, l3, l4, l5;
// Calls of verify, for measuring the search's speed.
extern thread_local uint64_t verify_calls;

// Judges prog[j] (destination k, source l), already executed: 1 lets the search descend.
int verify(int j, int k, int l, ot* prog);

// A program of `length` instructions reached row N with the locked registers lock_regs
// holding words: unless N is already reached by a program at most as long, marks N and its
// input permutations as reached and writes the record. Returns 1 when a record was written.
int record_reached(int N, int length, const ot* prog, const int* lock_regs, const unsigned short* words);

// Where a complete S-box goes instead of record_reached, for a thread whose findings are
// recorded later by another: row N, program length, the program and the locked registers
// with their words. Set per thread; null for the ordinary search.
using complete_sink = void (*)(int N, int length, const ot* prog, const int* lock_regs,
                               const unsigned short* words);
extern thread_local complete_sink completed;
