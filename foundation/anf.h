// ANF: the algebraic normal form of a Boolean function of n variables, as a bit vector of
// 2^n coefficients; bit m is the coefficient of the product of the variables set in m.
#pragma once

#include "foundation/bits.h"

class ANF : public Bits {
public:
    explicit ANF(int vars);
    ANF(const ANF& old);
    ANF& operator=(const ANF& old);

    int get_var_cnt() const { return var_cnt; }
    void set_term(unsigned term);
    // Highest degree d < var_cnt with a monomial present (the top monomial is not examined).
    int get_order();
    // Number of variables that occur in some monomial.
    int get_real_var_cnt();
    // The truth table of the form (inverse Moebius transform).
    Bits get_bits() const;
    // Clears the constant and the linear monomials.
    void clr_lin();

    ANF operator^(const ANF& y) const;
    ANF operator^(const unsigned short* y) const;
    friend ANF operator^(const unsigned short* x, const ANF& y);

    friend std::ostream& operator<<(std::ostream& out, const ANF& a);
    friend std::istream& operator>>(std::istream& in, ANF& ob);

private:
    int var_cnt;
    int real_var_cnt;  // -1 = not computed
    int order;         // -1 = not computed
};

// Moebius transform of a truth table of 2 to 256 bits.
ANF get_ANF(const Bits& b);
