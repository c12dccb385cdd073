// The shortest program for named S-boxes and their inverses among the records of search
// outputs, as sbtool report and sbtool find keep it. A record counts for an S-box T when its
// program computes T once its input bits and output bits are put in another order (which costs
// nothing) and, where the caller accepts them, once constants are XORed to its inputs or to its
// outputs (which costs one `not` per bit set: the code complements that word).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "tools/record.h"
#include "tools/relabel.h"
#include "tools/sbox_text.h"

// Which constants a match may add.
struct accepted_constants {
    bool in_xor = false;   // XORed to the input before the program reads it
    bool out_xor = false;  // XORed to the program's output
};

// How a record's program computes a target T: T(y) = relabelled(S)(y XOR in_xor) XOR out_xor,
// S being the record's S-box. Register r starts with input bit reads[r] of y, complemented when
// that bit of in_xor is set; output bit i is complemented when bit i of out_xor is set.
struct program_match {
    relabelling how{};
    int in_xor = 0;
    int out_xor = 0;
};

// The match under which a program computing `computed` computes `target`: the one with the
// fewest constant bits, then the lowest in_xor and out_xor, then the first relabelling
// find_relabelling gives. None when there is none.
std::optional<program_match> find_match(const sbox_values& target, const sbox_values& computed,
                                        const accepted_constants& accepted);

// The instructions of the code for a matched record: its program and a `not` per constant bit.
long match_length(const record& r, const program_match& m);

// How to wire the record's registers for the match:
// "r0=in[1] r1=~in[0] r2=in[3] r3=in[2]  out[0]=r4 out[1]=r1 out[2]=~r2 out[3]=r0".
std::string match_wiring_text(const program_match& m, const std::array<int, 4>& locks);

// The shortest program held for one S-box: its record and how it computes the S-box.
struct shortest {
    const located_record* holder = nullptr;
    program_match match{};
    long length = 0;  // match_length of the holder
};

struct named_result {
    std::string name;
    sbox_values sbox;
    sbox_values inverse;
    shortest direct;
    shortest of_inverse;
};

// One result per named S-box, in order; an S-box without a name is named by its hexadecimal form.
std::vector<named_result> named_results(const std::vector<sourced_sbox>& named);

// Takes the record for every named S-box and inverse that it computes, where it is shorter than
// what is held, or as short and earlier (a lower rank), so that the outcome does not depend on
// the order in which records come. Whether it computes any of them.
bool consider_record(const located_record& located, std::vector<named_result>& results,
                     const accepted_constants& accepted);

// Rows of cells, each column as wide as its widest cell, two blanks between columns.
void print_columns(const std::vector<std::vector<std::string>>& rows, std::ostream& out);
