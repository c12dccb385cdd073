// Relabelling a program's inputs and outputs: which S-boxes a program computes for free by
// feeding its registers other input bits and reading its outputs in another order.
//
// A record's program starts with input bit x_r in register r (r = 0..3) and leaves output bit i
// of the record's S-box S in register locks[i]. Fed input bit y_reads[r] of another input y
// in register r, it computes S(P(y)) with P(y) = the x whose bit r is bit reads[r] of y; taking
// output bit i of the result from S's output bit from[i] gives T(y) = Q(S(P(y))). Both are
// bit permutations only: no constant is added on either side.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "tools/sbox_text.h"

struct relabelling {
    std::array<int, 4> reads;  // register r (0..3) starts with input bit reads[r] of the new S-box
    std::array<int, 4> from;   // output bit i of the new S-box is output bit from[i] of the program's
};

// The relabelling under which an S-box `computed` becomes `target`, or none. When several fit
// (the S-boxes have symmetries), the first in lexicographic order of reads, then of from: the
// identity when it fits.
std::optional<relabelling> find_relabelling(const sbox_values& target, const sbox_values& computed);

// The S-box that `computed` becomes under the relabelling.
sbox_values relabelled(const sbox_values& computed, const relabelling& how);

// The register that holds output bit i of the new S-box, for each i, given the record's locked
// registers (locks[i] holds output bit i of the program's S-box).
std::array<int, 4> output_registers(const relabelling& how, const std::array<int, 4>& locks);

// How to wire a record's registers for the relabelling, given its locked registers:
// "r0=in[1] r1=in[0] r2=in[3] r3=in[2]  out[0]=r4 out[1]=r1 out[2]=r2 out[3]=r0".
std::string wiring_text(const relabelling& how, const std::array<int, 4>& locks);
