#include "foundation/anf.h"
#include "foundation/log2.h"
#include "foundation/lt.h"

// Moebius transform, word-wise: clearing the lowest set bit m of the table with monomial m's
// row leaves bits 0..m clear. Rows are derived per word, so 512-bit tables work as well.
ANF get_ANF(const Bits& b) {
    unsigned short r[32];
    unsigned len = b.get_len();
    ANF a(get_log2(len, "get_ANF(Bits b): length"));
    unsigned n = (len + 15) / 16;
    for (unsigned k = 0; k < n; k++) r[k] = b.word(k);
    if (len < 16) r[0] = static_cast<unsigned short>(r[0] & ((1u << len) - 1));
    for (unsigned m = 0; m < len; m++) {
        if (!((r[m >> 4] >> (m & 15)) & 1)) continue;
        a.set_term(m);
        for (unsigned k = m >> 4; k < n; k++) r[k] = static_cast<unsigned short>(r[k] ^ monomial_word(m, k));
    }
    return a;
}

// Highest degree below var_cnt with a monomial present; the top monomial is not examined.
// Degree masks are derived per word, so every variable count is served.
int ANF::get_order() {
    if (order != -1) return order;
    auto has_degree = [this](int d) {
        for (unsigned k = 0; k < live_words(); k++)
            if (word(k) & degree_word(static_cast<unsigned>(d), k) & live_mask(k)) return true;
        return false;
    };
    int d = var_cnt - 1;
    while (d >= 1 && !has_degree(d)) d--;
    order = d < 1 ? 0 : d;
    return order;
}

// Number of variables that occur in some monomial with coefficient 1.
int ANF::get_real_var_cnt() {
    if (real_var_cnt != -1) return real_var_cnt;
    auto occurs = [this](int i) {
        for (unsigned k = 0; k < live_words(); k++)
            if (word(k) & linear_word(1u << i, k) & live_mask(k)) return true;
        return false;
    };
    int count = 0;
    for (int i = 0; i < var_cnt; i++)
        if (occurs(i)) count++;
    real_var_cnt = count;
    return count;
}

// Inverse transform: the XOR of the rows of all monomials present.
Bits ANF::get_bits() const {
    ANF t(*this);
    unsigned short* s = t.storage();
    unsigned n = live_words();
    for (unsigned k = 0; k < t.words; k++) s[k] = 0;
    bool any = false;
    for (unsigned m = 0; m < len; m++) {
        if (!get_bit(m)) continue;
        any = true;
        for (unsigned k = m >> 4; k < n; k++) s[k] = static_cast<unsigned short>(s[k] ^ monomial_word(m, k));
    }
    t.weight = any ? no_weight : 0;
    return Bits(t);
}

// Clears the constant and the linear monomials 2^i of every variable i.
void ANF::clr_lin() {
    clr_bit(0);
    for (int i = 0; i < var_cnt; i++) clr_bit(1u << i);
    weight = no_weight;
    real_var_cnt = -1;
    order = -1;
}
