#include "tools/relabel.h"

#include <algorithm>

namespace {

// The truth table of output bit i of s.
unsigned coordinate(const sbox_values& s, int i) {
    unsigned word = 0;
    for (int x = 0; x < 16; ++x) word |= ((static_cast<unsigned>(s[x]) >> i) & 1u) << x;
    return word;
}

// x with bit r equal to bit reads[r] of y.
int fed(const std::array<int, 4>& reads, int y) {
    int x = 0;
    for (int r = 0; r < 4; ++r) x |= ((y >> reads[r]) & 1) << r;
    return x;
}

}  // namespace

sbox_values relabelled(const sbox_values& computed, const relabelling& how) {
    sbox_values t{};
    for (int y = 0; y < 16; ++y) {
        const int s = computed[fed(how.reads, y)];
        for (int i = 0; i < 4; ++i) t[y] |= ((s >> how.from[i]) & 1) << i;
    }
    return t;
}

std::optional<relabelling> find_relabelling(const sbox_values& target, const sbox_values& computed) {
    unsigned wanted[4];
    for (int i = 0; i < 4; ++i) wanted[i] = coordinate(target, i);
    relabelling how{{0, 1, 2, 3}, {0, 1, 2, 3}};
    do {
        sbox_values inputs_fed{};
        for (int y = 0; y < 16; ++y) inputs_fed[y] = computed[fed(how.reads, y)];
        unsigned have[4];
        for (int i = 0; i < 4; ++i) have[i] = coordinate(inputs_fed, i);
        how.from = {0, 1, 2, 3};
        do {
            bool fits = true;
            for (int i = 0; i < 4 && fits; ++i) fits = have[how.from[i]] == wanted[i];
            if (fits) return how;
        } while (std::next_permutation(how.from.begin(), how.from.end()));
    } while (std::next_permutation(how.reads.begin(), how.reads.end()));
    return std::nullopt;
}

std::array<int, 4> output_registers(const relabelling& how, const std::array<int, 4>& locks) {
    std::array<int, 4> writers{};
    for (int i = 0; i < 4; ++i) writers[i] = locks[how.from[i]];
    return writers;
}

std::string wiring_text(const relabelling& how, const std::array<int, 4>& locks) {
    const std::array<int, 4> writers = output_registers(how, locks);
    std::string text;
    for (int r = 0; r < 4; ++r)
        text += (r ? " r" : "r") + std::to_string(r) + "=in[" + std::to_string(how.reads[r]) + "]";
    text += " ";
    for (int i = 0; i < 4; ++i)
        text += " out[" + std::to_string(i) + "]=r" + std::to_string(writers[i]);
    return text;
}
