// The injectivity test: do the registers in use still tell all 16 inputs apart?
// init_perm builds gw and vals once at start-up (after the weight table); read-only afterwards.
#pragma once

#include <cstdint>

#include "search/machine.h"

extern unsigned short gw[65536];
// vals[a][b][c][d][e]: mask of the patterns a_n + 2b_n + 4c_n + 8d_n + 16e_n over bits n = 0..3.
extern uint32_t vals[16][16][16][16][16];

void init_perm();

// 1 when the five register values r[0..4] map the 16 inputs to 16 different patterns.
inline int check_perm(const uint16_t* r) {
    uint32_t mask = 0;
    for (int s = 0; s < 16; s += 4) {
        mask |= vals[(r[0] >> s) & 15][(r[1] >> s) & 15][(r[2] >> s) & 15][(r[3] >> s) & 15][(r[4] >> s) & 15];
    }
    return gw[mask & 0xffff] + gw[mask >> 16] == 16 ? 1 : 0;
}

// 1 when registers 0..3, and 4 when in use, map the 16 inputs to 16 different patterns; a
// register 4 not in use counts as all zeros.
inline int check_perm(const machine_state& m) {
    const uint16_t r[5] = {m.reg[0], m.reg[1], m.reg[2], m.reg[3], m.maxused > 3 ? m.reg[4] : uint16_t(0)};
    return check_perm(r);
}
