#include "foundation/anf.h"

namespace {

// 2^vars coefficients; counts outside 0..16 give a length the Bits check refuses.
unsigned anf_length(int vars) {
    return vars >= 0 && vars <= 16 ? 1u << vars : 0;
}

}  // namespace

// The zero form of vars variables, whose degree and variable count are 0.
ANF::ANF(int vars) : Bits(anf_length(vars)), var_cnt(vars), real_var_cnt(0), order(0) {}

// Deep copy with the caches.
ANF::ANF(const ANF& old)
    : Bits(old), var_cnt(old.var_cnt), real_var_cnt(old.real_var_cnt), order(old.order) {}

// Copies coefficients and caches; the storage follows the source's word count.
ANF& ANF::operator=(const ANF& old) {
    Bits::operator=(old);
    var_cnt = old.var_cnt;
    real_var_cnt = old.real_var_cnt;
    order = old.order;
    return *this;
}

// Sets one coefficient; the cached properties no longer hold.
void ANF::set_term(unsigned term) {
    set_bit(term, 1);
    real_var_cnt = -1;
    order = -1;
}
