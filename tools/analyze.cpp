// sbtool analyze: the cryptographic properties of S-boxes, from the Sbox and ANF classes and
// the difference and linear tables.
#include <ostream>
#include <sstream>

#include "tools/args.h"
#include "tools/json.h"
#include "tools/sbox_properties.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool analyze [--tables] [--json] SBOX...\n"
    "\n"
    "Prints, for each S-box (sixteen decimal values separated by commas or blanks, sixteen\n"
    "hexadecimal digits, or @FILE), a block of lines:\n"
    "\n"
    "  sbox          the values S(0) .. S(15)\n"
    "  hex           the same as sixteen hexadecimal digits\n"
    "  bijection     yes or no\n"
    "  inverse       the inverse S-box, or \"none\" when S is not a bijection\n"
    "  inverse hex   the same as sixteen hexadecimal digits\n"
    "  involution    yes when S(S(x)) = x for every x, else no\n"
    "  uniformity    the differential uniformity: the largest entry of the difference table\n"
    "                over non-zero input differences (4 for the optimal 4-bit S-boxes)\n"
    "  linearity     the largest |count - 8| of the linear table over non-zero output masks,\n"
    "                count being on how many of the 16 inputs the approximation holds (4 for\n"
    "                the optimal 4-bit S-boxes)\n"
    "  nonlinearity  8 - linearity: the least distance of a non-zero combination of output\n"
    "                bits to an affine function\n"
    "  diff branch   the differential branch number: the least wt(x XOR x') +\n"
    "                wt(S(x) XOR S(x')) over x != x'\n"
    "  lin branch    the linear branch number: the least wt(a) + wt(b) over masks a, b, not\n"
    "                both zero, whose approximation does not hold on exactly 8 inputs\n"
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
    "  --tables  also print the difference table (row: input difference a, column: output\n"
    "            difference b, entry: the inputs x with S(x) XOR S(x XOR a) = b) and the\n"
    "            linear table (row: input mask a, column: output mask b, entry: count - 8)\n"
    "  --json    print one JSON document instead: {\"sboxes\": [...]}, one object per S-box\n"
    "            with the fields above (and the tables with --tables)\n"
    "\n"
    "Blocks are separated by a blank line. Values outside 0..15 are an error; a non-bijective\n"
    "S-box is analysed all the same.\n";

const std::vector<option_spec> options = {{"tables", nullptr}, {"json", nullptr}};

void print_table(const char* title, const sbox_table& table, std::ostream& out) {
    static const char digits[] = "0123456789abcdef";
    out << title << "\n   ";
    for (int b = 0; b < 16; ++b) out << "   " << digits[b];
    out << "\n";
    for (int a = 0; a < 16; ++a) {
        out << " " << digits[a] << " ";
        for (int b = 0; b < 16; ++b) {
            const std::string entry = std::to_string(table[a][b]);
            out << std::string(4 - entry.size(), ' ') << entry;
        }
        out << "\n";
    }
}

void print_text(const analysis& a, bool tables, std::ostream& out) {
    const sbox_figures& f = a.figures;
    out << "sbox          " << values_text(a.values) << "\n";
    out << "hex           " << hex_text(a.values) << "\n";
    out << "bijection     " << (a.bijective ? "yes" : "no") << "\n";
    out << "inverse       " << (a.bijective ? values_text(a.inverse) : "none") << "\n";
    out << "inverse hex   " << (a.bijective ? hex_text(a.inverse) : "none") << "\n";
    out << "involution    " << (f.involution ? "yes" : "no") << "\n";
    out << "uniformity    " << f.uniformity << "\n";
    out << "linearity     " << f.linearity << "\n";
    out << "nonlinearity  " << f.nonlinearity << "\n";
    out << "diff branch   " << f.differential_branch << "\n";
    out << "lin branch    " << f.linear_branch << "\n";
    out << "max_xor       " << a.max_xor << "\n";
    out << "max_lat       " << a.max_lat << "\n";
    out << "single        " << a.single << "\n";
    std::string fixed;
    for (int x : a.fixed_points) fixed += (fixed.empty() ? "" : "  ") + std::to_string(x);
    out << "fixed points  " << (fixed.empty() ? "none" : fixed) << "\n";
    for (int i = 0; i < 4; ++i)
        out << "bit " << i << "         degree " << a.degrees[i] << "  anf " << a.anf[i] << "  " << a.polynomials[i]
            << "\n";
    if (!tables) return;
    print_table("difference table (row: input difference a, column: output difference b)",
                difference_table(a.values), out);
    print_table("linear table (row: input mask a, column: output mask b, entry: count - 8)", linear_table(a.values),
                out);
}

void write_table(json_writer& json, const sbox_table& table) {
    json.begin_array();
    for (const auto& row : table) json.values(row);
    json.end_array();
}

void write_json(const sourced_sbox& source, const analysis& a, bool tables, json_writer& json) {
    const sbox_figures& f = a.figures;
    json.begin_object();
    json.key("name").value(source.name.empty() ? hex_text(a.values) : source.name);
    json.key("sbox").value(hex_text(a.values));
    json.key("values").values(a.values);
    json.key("bijection").value(a.bijective);
    if (a.bijective) {
        json.key("inverse").value(hex_text(a.inverse));
        json.key("inverse_values").values(a.inverse);
    } else {
        json.key("inverse").null();
        json.key("inverse_values").null();
    }
    json.key("involution").value(f.involution);
    json.key("differential_uniformity").value(f.uniformity);
    json.key("linearity").value(f.linearity);
    json.key("nonlinearity").value(f.nonlinearity);
    json.key("differential_branch_number").value(f.differential_branch);
    json.key("linear_branch_number").value(f.linear_branch);
    json.key("max_xor").value(a.max_xor);
    json.key("max_lat").value(a.max_lat);
    json.key("single").value(a.single);
    json.key("fixed_points").values(a.fixed_points);
    json.key("bits").begin_array();
    for (int i = 0; i < 4; ++i) {
        json.begin_object();
        json.key("degree").value(a.degrees[i]);
        json.key("anf").value(a.anf[i]);
        json.key("polynomial").value(a.polynomials[i]);
        json.end_object();
    }
    json.end_array();
    if (tables) {
        json.key("difference_table");
        write_table(json, difference_table(a.values));
        json.key("linear_table");
        write_table(json, linear_table(a.values));
    }
    json.end_object();
}

}  // namespace

int analyze_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    require_operands(line, 1, SIZE_MAX, {"SBOX"});
    const std::vector<sourced_sbox> sboxes = expand_sbox_args(line.operands, false);
    if (sboxes.empty()) data_error("no S-boxes given (the files hold none)");
    const bool tables = line.flag("tables");
    std::ostringstream text;
    if (line.flag("json")) {
        json_writer json(text);
        json.begin_object().key("sboxes").begin_array();
        for (const sourced_sbox& s : sboxes) write_json(s, analyze(s.values), tables, json);
        json.end_array().end_object().finish();
    } else {
        for (size_t k = 0; k < sboxes.size(); ++k) {
            if (k) text << "\n";
            print_text(analyze(sboxes[k].values), tables, text);
        }
    }
    out << text.str();
    return 0;
}
