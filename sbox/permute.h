// The 24 numbered permutations of the four input bits of an S-box.
#pragma once

#include "sbox/sbox.h"

// T(x) = a(P_k(x XOR l)); k outside 0..23 ends the process with status 1.
Sbox permuteSB4(const Sbox& a, int k, int l);
// T(x) = P_k(a(x)) XOR l.
Sbox permuteSB4o(const Sbox& a, int k, int l);
// P_k(x): input permutation k applied to a 4-bit value.
int permute_input(int k, int x);
