#include "tools/shortest.h"

#include <algorithm>
#include <ostream>

namespace {

int bits_set(int value) {
    return __builtin_popcount(static_cast<unsigned>(value));
}

// The pairs of constants a match may add, fewest bits first, then by value.
std::vector<std::pair<int, int>> constant_pairs(const accepted_constants& accepted) {
    std::vector<std::pair<int, int>> pairs;
    for (int c = 0; c < (accepted.in_xor ? 16 : 1); ++c)
        for (int e = 0; e < (accepted.out_xor ? 16 : 1); ++e) pairs.push_back({c, e});
    std::stable_sort(pairs.begin(), pairs.end(), [](const auto& a, const auto& b) {
        return bits_set(a.first) + bits_set(a.second) < bits_set(b.first) + bits_set(b.second);
    });
    return pairs;
}

// Takes `located` for `target` when it computes it and comes before what is held.
bool consider(const located_record& located, const sbox_values& target, const accepted_constants& accepted,
              shortest& held) {
    const std::optional<program_match> m = find_match(target, located.fields.sbox, accepted);
    if (!m) return false;
    const long length = match_length(located.fields, *m);
    if (!held.holder || length < held.length || (length == held.length && located.rank < held.holder->rank))
        held = {&located, *m, length};
    return true;
}

}  // namespace

std::optional<program_match> find_match(const sbox_values& target, const sbox_values& computed,
                                        const accepted_constants& accepted) {
    static const std::vector<std::pair<int, int>> orders[4] = {
        constant_pairs({false, false}), constant_pairs({false, true}), constant_pairs({true, false}),
        constant_pairs({true, true})};
    for (const auto& [c, e] : orders[accepted.in_xor * 2 + accepted.out_xor]) {
        // The program must compute U(z) = target(z XOR c) XOR e up to relabelling.
        sbox_values wanted{};
        for (int z = 0; z < 16; ++z) wanted[z] = target[z ^ c] ^ e;
        const std::optional<relabelling> how = find_relabelling(wanted, computed);
        if (how) return program_match{*how, c, e};
    }
    return std::nullopt;
}

long match_length(const record& r, const program_match& m) {
    return r.length + bits_set(m.in_xor) + bits_set(m.out_xor);
}

std::string match_wiring_text(const program_match& m, const std::array<int, 4>& locks) {
    const std::array<int, 4> writers = output_registers(m.how, locks);
    std::string text;
    for (int r = 0; r < 4; ++r)
        text += (r ? " r" : "r") + std::to_string(r) + "=" + ((m.in_xor >> m.how.reads[r]) & 1 ? "~" : "") + "in[" +
                std::to_string(m.how.reads[r]) + "]";
    text += " ";
    for (int i = 0; i < 4; ++i)
        text += " out[" + std::to_string(i) + "]=" + ((m.out_xor >> i) & 1 ? "~" : "") + "r" +
                std::to_string(writers[i]);
    return text;
}

std::vector<named_result> named_results(const std::vector<sourced_sbox>& named) {
    std::vector<named_result> results;
    for (const sourced_sbox& s : named)
        results.push_back({s.name.empty() ? hex_text(s.values) : s.name, s.values, inverse_of(s.values), {}, {}});
    return results;
}

bool consider_record(const located_record& located, std::vector<named_result>& results,
                     const accepted_constants& accepted) {
    bool matched = false;
    for (named_result& n : results) {
        matched = consider(located, n.sbox, accepted, n.direct) || matched;
        matched = consider(located, n.inverse, accepted, n.of_inverse) || matched;
    }
    return matched;
}

void print_columns(const std::vector<std::vector<std::string>>& rows, std::ostream& out) {
    std::vector<size_t> widths(rows[0].size(), 0);
    for (const auto& row : rows)
        for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], row[c].size());
    for (const auto& row : rows) {
        std::string line;
        for (size_t c = 0; c < row.size(); ++c)
            line += row[c] + (c + 1 < row.size() ? std::string(widths[c] - row[c].size() + 2, ' ') : "");
        out << line << "\n";
    }
}
