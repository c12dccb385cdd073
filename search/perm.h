// The injectivity test: do the registers in use still tell all 16 inputs apart?
// init_perm builds gw and vals once at start-up (after the weight table); read-only afterwards.
#pragma once

#include <cstdint>

#include "search/machine.h"

extern unsigned short gw[65536];
// vals[a][b][c][d][e]: mask of the patterns a_n + 2b_n + 4c_n + 8d_n + 16e_n over bits n = 0..3.
extern uint32_t vals[16][16][16][16][16];

void init_perm();

// 1 when registers 0..3 (and 4 when in use) map the 16 inputs to 16 different patterns.
inline int check_perm() {
    using machine::reg;
    const unsigned r4 = machine::maxused > 3 ? reg[4] : 0;
    uint32_t mask = 0;
    for (int s = 0; s < 16; s += 4) {
        mask |= vals[(reg[0] >> s) & 15][(reg[1] >> s) & 15][(reg[2] >> s) & 15][(reg[3] >> s) & 15]
                    [(r4 >> s) & 15];
    }
    return gw[mask & 0xffff] + gw[mask >> 16] == 16 ? 1 : 0;
}
