// The random number generators: a congruential generator that is seeded directly, two
// additive lagged-Fibonacci generators filled from it, and a multiply-with-carry pair.
// All state is global; the search draws from rand_1279il.
#pragma once

#include <cstdint>

extern uint32_t ransi;
extern uint32_t rx, ry;
extern unsigned short r1279[1280];
extern int r1279a, r1279b;
extern unsigned short r607[608];
extern int r607a, r607b;

// Everything the generators hold, so that a run can stop and go on with the same sequence.
struct generator_state {
    uint32_t ransi, rx, ry;
    unsigned short r1279[1280];
    int r1279a, r1279b;
    unsigned short r607[608];
    int r607a, r607b;
};
generator_state save_generators();
void restore_generators(const generator_state& g);

unsigned rand_ansic();
void srand_ansic(unsigned long x);
void rand_init2();
unsigned rand_mwc();
unsigned rand_1279();
unsigned rand_607();
int factorial(int i);
int combo(int i, int j);

// The search's copy of rand_1279, on the same state; inline because the enumeration calls it
// at every gated node.
inline unsigned rand_1279il() {
    unsigned short result = r1279[r1279a] = static_cast<unsigned short>(r1279[r1279a] + r1279[r1279b]);
    if (--r1279a == 0) r1279a = 1279;
    if (--r1279b == 0) r1279b = 1279;
    return result;
}
