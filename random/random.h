// The random number generators: a congruential generator that is seeded directly, two
// additive lagged-Fibonacci generators filled from it, and a multiply-with-carry pair. Their
// whole state is one value, generator_state, that each run owns; the search draws from
// rand_1279il on its run's state.
#pragma once

#include <cstdint>

struct generator_state {
    uint32_t ransi = 1;             // the congruential generator's state
    uint32_t rx = 0, ry = 0;        // the multiply-with-carry pair
    unsigned short r1279[1280] = {};  // lag table of the 1279-lag generator (entries 1..1279)
    int r1279a = 0, r1279b = 0;     // its two taps
    unsigned short r607[608] = {};    // lag table of the 607-lag generator (entries 1..607)
    int r607a = 0, r607b = 0;       // its two taps
};

unsigned rand_ansic(generator_state& g);
void srand_ansic(generator_state& g, unsigned long x);
void rand_init2(generator_state& g);
unsigned rand_mwc(generator_state& g);
unsigned rand_1279(generator_state& g);
unsigned rand_607(generator_state& g);
int factorial(int i);
int combo(int i, int j);

// The search's copy of rand_1279, on the same state; inline because the enumeration calls it
// at every gated node.
inline unsigned rand_1279il(generator_state& g) {
    unsigned short result = g.r1279[g.r1279a] = static_cast<unsigned short>(g.r1279[g.r1279a] + g.r1279[g.r1279b]);
    if (--g.r1279a == 0) g.r1279a = 1279;
    if (--g.r1279b == 0) g.r1279b = 1279;
    return result;
}
