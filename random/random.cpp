#include "random/random.h"

#include <algorithm>

namespace {

constexpr int lag1279 = 1279, tap1279 = 418;
constexpr int lag607 = 607, tap607 = 273;
constexpr int warm_up_steps = 10000;

// Fills table[0..last] with successive congruential values.
void fill_from_ansic(generator_state& g, unsigned short* table, int last) {
    for (int i = 0; i <= last; ++i) table[i] = static_cast<unsigned short>(rand_ansic(g));
}

}  // namespace

// Next congruential value: bits 16..30 of the new state.
unsigned rand_ansic(generator_state& g) {
    g.ransi = g.ransi * 1103515245u + 12345u;
    return (g.ransi >> 16) & 0x7fff;
}

// Seeds the congruential generator; only the low 32 bits of x are kept.
void srand_ansic(generator_state& g, unsigned long x) {
    g.ransi = static_cast<uint32_t>(x);
}

// Seeds the multiply-with-carry pair and both lag tables from the congruential generator and
// steps the lagged generators past their start-up transient.
void rand_init2(generator_state& g) {
    g.rx += rand_ansic(g);
    g.ry += rand_ansic(g);
    if (g.rx == 0) g.rx = 7;
    if (g.ry == 0) g.ry = 5;
    fill_from_ansic(g, g.r1279, lag1279);
    g.r1279a = lag1279;
    g.r1279b = tap1279;
    fill_from_ansic(g, g.r607, lag607);
    g.r607a = lag607;
    g.r607b = tap607;
    for (int i = 0; i < warm_up_steps; ++i) {
        rand_1279(g);
        rand_607(g);
    }
    for (int i = 0; i < 4; ++i) rand_mwc(g);
}

// Next value of the multiply-with-carry pair: the XOR of both generators.
unsigned rand_mwc(generator_state& g) {
    g.rx = 31083u * (g.rx & 0xffff) + (g.rx >> 16);
    g.ry = 31059u * (g.ry & 0xffff) + (g.ry >> 16);
    return g.rx ^ g.ry;
}

// Next value of the 1279-lag generator; the same step as the search's inline copy.
unsigned rand_1279(generator_state& g) {
    return rand_1279il(g);
}

// Next value of the 607-lag generator: x(n) = x(n-607) + x(n-273) mod 2^16.
unsigned rand_607(generator_state& g) {
    unsigned short result = g.r607[g.r607a] = static_cast<unsigned short>(g.r607[g.r607a] + g.r607[g.r607b]);
    if (--g.r607a == 0) g.r607a = lag607;
    if (--g.r607b == 0) g.r607b = lag607;
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
