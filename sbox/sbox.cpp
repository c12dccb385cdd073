#include "sbox/sbox.h"

#include <cctype>
#include <istream>
#include <ostream>

#include "foundation/init.h"

namespace {

// The stream's integer extraction with the value reduced modulo 65536, however long: skips
// whitespace, takes an optional sign and decimal digits. Fails, setting the stream's failure
// state, when the input has ended or no digit follows. A number that ends exactly at the end
// of the input leaves the end-of-file state clear; only the next extraction sets it.
bool extract_mod_65536(std::istream& in, int& value) {
    const std::istream::sentry ok(in);
    if (!ok) return false;
    int c = in.peek();
    const bool negative = c == '-';
    if (c == '+' || c == '-') {
        in.get();
        c = in.peek();
    }
    if (c == std::char_traits<char>::eof() || !std::isdigit(c)) {
        in.setstate(std::ios::failbit);
        return false;
    }
    unsigned v = 0;
    while (c != std::char_traits<char>::eof() && std::isdigit(c)) {
        v = (v * 10 + static_cast<unsigned>(c - '0')) & 0xffff;
        in.get();
        c = in.peek();
    }
    in.clear(in.rdstate() & ~std::ios::eofbit);
    value = static_cast<int>(negative ? (65536 - v) & 0xffff : v);
    return true;
}

// Sets the bits of the (zero) truth tables from the value table: bit x of b[j] is bit j of
// n[x]. Only the low four bits of each value reach the truth tables.
void fill_truth_tables(Sbox& s) {
    for (unsigned x = 0; x < 16; ++x)
        for (unsigned j = 0; j < 4; ++j)
            if ((s.n[x] >> j) & 1) s.b[j].set_bit(x);
}

// Parity of the set bits of a 4-bit value.
int parity4(unsigned v) {
    v &= 15;
    return (0x6996 >> v) & 1;
}

}  // namespace

// Zero truth tables; the value table is zeroed too, so that a partial read never leaves
// indeterminate values behind.
Sbox::Sbox() : b{Bits(16), Bits(16), Bits(16), Bits(16)}, n{} {}

// Value table from four truth tables, b1 holding output bit 0.
Sbox::Sbox(const Bits& b1, const Bits& b2, const Bits& b3, const Bits& b4) : b{b1, b2, b3, b4} {
    for (unsigned x = 0; x < 16; ++x)
        n[x] = static_cast<unsigned short>(b1.get_bit(x) + 2 * b2.get_bit(x) + 4 * b3.get_bit(x) +
                                           8 * b4.get_bit(x));
}

// Value table from sixteen ints, each cut to its low 16 bits.
Sbox::Sbox(const int* x) : Sbox() {
    for (int i = 0; i < 16; ++i) n[i] = static_cast<unsigned short>(x[i]);
    fill_truth_tables(*this);
}

// Scatters x to position n[x]; a value hit twice keeps its largest input, a value never hit
// stays 0. Values above 15 count by their low four bits, as in the truth tables.
Sbox Sbox::inverse() const {
    Sbox t;
    for (unsigned x = 0; x < 16; ++x) t.n[n[x] & 15] = static_cast<unsigned short>(x);
    fill_truth_tables(t);
    return t;
}

// Largest entry of the difference distribution table outside row and column 0. Also caches
// whether a one-bit input difference can give an output difference of at most one bit.
int Sbox::max_xor() {
    if (xor_max != -1) return xor_max;
    int table[16][16] = {};
    for (unsigned d = 0; d < 16; ++d)
        for (unsigned x = 0; x < 16; ++x) ++table[d][(n[x] ^ n[x ^ d]) & 15];
    int largest = 0;
    for (int d = 1; d < 16; ++d)
        for (int e = 1; e < 16; ++e)
            if (table[d][e] > largest) largest = table[d][e];
    single_bit = 0;
    for (int u = 1; u < 16; u <<= 1) {
        if (table[u][0] != 0) single_bit = 1;
        for (int v = 1; v < 16; v <<= 1)
            if (table[u][v] != 0) single_bit = 1;
    }
    return xor_max = largest;
}

// 1 when some input x and input bit u give n[x] XOR n[x XOR 2^u] of weight at most one.
int Sbox::single() {
    if (single_bit != -1) return single_bit;
    single_bit = 0;
    for (unsigned u = 1; u < 16; u <<= 1)
        for (unsigned x = 0; x < 16; ++x)
            if (get_weight(n[x] ^ n[x ^ u]) <= 1) single_bit = 1;
    return single_bit;
}

// Largest count of the linear approximation table over non-zero input and output masks:
// the number of x with parity(alpha & x) equal to parity(beta & n[x]).
int Sbox::max_lat() {
    if (lat_max != -1) return lat_max;
    int largest = 0;
    for (unsigned alpha = 1; alpha < 16; ++alpha)
        for (unsigned beta = 1; beta < 16; ++beta) {
            int count = 0;
            for (unsigned x = 0; x < 16; ++x) count += parity4(alpha & x) == parity4(beta & n[x]);
            if (count > largest) largest = count;
        }
    return lat_max = largest;
}

// 1 when the value table is a permutation of 0..15, 0 when a value exceeds 15 or repeats.
int Sbox::good() {
    unsigned seen = 0;
    for (unsigned x = 0; x < 16; ++x) {
        if (n[x] > 15) return 0;
        seen |= 1u << n[x];
    }
    return seen == 0xffff ? 1 : 0;
}

// The sixteen values in decimal, two blanks between neighbours, nothing before or after.
std::ostream& operator<<(std::ostream& out, const Sbox& s) {
    out << s.n[0];
    for (int x = 1; x < 16; ++x) out << "  " << s.n[x];
    return out;
}

// Reads sixteen integers modulo 65536. A failed extraction leaves its entry and all later ones
// unchanged. A number that ends exactly at the end of the input counts as read without
// reaching the end; only a further extraction sets the end-of-file state, so a caller can
// tell a complete last record from a truncated one. The truth tables and caches are rebuilt
// either way.
std::istream& operator>>(std::istream& in, Sbox& s) {
    int values[16];
    for (int x = 0; x < 16; ++x) values[x] = s.n[x];
    for (int x = 0; x < 16; ++x) {
        if (!extract_mod_65536(in, values[x])) break;
    }
    s = Sbox(values);
    return in;
}
