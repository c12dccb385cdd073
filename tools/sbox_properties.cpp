#include "tools/sbox_properties.h"

#include <algorithm>
#include <cstdlib>
#include <sstream>

#include "foundation/anf.h"

namespace {

int weight(int v) {
    return __builtin_popcount(static_cast<unsigned>(v));
}

// The ANF as a sum of monomials, "0" for the zero function.
std::string polynomial(const ANF& form) {
    std::string text;
    for (unsigned m = 0; m < 16; ++m) {
        if (!form.get_bit(m)) continue;
        std::string monomial;
        for (int v = 0; v < 4; ++v)
            if ((m >> v) & 1) monomial += "x" + std::to_string(v);
        text += (text.empty() ? "" : " + ") + (monomial.empty() ? std::string("1") : monomial);
    }
    return text.empty() ? "0" : text;
}

// Algebraic degree. get_order never looks at the top monomial, which only a non-bijective
// S-box's coordinate can have; it makes the degree 4.
int degree_of(ANF& form) {
    return form.get_bit(15) ? 4 : form.get_order();
}

}  // namespace

sbox_table difference_table(const sbox_values& s) {
    sbox_table ddt{};
    for (int a = 0; a < 16; ++a)
        for (int x = 0; x < 16; ++x) ++ddt[a][s[x] ^ s[x ^ a]];
    return ddt;
}

sbox_table linear_table(const sbox_values& s) {
    sbox_table lat{};
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            int holds = 0;
            for (int x = 0; x < 16; ++x) holds += weight(a & x) % 2 == weight(b & s[x]) % 2;
            lat[a][b] = holds - 8;
        }
    return lat;
}

// The differential branch number min wt(x XOR x') + wt(S(x) XOR S(x')) over x != x' is the
// least wt(a) + wt(b) over the non-zero entries of row a != 0 of the difference table; the
// linear one is read off the non-zero entries of the linear table in the same way.
sbox_figures figures_of(const sbox_values& s) {
    const sbox_table ddt = difference_table(s);
    const sbox_table lat = linear_table(s);
    sbox_figures f{0, 0, 0, 8, 8, true};
    for (int a = 0; a < 16; ++a)
        for (int b = 0; b < 16; ++b) {
            if (a != 0) f.uniformity = std::max(f.uniformity, ddt[a][b]);
            if (b != 0) f.linearity = std::max(f.linearity, std::abs(lat[a][b]));
            if (a != 0 && ddt[a][b] != 0) f.differential_branch = std::min(f.differential_branch, weight(a) + weight(b));
            if ((a | b) != 0 && lat[a][b] != 0) f.linear_branch = std::min(f.linear_branch, weight(a) + weight(b));
        }
    f.nonlinearity = 8 - f.linearity;
    for (int x = 0; x < 16; ++x) f.involution = f.involution && s[s[x]] == x;
    return f;
}

analysis analyze(const sbox_values& values) {
    analysis a;
    Sbox s = make_sbox(values);
    a.values = values;
    a.bijective = repeated_value(values) < 0;
    if (a.bijective) a.inverse = inverse_of(values);
    a.figures = figures_of(values);
    a.max_xor = s.max_xor();
    a.max_lat = s.max_lat();
    a.single = s.single();
    for (int x = 0; x < 16; ++x)
        if (values[x] == x) a.fixed_points.push_back(x);
    for (int i = 0; i < 4; ++i) {
        ANF form = get_ANF(s.b[i]);
        std::ostringstream coefficients;
        coefficients << form;  // sixteen characters and a blank
        a.anf[i] = coefficients.str().substr(0, 16);
        a.degrees[i] = degree_of(form);
        a.polynomials[i] = polynomial(form);
    }
    return a;
}
