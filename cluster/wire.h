// The messages between the ranks of a cluster search, as bytes. Every rank runs the same
// binary, so plain values travel in the machine's own byte order and layout.
//
// A batch (rank 0 to a worker rank):
//   position       8 bytes   the batch's place in walk order
//   then per subtree:
//     j            1 byte    the call's instruction index (start_pair_length..longest_program)
//     last + 1     1 byte    0 for -1, else the destination of prog[j - 1] plus one
//     prog[0..j-1] 2 bytes each: the opcode, then r1 in the high and r2 in the low four bits
//     machine      sizeof(machine_state) bytes, as in memory
// A result (a worker rank to rank 0):
//   position       8 bytes   the batch's
//   delta          sizeof(search_counters) bytes, as in memory
//   found          4 bytes   the number of S-boxes completed, then per S-box:
//     N            4 bytes   its row
//     length       1 byte    the program's length
//     lock_regs    4 bytes   one register a byte
//     words        4 x 2 bytes
//     prog         2 bytes per instruction, as in a batch
#pragma once

#include <cstdint>
#include <vector>

#include "search/batch.h"

std::vector<char> pack_batch(uint64_t position, const std::vector<subtree_task>& tasks);
// The batch's position; tasks receives its subtrees. A malformed message ends the process.
uint64_t unpack_batch(const std::vector<char>& bytes, std::vector<subtree_task>& tasks);

std::vector<char> pack_result(uint64_t position, const batch_result& result);
// The result's position; result receives the rest. A malformed message ends the process.
uint64_t unpack_result(const std::vector<char>& bytes, batch_result& result);
