#include <iostream>

#include "foundation/anf.h"
#include "foundation/log2.h"

// XOR over the shorter form, which gives the result's length and variable count.
ANF ANF::operator^(const ANF& y) const {
    ANF r(len <= y.len ? *this : y);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.live_words(); k++) s[k] = static_cast<unsigned short>(word(k) ^ y.word(k));
    r.weight = no_weight;
    r.real_var_cnt = -1;
    r.order = -1;
    return r;
}

// XOR with a row of words over the form's length.
ANF ANF::operator^(const unsigned short* y) const {
    ANF r(*this);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.live_words(); k++) s[k] = static_cast<unsigned short>(s[k] ^ y[k]);
    r.weight = no_weight;
    r.real_var_cnt = -1;
    r.order = -1;
    return r;
}

// XOR of a row of words with a form, over the form's length.
ANF operator^(const unsigned short* x, const ANF& y) {
    return y ^ x;
}

// Written exactly as a vector: coefficient 0 first, then one blank.
std::ostream& operator<<(std::ostream& out, const ANF& a) {
    return out << static_cast<const Bits&>(a);
}

// Reads the coefficients; their count must be a table length of 2 to 512.
std::istream& operator>>(std::istream& in, ANF& ob) {
    ob.read_text(in, "ANF");
    ob.order = -1;
    ob.real_var_cnt = -1;
    ob.var_cnt = get_log2(ob.len, "ANF::>> : length");
    return in;
}
