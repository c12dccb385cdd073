#include "foundation/bits.h"
#include "foundation/fatal.h"
#include "foundation/log2.h"
#include "foundation/lt.h"

// Input i moves to the input whose bit j is A[j].i, XOR u; when two inputs meet the later
// one wins. Works on up to 8 variables, the reach of the linear rows.
Bits Bits::transform(const unsigned* A, unsigned u) const {
    int n = get_log2(len, "Bits::transform: length ");
    if (n > 8) fatal("ERROR in Bits::transform: to big to transform\n", 1);
    const unsigned short* rows[8];
    for (int j = 0; j < n; j++) rows[j] = L(A[j]);
    Bits r(len);
    for (unsigned i = 0; i < len; i++) {
        unsigned t = 0;
        for (int j = 0; j < n; j++) t |= ((rows[j][i >> 4] >> (i & 15)) & 1u) << j;
        r.set_bit(t ^ u, get_bit(i));
    }
    return r;
}

// Input translation: bit i of this vector becomes bit i XOR x of the result.
Bits Bits::transmute(unsigned short x) const {
    Bits r(*this);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.words; k++) s[k] = 0;
    r.weight = 0;
    for (unsigned i = 0; i < len; i++)
        if (get_bit(i)) r.set_bit(i ^ x);
    return r;
}
