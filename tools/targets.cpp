// sbtool targets: writes a target list for the search from S-boxes and their variants.
#include "tools/targets.h"

#include <algorithm>
#include <ostream>
#include <set>

#include "classes/quikfnd3.h"
#include "sbox/permute.h"
#include "tools/args.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool targets [options] SBOX...\n"
    "\n"
    "Writes a target list for the search (the file it reads as sb2.txt) to standard output:\n"
    "one S-box a line, sixteen decimal values separated by two blanks. Each SBOX is sixteen\n"
    "decimal values separated by commas or blanks, sixteen hexadecimal digits (\"0x\" before\n"
    "them, or eight blank-separated pairs, as sbtool --help says), or @FILE for a file of them\n"
    "(one a line; blank lines and # comments allowed; @- reads standard input). The options add\n"
    "variants of each S-box:\n"
    "\n"
    "  --inverse   also its inverse\n"
    "  --perms     all 24 permutations of the input bits (numbered as the search numbers them)\n"
    "  --in-xor    all 16 constants XORed to the input\n"
    "  --out-xor   all 16 constants XORed to the output\n"
    "\n"
    "Variants are written in this order: for each SBOX (an @FILE in place, in file order), for\n"
    "S then its inverse, for each permutation k, input constant c and output constant e, the\n"
    "S-box x -> base(P_k(x XOR c)) XOR e. A variant with the same set of coordinate functions\n"
    "as an earlier one is written once: the search treats them as one target.\n"
    "\n"
    "Every S-box must be a bijection. The list must fit the search's loader: at most 36900\n"
    "records, 2680 distinct coordinate functions, 250000 distinct triples of coordinate\n"
    "functions and 2770 distinct smallest coordinate functions; a list that does not is refused\n"
    "with the capacity and the excess. A summary line goes to standard error.\n"
    "\n"
    "The bundled lists are made with:\n"
    "  sbtool targets --inverse --perms @data/cipher-sboxes.txt > data/ciphers.txt\n"
    "  sbtool targets --inverse --perms c56b90ad3ef84712 > data/present.txt\n";

const std::vector<option_spec> options = {
    {"inverse", nullptr}, {"perms", nullptr}, {"in-xor", nullptr}, {"out-xor", nullptr}};

using coordinate_set = std::array<unsigned short, 4>;

// The four coordinate words of an S-box, ascending.
coordinate_set coordinates_of(const Sbox& s) {
    coordinate_set w = {bits_to_word(s.b[0]), bits_to_word(s.b[1]), bits_to_word(s.b[2]), bits_to_word(s.b[3])};
    std::sort(w.begin(), w.end());
    return w;
}

Sbox with_output_xor(const Sbox& s, int e) {
    int values[16];
    for (int x = 0; x < 16; ++x) values[x] = s.n[x] ^ e;
    return Sbox(values);
}

std::string over(const char* what, size_t count, size_t capacity) {
    return std::string("too many ") + what + ": " + std::to_string(count) + " (capacity " +
           std::to_string(capacity) + ", " + std::to_string(count - capacity) + " over)";
}

}  // namespace

std::vector<Sbox> target_variants(const std::vector<sourced_sbox>& sboxes, const variant_options& o) {
    std::vector<Sbox> list;
    std::set<coordinate_set> seen;
    for (const sourced_sbox& source : sboxes) {
        const Sbox s = make_sbox(source.values);
        std::vector<Sbox> bases = {s};
        if (o.inverse) bases.push_back(s.inverse());
        for (const Sbox& base : bases)
            for (int k = 0; k < (o.perms ? 24 : 1); ++k)
                for (int c = 0; c < (o.in_xor ? 16 : 1); ++c)
                    for (int e = 0; e < (o.out_xor ? 16 : 1); ++e) {
                        const Sbox t = with_output_xor(permuteSB4(base, k, c), e);
                        if (seen.insert(coordinates_of(t)).second) list.push_back(t);
                    }
    }
    return list;
}

list_counts count_list(const std::vector<Sbox>& list) {
    std::set<unsigned short> components, smallest;
    std::set<std::array<unsigned short, 3>> triples;
    for (const Sbox& s : list) {
        const coordinate_set w = coordinates_of(s);
        components.insert(w.begin(), w.end());
        smallest.insert(w[0]);
        triples.insert({w[0], w[1], w[2]});
        triples.insert({w[0], w[1], w[3]});
        triples.insert({w[0], w[2], w[3]});
        triples.insert({w[1], w[2], w[3]});
    }
    list_counts counts;
    counts.records = list.size();
    counts.components = components.size();
    counts.triples = triples.size();
    counts.runs = smallest.size();
    return counts;
}

std::string capacity_faults(const list_counts& counts) {
    std::vector<std::string> faults;
    if (counts.records > sb2_capacity) faults.push_back(over("records", counts.records, sb2_capacity));
    if (counts.components > component_capacity)
        faults.push_back(over("components", counts.components, component_capacity));
    if (counts.triples > triple_capacity) faults.push_back(over("triples", counts.triples, triple_capacity));
    if (counts.runs > run_capacity)
        faults.push_back(over("runs of rows sharing their smallest word", counts.runs, run_capacity));
    std::string text;
    for (const std::string& f : faults) text += (text.empty() ? "" : "; ") + f;
    return text;
}

int targets_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    require_operands(line, 1, SIZE_MAX, {"SBOX"});
    variant_options o;
    o.inverse = line.flag("inverse");
    o.perms = line.flag("perms");
    o.in_xor = line.flag("in-xor");
    o.out_xor = line.flag("out-xor");
    const std::vector<sourced_sbox> sboxes = expand_sbox_args(line.operands, true);
    if (sboxes.empty()) data_error("no S-boxes given (the files hold none)");
    const std::vector<Sbox> list = target_variants(sboxes, o);
    const list_counts counts = count_list(list);
    const std::string faults = capacity_faults(counts);
    if (!faults.empty()) data_error("the search cannot load this list: " + faults);
    for (const Sbox& s : list) out << s << "\n";
    err << "sbtool targets: " << counts.records << " records, " << counts.components << " components, "
        << counts.triples << " triples\n";
    return 0;
}
