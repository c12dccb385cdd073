// The cryptographic figures of a 4-bit S-box that designers compare: difference and linear
// tables, differential uniformity, linearity and nonlinearity, branch numbers, involution.
#pragma once

#include <array>

#include "tools/sbox_text.h"

using sbox_table = std::array<std::array<int, 16>, 16>;

// ddt[a][b]: the inputs x with S(x) XOR S(x XOR a) = b.
sbox_table difference_table(const sbox_values& s);
// lat[a][b]: of the 16 inputs, on how many parity(a AND x) = parity(b AND S(x)) holds, minus 8.
sbox_table linear_table(const sbox_values& s);

struct sbox_figures {
    int uniformity;     // largest ddt[a][b] over a != 0 (every b)
    int linearity;      // largest |lat[a][b]| over b != 0 (every a); 4 for the optimal S-boxes
    int nonlinearity;   // 8 - linearity: the least distance of a non-zero component to an affine function
    int differential_branch;  // least wt(a) + wt(b) over a != 0 with ddt[a][b] != 0
    int linear_branch;        // least wt(a) + wt(b) over (a, b) != (0, 0) with lat[a][b] != 0
    bool involution;          // S(S(x)) = x for every x
};

sbox_figures figures_of(const sbox_values& s);
