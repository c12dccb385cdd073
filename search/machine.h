// The register machine's instructions: executing them in place on a machine_state (defined
// with the rest of a search's state in search/state.h) with the per-register bookkeeping that
// the enumeration's pruning rules read, the start state, and snapshots for backtracking.
#pragma once

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "search/limits.h"
#include "search/ot.h"
#include "search/state.h"


// The registers (bit r for register r) whose byte in a per-register array of eight bytes
// (neg, read) equals value.
inline unsigned registers_where(const void* bytes, uint8_t value) {
#if defined(__SSE2__)
    uint64_t packed;
    std::memcpy(&packed, bytes, 8);
    const __m128i v = _mm_cvtsi64_si128(static_cast<long long>(packed));
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_set1_epi8(static_cast<char>(value))))) & 0xff;
#else
    uint8_t b[8];
    std::memcpy(b, bytes, 8);
    unsigned set = 0;
    for (int r = 0; r < 8; r++)
        if (b[r] == value) set |= 1u << r;
    return set;
#endif
}

// The registers whose value is v.
inline unsigned registers_holding(const uint16_t (&reg)[8], uint16_t v) {
#if defined(__SSE2__)
    const __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(reg));
    const __m128i same = _mm_cmpeq_epi16(all, _mm_set1_epi16(static_cast<short>(v)));
    // Packed to one byte per register, then one bit per byte.
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(same, same))) & 0xff;
#else
    unsigned set = 0;
    for (int r = 0; r < 8; r++)
        if (reg[r] == v) set |= 1u << r;
    return set;
#endif
}

// The registers whose value has no 1 in common with v.
inline unsigned registers_disjoint_from(const uint16_t (&reg)[8], uint16_t v) {
#if defined(__SSE2__)
    const __m128i all = _mm_loadu_si128(reinterpret_cast<const __m128i*>(reg));
    const __m128i common = _mm_and_si128(all, _mm_set1_epi16(static_cast<short>(v)));
    const __m128i none = _mm_cmpeq_epi16(common, _mm_setzero_si128());
    return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(none, none))) & 0xff;
#else
    unsigned set = 0;
    for (int r = 0; r < 8; r++)
        if ((reg[r] & v) == 0) set |= 1u << r;
    return set;
#endif
}

// Inputs x0..x3 in registers 0..3, everything else cleared; lock entries are left as they are.
void init_state(machine_state& m);
// doinst ("do instructions"): executes x[0..n-1] in order.
void doinst(machine_state& m, const ot* x, int n);

// A snapshot row is a copy of the whole machine.
inline void save_state(const machine_state& m, machine_state& row) {
    row = m;
}
inline void restore_state(machine_state& m, const machine_state& row) {
    m = row;
}

// The value instruction x would leave in its destination (x.r1), without executing it.
inline uint16_t value_after(const machine_state& m, ot x) {
    const uint16_t d = m.reg[x.r1];
    switch (x.o) {
    case op_or: return static_cast<uint16_t>(d | m.reg[x.r2]);
    case op_and: return static_cast<uint16_t>(d & m.reg[x.r2]);
    case op_xor: return static_cast<uint16_t>(d ^ m.reg[x.r2]);
    case op_mov: return m.reg[x.r2];
    case op_not: return static_cast<uint16_t>(~d);
    case op_movc: return static_cast<uint16_t>(x.r2);
    default: return d;
    }
}

// Executes one instruction in place, with the bookkeeping of neg, read and maxused. When the
// destination is also the source, the source's bookkeeping is applied last.
inline void op(machine_state& m, ot x) {
    const int d = x.r1;
    const int s = x.r2;
    switch (x.o) {
    case op_or:
        m.reg[d] = static_cast<uint16_t>(m.reg[d] | m.reg[s]);
        m.neg[d] = 0; m.read[d] = read_written;
        m.neg[s] = 0; m.read[s] = read_consumed;
        break;
    case op_xor:
        m.reg[d] = static_cast<uint16_t>(m.reg[d] ^ m.reg[s]);
        m.neg[d] = 0; m.read[d] = read_written;
        m.neg[s] = 0; m.read[s] = read_consumed;
        break;
    case op_and:
        m.reg[d] = static_cast<uint16_t>(m.reg[d] & m.reg[s]);
        m.neg[d] = 0; m.read[d] = read_written;
        // A value written by `not` and not yet read keeps its flag through an `and`.
        if (m.read[s] != read_written) m.neg[s] = 0;
        m.read[s] = read_consumed;
        break;
    case op_mov:
        m.reg[d] = m.reg[s];
        m.neg[d] = 0; m.read[d] = read_moved;
        m.neg[s] = 0; m.read[s] = read_consumed;
        if (d > m.maxused) m.maxused = static_cast<int8_t>(d);
        break;
    case op_not:
        m.reg[d] = static_cast<uint16_t>(~m.reg[d]);
        m.neg[d] = 1; m.read[d] = read_written;
        break;
    case op_movc:
        m.reg[d] = static_cast<uint16_t>(s);
        m.neg[d] = 0; m.read[d] = read_written;
        if (d > m.maxused) m.maxused = static_cast<int8_t>(d);
        break;
    default:
        break;
    }
}
