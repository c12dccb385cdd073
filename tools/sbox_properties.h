// The cryptographic figures of a 4-bit S-box that designers compare: difference and linear
// tables, differential uniformity, linearity and nonlinearity, branch numbers, involution, and
// everything sbtool analyze reports besides (degrees and algebraic normal forms).
#pragma once

#include <array>
#include <string>
#include <vector>

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

// Everything sbtool analyze reports on one S-box.
struct analysis {
    sbox_values values;
    bool bijective;
    sbox_values inverse;  // meaningful when bijective
    sbox_figures figures;
    int max_xor, max_lat, single;
    std::vector<int> fixed_points;
    std::array<int, 4> degrees;
    std::array<std::string, 4> anf;  // 16 coefficients
    std::array<std::string, 4> polynomials;
};

// The analysis of an S-box whose values lie in 0..15 (a non-bijective one too).
analysis analyze(const sbox_values& values);
