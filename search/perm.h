// The injectivity test: do the registers in use still tell all 16 inputs apart?
// Two inputs x and y = x + d (mod 16), d = 1..8, cover every pair of inputs once (d = 8 twice),
// so the registers are injective exactly when, for every d and x, some register differs at x
// and x + d. A register's differences for all eight distances fit one 128-bit value, so the
// test is a few vector operations and no table.
#pragma once

#include <cstdint>
#include <iostream>

#include "search/machine.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// For d = 1..8 (lane d - 1), bit x set when the registers taken into it differ at inputs x
// and x + d (mod 16).
struct separation {
#if defined(__SSE2__)
    __m128i lanes;
#else
    uint16_t lanes[8];
#endif
};

// The pairs of inputs that no register separates yet.
inline separation no_separation() {
#if defined(__SSE2__)
    return {_mm_setzero_si128()};
#else
    return {};
#endif
}

// The pairs of inputs that the truth table w separates.
inline separation separation_of(uint16_t w) {
#if defined(__SSE2__)
    // w rotated right by d in lane d - 1: the low and high halves of w * 2^(16-d).
    const __m128i factors = _mm_setr_epi16(-32768, 1 << 14, 1 << 13, 1 << 12, 1 << 11, 1 << 10, 1 << 9, 1 << 8);
    const __m128i ww = _mm_set1_epi16(static_cast<short>(w));
    const __m128i rotated = _mm_or_si128(_mm_mullo_epi16(ww, factors), _mm_mulhi_epu16(ww, factors));
    return {_mm_xor_si128(ww, rotated)};
#else
    separation s;
    for (int d = 1; d <= 8; d++) s.lanes[d - 1] = static_cast<uint16_t>(w ^ ((w >> d) | (w << (16 - d))));
    return s;
#endif
}

// The pairs that either a or b separates.
inline separation operator|(separation a, separation b) {
#if defined(__SSE2__)
    return {_mm_or_si128(a.lanes, b.lanes)};
#else
    for (int d = 0; d < 8; d++) a.lanes[d] = static_cast<uint16_t>(a.lanes[d] | b.lanes[d]);
    return a;
#endif
}

// Every pair of inputs is separated.
inline bool all_separated(separation s) {
#if defined(__SSE2__)
    return _mm_movemask_epi8(_mm_cmpeq_epi16(s.lanes, _mm_set1_epi16(-1))) == 0xffff;
#else
    for (uint16_t lane : s.lanes)
        if (lane != 0xffff) return false;
    return true;
#endif
}

// What the registers 0..3, and 4 when maxused says it is in use, separate, leaving out
// register `except` (-1 for none).
inline separation separation_of_registers(const machine_state& m, int maxused, int except) {
    separation s = no_separation();
    const int last = maxused > 3 ? 4 : 3;
    for (int r = 0; r <= last; r++)
        if (r != except) s = s | separation_of(m.reg[r]);
    return s;
}

// Writes "initializing perms" as the search's start-up announces the injectivity test.
void init_perm(std::ostream& console = std::cout);

// 1 when registers 0..3, and 4 when in use, map the 16 inputs to 16 different patterns; a
// register 4 not in use counts as all zeros.
inline int check_perm(const machine_state& m) {
    return all_separated(separation_of_registers(m, m.maxused, -1)) ? 1 : 0;
}
