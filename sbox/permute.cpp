#include "sbox/permute.h"

#include <string>

#include "foundation/fatal.h"

namespace {

// Bit swaps of a 4-bit index; each permutation number picks one table from each group.
constexpr int m1[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
constexpr int m2[16] = {0, 2, 1, 3, 4, 6, 5, 7, 8, 10, 9, 11, 12, 14, 13, 15};
constexpr int m3[16] = {0, 4, 2, 6, 1, 5, 3, 7, 8, 12, 10, 14, 9, 13, 11, 15};
constexpr int m4[16] = {0, 8, 2, 10, 4, 12, 6, 14, 1, 9, 3, 11, 5, 13, 7, 15};
constexpr int n2[16] = {0, 1, 4, 5, 2, 3, 6, 7, 8, 9, 12, 13, 10, 11, 14, 15};
constexpr int n3[16] = {0, 1, 8, 9, 4, 5, 12, 13, 2, 3, 10, 11, 6, 7, 14, 15};
constexpr int o2[16] = {0, 1, 2, 3, 8, 9, 10, 11, 4, 5, 6, 7, 12, 13, 14, 15};

// The three tables of permutation k, applied O first, then N, then M.
struct PermTables {
    const int* o;
    const int* n;
    const int* m;
    int apply(int x) const { return m[n[o[x & 15]]]; }
};

// Selects O by bit 2 of k, N by k >> 3 and M by the two low bits; ends the process when
// k >> 3 names no N table, i.e. k outside 0..23.
PermTables select_tables(int k) {
    static const int* const n_tables[3] = {m1, n2, n3};
    static const int* const m_tables[4] = {m1, m2, m3, m4};
    int high = k >> 3;
    if (high < 0 || high > 2)
        fatal("Error in assigning n in permuteSB4 " + std::to_string(high) + "\n", 1);
    return {(k & 4) ? o2 : m1, n_tables[high], m_tables[k & 3]};
}

}  // namespace

// T(x) = a(P_k(x XOR l)); only the low four bits of l take part, so every index stays in range.
Sbox permuteSB4(const Sbox& a, int k, int l) {
    PermTables p = select_tables(k);
    int r[16];
    for (int x = 0; x < 16; ++x) r[x] = a.n[p.apply(x ^ l)];
    return Sbox(r);
}

// T(x) = P_k(a(x)) XOR l; P_k sees the low four bits of a(x).
Sbox permuteSB4o(const Sbox& a, int k, int l) {
    PermTables p = select_tables(k);
    int r[16];
    for (int x = 0; x < 16; ++x) r[x] = p.apply(a.n[x]) ^ l;
    return Sbox(r);
}

// P_k(x) for a 4-bit x.
int permute_input(int k, int x) {
    return select_tables(k).apply(x);
}
