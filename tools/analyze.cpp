// sbtool analyze: the cryptographic properties of S-boxes, from the Sbox and ANF classes.
#include <ostream>
#include <sstream>

#include "foundation/anf.h"
#include "tools/args.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool analyze SBOX...\n"
    "\n"
    "Prints, for each S-box (sixteen decimal values separated by commas or blanks, sixteen\n"
    "hexadecimal digits, or @FILE), a block of lines:\n"
    "\n"
    "  sbox          the values S(0) .. S(15)\n"
    "  bijection     yes or no\n"
    "  inverse       the inverse S-box, or \"none\" when S is not a bijection\n"
    "  max_xor       the largest entry of the difference distribution table over non-zero\n"
    "                input and output differences\n"
    "  max_lat       the largest count of the linear approximation table over non-zero input\n"
    "                and output masks: of the 16 inputs, on how many the approximation holds\n"
    "  single        1 when a one-bit input difference can give an output difference of at\n"
    "                most one bit, else 0\n"
    "  fixed points  the inputs x with S(x) = x, or \"none\"\n"
    "  bit i         for each output bit: its algebraic degree, its ANF as 16 coefficients\n"
    "                (monomial m first at position m) and as a polynomial over x0..x3\n"
    "\n"
    "Blocks are separated by a blank line. Values outside 0..15 are an error; a non-bijective\n"
    "S-box is analysed all the same.\n";

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

void analyze_one(const sbox_values& values, std::ostream& out) {
    Sbox s = make_sbox(values);
    const bool bijective = repeated_value(values) < 0;
    out << "sbox          " << s << "\n";
    out << "bijection     " << (bijective ? "yes" : "no") << "\n";
    out << "inverse       ";
    if (bijective)
        out << s.inverse() << "\n";
    else
        out << "none\n";
    out << "max_xor       " << s.max_xor() << "\n";
    out << "max_lat       " << s.max_lat() << "\n";
    out << "single        " << s.single() << "\n";
    out << "fixed points  ";
    std::string fixed;
    for (int x = 0; x < 16; ++x)
        if (values[x] == x) fixed += (fixed.empty() ? "" : "  ") + std::to_string(x);
    out << (fixed.empty() ? "none" : fixed) << "\n";
    for (int i = 0; i < 4; ++i) {
        ANF form = get_ANF(s.b[i]);
        std::ostringstream coefficients;
        coefficients << form;  // sixteen characters and a blank
        out << "bit " << i << "         degree " << degree_of(form) << "  anf " << coefficients.str() << " "
            << polynomial(form) << "\n";
    }
}

}  // namespace

int analyze_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line = parse_command_line(args, {});
    if (line.help) {
        out << help_text;
        return 0;
    }
    require_operands(line, 1, SIZE_MAX, {"SBOX"});
    const std::vector<sourced_sbox> sboxes = expand_sbox_args(line.operands, false);
    for (size_t k = 0; k < sboxes.size(); ++k) {
        if (k) out << "\n";
        analyze_one(sboxes[k].values, out);
    }
    return 0;
}
