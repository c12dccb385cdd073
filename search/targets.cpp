#include "search/targets.h"

#include "sbox/permute.h"
#include "sbox/sbox.h"

int per[sbox_capacity][24];
int inv[sbox_capacity][24];

namespace {
// The sc4 row of an S-box's coordinate set, or -1.
int row_of(const Sbox& s) {
    return get_sb4(bits_to_word(s.b[0]), bits_to_word(s.b[1]), bits_to_word(s.b[2]), bits_to_word(s.b[3]));
}

// The S-box of row r, word i of the row being output bit i.
Sbox sbox_of_row(unsigned r) {
    Bits t[4] = {Bits(16), Bits(16), Bits(16), Bits(16)};
    for (int i = 0; i < 4; i++) t[i] = Bits(&sc4[r][i], 16);
    return Sbox(t[0], t[1], t[2], t[3]);
}
}  // namespace

void init_dsi() {
    for (unsigned r = 0; r < sbcnt; r++)
        for (int k = 0; k < 24; k++) per[r][k] = inv[r][k] = -1;
    for (unsigned r = 0; r < sbcnt; r++) {
        const Sbox s = sbox_of_row(r);
        const Sbox inverse = s.inverse();
        for (int k = 0; k < 24; k++) {
            inv[r][k] = row_of(permuteSB4(inverse, k, 0));
            per[r][k] = row_of(permuteSB4(s, k, 0));
        }
    }
}
