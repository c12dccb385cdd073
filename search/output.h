// A run's output file "prgs1b.txt": its header, the line that opens each pass, and the records
// of reached S-boxes. Every write is flushed at once and checked; a failed write ends the
// process with one line.
#pragma once

#include <cstdint>
#include <string>

#include "search/limits.h"
#include "search/ot.h"

struct run_context;

// The output file's name, in every run's directory.
extern const char* const filename;

// The two header lines of the output: the gate's parameters with the generators' seed, and the
// program limits. The default seed shows as its two parts (29 and 216750081), any other as 0
// and the seed. An exhaustive run shows the gate open: threshold 65535 (every draw passes) and
// the word "exhaustive".
std::string header_text(uint32_t seed, bool exhaustive, const search_limits& l);
// Creates (or truncates) the run's output file and writes its header.
void open_output(run_context& run);
// Opens the output file of an interrupted run to go on writing it: cuts it back to its first
// `size` bytes (the point the run goes on from).
void reopen_output(run_context& run, uint64_t size);
// Everything written to the output file so far, as it is on disk.
std::string output_so_far(run_context& run);
// The line that opens pass `loops`.
void write_pass_start(run_context& run, int loops);
// The record of report `number` for row N: program prog[0..length-1], locked registers
// lock_regs holding words, in lock order. Reads the target tables and the run's reached table
// for the related rows, and hands the record to the run's observer.
void write_record(run_context& run, int N, int number, int length, const ot* prog, const int* lock_regs,
                  const uint16_t* words);
// Puts everything written so far on the disk, so that a checkpoint written afterwards never
// covers output that a power cut could still take away. A failure ends the process.
void sync_output(run_context& run);
