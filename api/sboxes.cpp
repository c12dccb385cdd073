// The library's S-box functions: parsing, analysis and target lists, on sbtool's own code.
#include <sstream>

#include "api/errors.h"
#include "api/sboxsearch.h"
#include "foundation/fatal.h"
#include "foundation/init.h"
#include "foundation/version.h"
#include "search/limits.h"
#include "tools/sbox_properties.h"
#include "tools/sbox_text.h"
#include "tools/targets.h"

namespace sboxsearch {

static_assert(default_seed == ::default_seed, "the library's default seed is the search's");

namespace {

// Refuses an S-box with a value outside 0..15 (and, with bijection, a repeated one), naming it
// as `what`.
void require_values(const sbox& s, const std::string& what, bool bijection) {
    for (int v : s)
        if (v < 0 || v > 15) throw error(status_bad_data, what + ": the value " + std::to_string(v) + " is not 0..15");
    const int repeated = bijection ? repeated_value(s) : -1;
    if (repeated >= 0)
        throw error(status_bad_data, what + ": not a permutation of 0..15 (value " + std::to_string(repeated) +
                                         " repeated)");
}

}  // namespace

const char* version() {
    return program_version;
}

sbox parse_sbox(const std::string& text, bool bijection) {
    return translated([&] { return parse_sbox_text(text, "S-box \"" + printable(text) + "\"", bijection); });
}

std::string hex(const sbox& s) {
    require_values(s, "S-box", false);
    return hex_text(s);
}

analysis analyze(const sbox& s) {
    require_values(s, "S-box", false);
    init_startup();
    const ::analysis found = ::analyze(s);
    analysis a;
    a.values = s;
    a.bijective = found.bijective;
    if (found.bijective) a.inverse = found.inverse;
    a.involution = found.figures.involution;
    a.uniformity = found.figures.uniformity;
    a.linearity = found.figures.linearity;
    a.nonlinearity = found.figures.nonlinearity;
    a.differential_branch = found.figures.differential_branch;
    a.linear_branch = found.figures.linear_branch;
    a.max_xor = found.max_xor;
    a.max_lat = found.max_lat;
    a.single = found.single;
    a.fixed_points = found.fixed_points;
    a.degrees = found.degrees;
    a.anf = found.anf;
    a.polynomials = found.polynomials;
    a.difference_table = difference_table(s);
    a.linear_table = linear_table(s);
    return a;
}

std::vector<sbox> target_list(const std::vector<sbox>& sboxes, const variants& which) {
    init_startup();
    std::vector<sourced_sbox> sources;
    for (size_t k = 0; k < sboxes.size(); ++k) {
        require_values(sboxes[k], "S-box " + std::to_string(k + 1), true);
        sources.push_back({sboxes[k], "S-box " + std::to_string(k + 1), ""});
    }
    variant_options o;
    o.inverse = which.inverse;
    o.perms = which.perms;
    o.in_xor = which.in_xor;
    o.out_xor = which.out_xor;
    const std::vector<Sbox> list = target_variants(sources, o);
    const std::string faults = capacity_faults(count_list(list));
    if (!faults.empty()) throw error(status_bad_data, "the search cannot load this list: " + faults);
    std::vector<sbox> values;
    for (const Sbox& s : list) {
        sbox v;
        for (int x = 0; x < 16; ++x) v[x] = s.n[x];
        values.push_back(v);
    }
    return values;
}

std::string target_list_text(const std::vector<sbox>& list) {
    init_startup();
    std::ostringstream text;
    for (size_t k = 0; k < list.size(); ++k) {
        require_values(list[k], "S-box " + std::to_string(k + 1), false);
        text << make_sbox(list[k]) << "\n";
    }
    return text.str();
}

void end_process_on_out_of_memory() {
    end_on_out_of_memory();
}

}  // namespace sboxsearch
