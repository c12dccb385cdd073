// Target lists for the search: the variants of given S-boxes, one record per coordinate set,
// and the loader's capacities that a list must respect.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "sbox/sbox.h"
#include "tools/sbox_text.h"

// Which variants of each S-box go into the list.
struct variant_options {
    bool inverse = false;  // S and S^-1
    bool perms = false;    // all 24 input-bit permutations
    bool in_xor = false;   // all 16 input constants
    bool out_xor = false;  // all 16 output constants
};

// The S-boxes of the list in output order: for each S-box, for S then S^-1, for each input
// permutation k, input constant c and output constant e, x -> base(P_k(x XOR c)) XOR e; a
// variant whose coordinate set is already in the list is left out.
std::vector<Sbox> target_variants(const std::vector<sourced_sbox>& sboxes, const variant_options& options);

// What the loader counts of a list.
struct list_counts {
    size_t records = 0;     // S-boxes
    size_t components = 0;  // distinct coordinate words
    size_t triples = 0;     // distinct 3-subsets of the coordinate sets
    size_t runs = 0;        // distinct smallest words of the coordinate sets
};

list_counts count_list(const std::vector<Sbox>& list);

// Empty when the counts fit the loader; otherwise every exceeded capacity, e.g.
// "too many components: 2712 (capacity 2680, 32 over)", joined by "; ".
std::string capacity_faults(const list_counts& counts);
