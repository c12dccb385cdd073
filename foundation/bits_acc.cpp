#include <iostream>

#include "foundation/bits.h"
#include "foundation/fatal.h"
#include "foundation/init.h"

// Counts the bits below len once and caches the count; a count equal to the
// marker 65535 cannot be cached and is counted again on every call.
unsigned Bits::get_weight() {
    if (weight != no_weight) return weight;
    const unsigned short* s = storage();
    unsigned n = live_words();
    uint32_t count = 0;
    for (unsigned k = 0; k < n; k++) count += ::get_weight(s[k] & live_mask(k));
    weight = count;
    return count;
}

// Bit at location, 0 or 1.
int Bits::get_bit(unsigned location) const {
    if (location >= len) fatal("ERROR in Bits::get_bit : Invalid Location\n", 1);
    return (word(location >> 4) >> (location & 15)) & 1;
}

// Sets the bit to the truth value of value, keeping a cached weight exact.
void Bits::set_bit(unsigned location, unsigned value) {
    if (location >= len) fatal("ERROR in Bits::set_bit : Invalid Location\n", 1);
    unsigned short& w = storage()[location >> 4];
    unsigned short bit = static_cast<unsigned short>(1u << (location & 15));
    bool is_set = (w & bit) != 0;
    if (is_set == (value != 0)) return;
    w ^= bit;
    if (weight != no_weight) weight = is_set ? weight - 1 : weight + 1;
}

// set_bit(location, 1).
void Bits::set_bit(unsigned location) {
    set_bit(location, 1);
}

// set_bit(location, 0).
void Bits::clr_bit(unsigned location) {
    set_bit(location, 0);
}

// Flips the bit, keeping a cached weight exact.
void Bits::comp_bit(unsigned location) {
    if (location >= len) fatal("ERROR in Bits::comp_bit : Invalid Location\n", 1);
    set_bit(location, get_bit(location) ^ 1);
}

// Writes "1 " or "0 " for the bit.
void Bits::print_bit(unsigned location) const {
    if (location >= len) fatal("ERROR in Bits::print_bit : Invalid Location\n", 1);
    std::cout << (get_bit(location) ? "1 " : "0 ");
}
