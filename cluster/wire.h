// The messages between the ranks of a cluster search, as bytes. Every rank runs the same
// binary, so plain values travel in the machine's own byte order and layout.
//
// A batch (rank 0 to a worker rank):
//   position       8 bytes   the batch's place in walk order
//   subtrees       the batch's bytes, as subtree_batch packs them (search/batch.h)
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

std::vector<char> pack_batch(uint64_t position, const subtree_batch& batch);
// The batch's position; batch receives its subtrees. A malformed message ends the process.
uint64_t unpack_batch(const std::vector<char>& bytes, subtree_batch& batch);

std::vector<char> pack_result(uint64_t position, const batch_result& result);
// The result's position; result receives the rest. A malformed message ends the process.
uint64_t unpack_result(const std::vector<char>& bytes, batch_result& result);
