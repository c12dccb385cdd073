#include "search/perm.h"

#include <iostream>

#include "foundation/init.h"

unsigned short gw[65536];
uint32_t vals[16][16][16][16][16];

namespace {
// vals2[a][b][n] = bit n of a + 2 * bit n of b: the two-value part of a pattern.
unsigned vals2[16][16][4];
}  // namespace

void init_perm() {
    for (unsigned v = 0; v < 65536; v++) gw[v] = static_cast<unsigned short>(get_weight(v));
    for (int a = 0; a < 16; a++)
        for (int b = 0; b < 16; b++)
            for (int n = 0; n < 4; n++) vals2[a][b][n] = ((a >> n) & 1) + 2 * ((b >> n) & 1);
    std::cout << "initializing perms\n";
    for (int a = 0; a < 16; a++)
        for (int b = 0; b < 16; b++)
            for (int c = 0; c < 16; c++)
                for (int d = 0; d < 16; d++)
                    for (int e = 0; e < 16; e++) {
                        uint32_t mask = 0;
                        for (int n = 0; n < 4; n++) {
                            unsigned p = vals2[a][b][n] + 4 * vals2[c][d][n] + (((e >> n) & 1) ? 16 : 0);
                            mask |= uint32_t(1) << p;
                        }
                        vals[a][b][c][d][e] = mask;
                    }
}
