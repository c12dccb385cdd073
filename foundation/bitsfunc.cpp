#include "foundation/bits.h"
#include "foundation/init.h"
#include "foundation/lt.h"

// Hamming distance.
unsigned d(const Bits& x, const Bits& y) {
    return (x ^ y).get_weight();
}

// Distance to a row of words taken over x's length.
unsigned d(const Bits& x, const unsigned short* y) {
    return (x ^ y).get_weight();
}

// Distance to a row of words taken over y's length.
unsigned d(const unsigned short* x, const Bits& y) {
    return (x ^ y).get_weight();
}

// Counted word by word against the linear rows, without building a vector; the rows are
// derived per word so that vectors longer than the 256-bit tables are measured correctly.
unsigned Bits::linear_distance(unsigned a) const {
    unsigned dist = 0;
    for (unsigned k = 0; k < live_words(); k++)
        dist += ::get_weight((word(k) ^ linear_word(a, k)) & live_mask(k));
    return dist;
}

// Smallest distance to any linear function or its complement.
unsigned Bits::N() const {
    unsigned best = 65536;
    for (unsigned i = 0; i < len; i++) {
        unsigned k = linear_distance(i);
        unsigned near = k < len - k ? k : len - k;
        if (near < best) best = near;
    }
    return best;
}

// As N, over the linear functions of at most x variables.
unsigned Bits::LR(int x) const {
    unsigned best = 65536;
    for (unsigned i = 0; i < len; i++) {
        if (static_cast<int>(::get_weight(i)) > x) continue;
        unsigned k = linear_distance(i);
        unsigned near = k < len - k ? k : len - k;
        if (near < best) best = near;
    }
    return best;
}

// Complement of every bit below the length; a cached weight stays exact.
Bits Bits::invert() const {
    Bits r(*this);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.live_words(); k++) s[k] = static_cast<unsigned short>(~s[k]);
    if (weight != no_weight) r.weight = len - weight;
    return r;
}
