#include <iostream>
#include <sstream>
#include <string>

#include "foundation/bits.h"
#include "foundation/fatal.h"

// The result starts as a copy of the shorter operand, so it has that operand's length.
Bits Bits::logic(const Bits& y, char op) const {
    Bits r(len <= y.len ? *this : y);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.live_words(); k++) {
        unsigned a = word(k), b = y.word(k);
        s[k] = static_cast<unsigned short>(op == '^' ? a ^ b : op == '&' ? a & b : a | b);
    }
    r.weight = no_weight;
    return r;
}

// XOR over the shorter length.
Bits Bits::operator^(const Bits& y) const {
    return logic(y, '^');
}

// AND over the shorter length.
Bits Bits::operator&(const Bits& y) const {
    return logic(y, '&');
}

// OR over the shorter length.
Bits Bits::operator|(const Bits& y) const {
    return logic(y, '|');
}

// XOR with a row of words (e.g. a table row); y must cover this vector's length.
Bits Bits::operator^(const unsigned short* y) const {
    Bits r(*this);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < r.live_words(); k++) s[k] = static_cast<unsigned short>(s[k] ^ y[k]);
    r.weight = no_weight;
    return r;
}

// XOR of a row of words with a vector, over the vector's length.
Bits operator^(const unsigned short* x, const Bits& y) {
    return y ^ x;
}

// Concatenation: this vector's bits, then y's; more than 65536 bits fails the length check.
Bits Bits::operator+(const Bits& y) const {
    if (y.len == 0) return *this;
    if (len == 0) return y;
    Bits r(len + y.len);
    unsigned short* s = r.storage();
    for (unsigned k = 0; k < live_words(); k++) s[k] = word(k) & live_mask(k);
    for (unsigned k = 0; k < y.live_words(); k++) {
        uint32_t v = static_cast<uint32_t>(y.word(k) & y.live_mask(k)) << ((len + 16 * k) & 15);
        unsigned at = (len + 16 * k) >> 4;
        s[at] = static_cast<unsigned short>(s[at] | v);
        if ((v >> 16) != 0) s[at + 1] = static_cast<unsigned short>(s[at + 1] | (v >> 16));
    }
    r.weight = no_weight;
    return r;
}

// -1 when both have the same length and the same bits below it, else 0.
int Bits::operator==(const Bits& y) const {
    if (len != y.len) return 0;
    for (unsigned k = 0; k < live_words(); k++)
        if ((word(k) ^ y.word(k)) & live_mask(k)) return 0;
    return -1;
}

// "0"/"1" per bit, bit 0 first, then one blank.
std::ostream& operator<<(std::ostream& out, const Bits& b) {
    std::string text(b.len + 1, ' ');
    for (unsigned i = 0; i < b.len; i++) text[i] = static_cast<char>('0' + ((b.word(i >> 4) >> (i & 15)) & 1));
    return out << text;
}

// Reads a run of "0"/"1" digits into the vector; a shorter run shortens it, a longer one
// is an error. The character that ends the run is consumed.
void Bits::read_text(std::istream& in, const char* who) {
    unsigned short* s = storage();
    for (unsigned k = 0; k < words; k++) s[k] = 0;
    weight = 0;
    skipwhite(in);
    int c = in.get();
    if (in.eof() || c == std::istream::traits_type::eof()) fatal("ERROR in ANF::>> : read past eof\n", 1);
    if (c != '0' && c != '1') {
        std::ostringstream text;
        text << "ERROR in " << who << "::>> : invalid input character (0x" << std::hex << c << ")\n";
        fatal(text.str(), 1);
    }
    unsigned i = 0;
    for (; (c == '0' || c == '1') && i < len; i++, c = in.get()) set_bit(i, c == '1');
    if (i == len && (c == '0' || c == '1'))
        fatal("ERROR in " + std::string(who) + "::>> : Input too long - max " + std::to_string(len) + "\n", 1);
    len = i;
}

// The text reader for vectors.
std::istream& operator>>(std::istream& in, Bits& ob) {
    ob.read_text(in, "Bits");
    return in;
}
