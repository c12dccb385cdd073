#include "foundation/lt.h"

#include "foundation/fatal.h"
#include "foundation/init.h"

unsigned short LA[512][16];
unsigned short TA[256][16];
unsigned short OA[9][16];

namespace {

// Sets bit x of a 256-bit row.
void set_row_bit(unsigned short* row, unsigned x) {
    row[x >> 4] = static_cast<unsigned short>(row[x >> 4] | (1u << (x & 15)));
}

// Linear functions a.x and their complements 1 + a.x.
void build_linear_rows() {
    for (auto& row : LA)
        for (auto& w : row) w = 0;
    for (unsigned a = 0; a < 256; a++)
        for (unsigned x = 0; x < 256; x++)
            if (get_weight(a & x) & 1) set_row_bit(LA[a], x);
    for (unsigned a = 0; a < 256; a++)
        for (unsigned k = 0; k < 16; k++) LA[a + 256][k] = static_cast<unsigned short>(~LA[a][k]);
}

// Monomial m is 1 exactly on the inputs that contain every variable of m.
void build_monomial_rows() {
    for (auto& row : TA)
        for (auto& w : row) w = 0;
    for (unsigned m = 0; m < 256; m++)
        for (unsigned x = 0; x < 256; x++)
            if ((m & x) == m) set_row_bit(TA[m], x);
}

// Row d marks the monomial indexes of degree d; row 0 stays empty.
void build_degree_rows() {
    for (unsigned d = 1; d <= 8; d++)
        for (unsigned x = 0; x < 256; x++)
            if (get_weight(x) == d) set_row_bit(OA[d], x);
}

}  // namespace

// Builds LA, TA and OA; needs the byte weight table.
void init_LT() {
    build_linear_rows();
    build_monomial_rows();
    build_degree_rows();
}

// Row x of LA.
unsigned short* L(unsigned x) {
    if (x >= 512) fatal("ERROR is L: Value to big", 1);
    return LA[x];
}

// The table of input variable x (x = 8 gives the constant 1).
unsigned short* I(unsigned x) {
    if (x > 8) fatal("ERROR is T: Value to big", 1);
    return LA[1u << x];
}

// Row x of TA.
unsigned short* T(unsigned x) {
    if (x >= 256) fatal("ERROR is T: Value to big", 1);
    return TA[x];
}

// Row x of OA.
unsigned short* O(unsigned x) {
    if (x > 8) fatal("ERROR is O: Value to big", 1);
    return OA[x];
}

// Input x = 16k + j: a.x = a.(16k) + a.j, so every word is row (a mod 16) or its complement.
unsigned short linear_word(unsigned a, unsigned k) {
    unsigned short low = LA[a & 15][0];
    return (get_weight(a & (k << 4)) & 1) ? static_cast<unsigned short>(~low) : low;
}

// Input x = 16k + j contains m when k contains m's high part and j its low part.
unsigned short monomial_word(unsigned m, unsigned k) {
    unsigned high = m >> 4;
    return (k & high) == high ? TA[m & 15][0] : 0;
}

// Index x = 16k + j has degree d when j has degree d minus the weight of k.
unsigned short degree_word(unsigned d, unsigned k) {
    int e = static_cast<int>(d) - static_cast<int>(get_weight(k));
    if (e < 0 || e > 4) return 0;
    return e == 0 ? 1 : OA[e][0];
}
