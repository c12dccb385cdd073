// The records of a search output file ("prgs1b.txt"): splitting the file into records,
// parsing each into its fields, and re-executing a record's program on the register machine.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "search/ot.h"

// The lines of one record as found in the file.
struct raw_record {
    size_t first_line = 0;  // file line (from 1) of its "found " line
    std::vector<std::string> lines;
    bool at_end = false;         // the last record of the file
    bool ends_in_newline = true; // its last line ended with a line end
};

// A line outside every record that is none of the lines the search writes between records.
struct stray_line {
    size_t line;
    std::string text;
};

struct output_file {
    std::vector<raw_record> records;
    std::vector<stray_line> stray;
};

// Splits the text of an output file: a record runs from its "found " line to the next
// "found " or "Starting " line or the end. "Parameters " and "Programs " lines before the
// first record and "Starting " lines are the search's own; anything else outside a record is
// stray.
output_file split_output(const std::string& text);

class command_line;
// The output file a subcommand names by its only operand (default "prgs1b.txt"; "-" is
// standard input, which every reader of these files takes).
std::string output_operand(const command_line& line);
// The output files a subcommand names by its operands (default "prgs1b.txt").
std::vector<std::string> output_operands(const command_line& line);

// The split text of a search output file. A file without a single record is refused (bad data,
// one line naming the file), saying so when it looks like a target list instead.
output_file load_search_output(const std::string& path);

// What kind of run wrote an output file, from its header and the checkpoint beside it
// (FILE.checkpoint): an exhaustive run is complete when its checkpoint shows its one pass
// done and matches the file byte for byte.
struct run_kind {
    bool exhaustive = false;
    bool complete = false;
    int max_length = 16;  // the run's length limit, from its checkpoint when complete
    // The S-boxes the run searched for, from the list beside the output (sb2.txt in the same
    // directory) when the checkpoint recognises it; empty when it cannot be known.
    std::vector<std::array<int, 16>> listed;
};
run_kind run_kind_of(const std::string& path);
// The same for the file's text, already read.
run_kind run_kind_of(const std::string& path, const std::string& text);

struct inverse_entry {
    int row;
    int total;  // -1 when the line shows no " t "
};

// The fields of one record, as printed.
struct record {
    size_t first_line = 0;
    long number = 0;  // report number after "found "
    long length = 0;  // after " r "
    int order = 0;    // after " o "
    long row = 0;     // after " n "
    std::vector<inverse_entry> inverses;  // line 2
    std::vector<int> perms;               // line 3
    std::array<int, 4> locks{};           // lines 4 to 7: register, degree, truth table, ANF
    std::array<int, 4> degrees{};
    std::array<std::string, 4> tables;
    std::array<std::string, 4> forms;
    std::array<int, 16> sbox{};    // line 8
    std::array<int, 16> inverse{}; // line 9
    std::vector<ot> program;       // the instruction lines
};

// Lines of a record before its program.
constexpr size_t record_head_lines = 9;

// Whether a record is the last one of the file and was cut short by the end of the file,
// as happens when the search is stopped while writing it: fewer lines than its head and
// program need, or a last line without its line end.
bool is_cut_short(const raw_record& raw);

// Parses a complete record. On the first malformed line returns false and sets error to a
// message that names the file line.
bool parse_record(const raw_record& raw, record& out, std::string& error);

// The text form of one instruction ("xor 0,1").
std::string instruction_text(const ot& x);

// Parses one instruction in its text form; registers must lie in 0..7. False when malformed.
bool parse_instruction(const std::string& text, ot& out);

// The S-box the record's program computes: run on the register machine from its start state,
// output bit i of S(x) is bit x of the locked register locks[i].
std::array<int, 16> sbox_computed(const record& r);

// Whether the printed S-box is a bijection of 0..15 and the program computes it.
bool computes_printed_sbox(const record& r);

// A record of one of the output files a subcommand reads, and the name by which its output
// gives it: the report number alone when there is one file, "FILE:NUMBER" when there are
// several. Its rank orders it among the records read: of two programs as short, the one of
// lower rank is named.
struct located_record {
    record fields;
    std::string file;
    std::string id;
    uint64_t rank = 0;
};

// The complete records of the files, in operand and file order. A last record cut short by the
// end of its file is skipped with a line "sbtool COMMAND: FILE: skipping ..." on err; any other
// malformed record, or one whose S-box is not a bijection, is a bad-data error naming the file
// and line. With run_programs, a record whose program does not compute its printed S-box is one
// too.
// A file of a complete exhaustive run may hold no record: that is its finding.
std::vector<located_record> read_records(const std::vector<std::string>& paths, const std::string& command,
                                         bool run_programs, std::ostream& err);

// The register file after the program, executed on the register machine from its start state.
std::array<unsigned short, 8> registers_after(const std::vector<ot>& program);

// 16 characters "0"/"1", bit 0 first: the truth-table text of a word.
std::string table_text(unsigned short word);
