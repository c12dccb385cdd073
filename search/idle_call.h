// Calls with nothing to do. At a call where the outputs fixed so far have met their deadline,
// only a candidate whose value fixes one more output can pass the verification (a component
// that stays with the fixed outputs in a listed S-box, as take_output tests it), and every
// value a candidate writes is the or, and or xor of two registers in use, a register (a mov)
// or a complement (a not). When none of these fixes an output, every candidate fails, and the
// call would only count its candidates as verified: the search leaves it out.
#pragma once

#include <cstdint>

#include "classes/quikfnd3.h"

namespace idle_call_detail {

inline int lowest(unsigned set) {
    return __builtin_ctz(set);
}

}  // namespace idle_call_detail

// Whether v would fix one more output after the `locked` outputs held in registers locks of
// reg: a component that stays with them in a listed S-box, as take_output tests it.
inline bool fixes_next_output(uint16_t v, const uint16_t* reg, const int8_t* locks, int locked) {
    if (!is_component(v)) return false;
    switch (locked) {
    case 0: return true;
    case 1: return pair_bit(valid[reg[locks[0]]], valid[v]) != 0;
    default: return check_sb3(reg[locks[0]], reg[locks[1]], v) != 0;
    }
}

// Whether a value built from the registers of the set `among` alone fixes one more output.
inline bool could_fix_among(const uint16_t* reg, unsigned among, const int8_t* locks, int locked) {
    using idle_call_detail::lowest;
    for (unsigned as = among; as; as &= as - 1) {
        const int a = lowest(as);
        if (fixes_next_output(reg[a], reg, locks, locked) ||
            fixes_next_output(static_cast<uint16_t>(~reg[a]), reg, locks, locked))
            return true;
        for (unsigned bs = as & (as - 1); bs; bs &= bs - 1) {
            const int b = lowest(bs);
            if (fixes_next_output(static_cast<uint16_t>(reg[a] | reg[b]), reg, locks, locked) ||
                fixes_next_output(static_cast<uint16_t>(reg[a] & reg[b]), reg, locks, locked) ||
                fixes_next_output(static_cast<uint16_t>(reg[a] ^ reg[b]), reg, locks, locked))
                return true;
        }
    }
    return false;
}

// Whether a value built from v (a register's new value) and the registers of `others` fixes
// one more output: v, its complement, and v with each of them.
inline bool could_fix_with(uint16_t v, const uint16_t* reg, unsigned others, const int8_t* locks, int locked) {
    using idle_call_detail::lowest;
    if (fixes_next_output(v, reg, locks, locked) || fixes_next_output(static_cast<uint16_t>(~v), reg, locks, locked))
        return true;
    for (; others; others &= others - 1) {
        const uint16_t r = reg[lowest(others)];
        if (fixes_next_output(static_cast<uint16_t>(v | r), reg, locks, locked) ||
            fixes_next_output(static_cast<uint16_t>(v & r), reg, locks, locked) ||
            fixes_next_output(static_cast<uint16_t>(v ^ r), reg, locks, locked))
            return true;
    }
    return false;
}
