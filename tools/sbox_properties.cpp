#include "tools/sbox_properties.h"

#include <algorithm>
#include <cstdlib>

namespace {

int weight(int v) {
    return __builtin_popcount(static_cast<unsigned>(v));
}

}  // namespace

sbox_table difference_table(const sbox_values& s) {
    sbox_table ddt{};
    for (int a = 0; a < 16; ++a)
        for (int x = 0; x < 16; ++x) ++ddt[a][s[x] ^ s[x ^ a]];
    return ddt;
}

sbox_table linear_table(const sbox_values& s) {
    sbox_table lat{};
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            int holds = 0;
            for (int x = 0; x < 16; ++x) holds += weight(a & x) % 2 == weight(b & s[x]) % 2;
            lat[a][b] = holds - 8;
        }
    return lat;
}

// The differential branch number min wt(x XOR x') + wt(S(x) XOR S(x')) over x != x' is the
// least wt(a) + wt(b) over the non-zero entries of row a != 0 of the difference table; the
// linear one is read off the non-zero entries of the linear table in the same way.
sbox_figures figures_of(const sbox_values& s) {
    const sbox_table ddt = difference_table(s);
    const sbox_table lat = linear_table(s);
    sbox_figures f{0, 0, 0, 8, 8, true};
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            if (a != 0) f.uniformity = std::max(f.uniformity, ddt[a][b]);
            if (b != 0) f.linearity = std::max(f.linearity, std::abs(lat[a][b]));
            if (a != 0 && ddt[a][b] != 0) f.differential_branch = std::min(f.differential_branch, weight(a) + weight(b));
            if ((a | b) != 0 && lat[a][b] != 0) f.linear_branch = std::min(f.linear_branch, weight(a) + weight(b));
        }
    f.nonlinearity = 8 - f.linearity;
    for (int x = 0; x < 16; ++x) f.involution = f.involution && s[s[x]] == x;
    return f;
}
