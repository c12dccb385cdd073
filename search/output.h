// The output file "prgs1b.txt": its header, the line that opens each pass, and the records
// of reached S-boxes. Every write is flushed at once and checked; a failed write ends the
// process with one line.
#pragma once

#include <cstdint>
#include <fstream>
#include <string>

#include "search/ot.h"

extern const char* filename;
extern std::ofstream ostr;

// Creates (or truncates) the output file and writes the two header lines: the gate's
// parameters with the generators' seed, and the program limits in force. The default seed
// shows as its two parts (29 and 216750081), any other as 0 and the seed. An exhaustive run
// shows the gate open: threshold 65535 (every draw passes) and the word "exhaustive".
void open_output(uint32_t seed, bool exhaustive);
// Opens the output file of an interrupted run to go on writing it: cuts it back to its first
// `size` bytes (the start of the pass the run goes on with).
void reopen_output(uint64_t size);
// Everything written to the output file so far, as it is on disk.
std::string output_so_far();
// The line that opens pass `loops`.
void write_pass_start(int loops);
// The record of report `number` for row N: program prog[0..length-1], locked registers
// lock_regs holding words, in lock order. Reads the target tables for the related rows.
void write_record(int N, int number, int length, const ot* prog, const int* lock_regs, const uint16_t* words);
// Ends the process with a one-line message when ostr has failed to take what was written.
void check_output_written();
