// The lookups that are not inlined: the truth-table conversion and the pair test.
#include "classes/quikfnd3.h"

// The first 16 bits of the vector as a word (bit i of the word is bit i of the vector).
// A vector shorter than 16 bits ends the process with the bit-read error, as reading its bits
// one by one would at the first missing position.
unsigned short bits_to_word(const Bits& b) {
    if (b.get_len() < 16) b.get_bit(b.get_len());
    return b.word(0);
}

// 1 when both words are components that are coordinates of one listed S-box.
int check_list(unsigned short a, unsigned short b) {
    int ia = valid[a];
    int ib = valid[b];
    if (ia < 0 || ib < 0) return 0;
    return pair_bit(ia, ib);
}
