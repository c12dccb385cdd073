#include "random/random.h"

#include <algorithm>

uint32_t ransi = 1;
uint32_t rx = 0, ry = 0;
unsigned short r1279[1280];
int r1279a = 0, r1279b = 0;
unsigned short r607[608];
int r607a = 0, r607b = 0;

namespace {

constexpr int lag1279 = 1279, tap1279 = 418;
constexpr int lag607 = 607, tap607 = 273;
constexpr int warm_up_steps = 10000;

// Fills table[0..last] with successive congruential values.
void fill_from_ansic(unsigned short* table, int last) {
    for (int i = 0; i <= last; ++i) table[i] = static_cast<unsigned short>(rand_ansic());
}

}  // namespace

generator_state save_generators() {
    generator_state g;
    g.ransi = ransi;
    g.rx = rx;
    g.ry = ry;
    std::copy(r1279, r1279 + 1280, g.r1279);
    g.r1279a = r1279a;
    g.r1279b = r1279b;
    std::copy(r607, r607 + 608, g.r607);
    g.r607a = r607a;
    g.r607b = r607b;
    return g;
}

void restore_generators(const generator_state& g) {
    ransi = g.ransi;
    rx = g.rx;
    ry = g.ry;
    std::copy(g.r1279, g.r1279 + 1280, r1279);
    r1279a = g.r1279a;
    r1279b = g.r1279b;
    std::copy(g.r607, g.r607 + 608, r607);
    r607a = g.r607a;
    r607b = g.r607b;
}

// Next congruential value: bits 16..30 of the new state.
unsigned rand_ansic() {
    ransi = ransi * 1103515245u + 12345u;
    return (ransi >> 16) & 0x7fff;
}

// Seeds the congruential generator; only the low 32 bits of x are kept.
void srand_ansic(unsigned long x) {
    ransi = static_cast<uint32_t>(x);
}

// Seeds the multiply-with-carry pair and both lag tables from the congruential generator and
// steps the lagged generators past their start-up transient.
void rand_init2() {
    rx += rand_ansic();
    ry += rand_ansic();
    if (rx == 0) rx = 7;
    if (ry == 0) ry = 5;
    fill_from_ansic(r1279, lag1279);
    r1279a = lag1279;
    r1279b = tap1279;
    fill_from_ansic(r607, lag607);
    r607a = lag607;
    r607b = tap607;
    for (int i = 0; i < warm_up_steps; ++i) {
        rand_1279();
        rand_607();
    }
    for (int i = 0; i < 4; ++i) rand_mwc();
}

// Next value of the multiply-with-carry pair: the XOR of both generators.
unsigned rand_mwc() {
    rx = 31083u * (rx & 0xffff) + (rx >> 16);
    ry = 31059u * (ry & 0xffff) + (ry >> 16);
    return rx ^ ry;
}

// Next value of the 1279-lag generator; the same step as the search's inline copy.
unsigned rand_1279() {
    return rand_1279il();
}

// Next value of the 607-lag generator: x(n) = x(n-607) + x(n-273) mod 2^16.
unsigned rand_607() {
    unsigned short result = r607[r607a] = static_cast<unsigned short>(r607[r607a] + r607[r607b]);
    if (--r607a == 0) r607a = lag607;
    if (--r607b == 0) r607b = lag607;
    return result;
}

// i! for 0 <= i <= 11, the largest that fits in 32 bits; 0 outside that range.
int factorial(int i) {
    if (i < 0 || i > 11) return 0;
    int result = 1;
    for (int k = 2; k <= i; ++k) result *= k;
    return result;
}

// Binomial coefficient C(i, j) for i up to 11; the tests run in a fixed order, so that
// C(0, j) and C(1, j) are 1 for every j, even j > i.
int combo(int i, int j) {
    if (j == 0 || j == i) return 1;
    if (i == 0 || i == 1) return 1;
    if (j > i || j < 0) return 0;
    if (i > 11 || i < 0) return 0;
    return (factorial(i) / factorial(j)) / factorial(i - j);
}
