// Deterministic lists of bijective S-boxes for the class-table tests, the loader benchmark and
// the loader fuzz target, with their text form and their coordinate words computed directly
// from the value tables.
//
// A cluster list groups S-boxes by a base permutation P: every S-box of a cluster has the
// coordinates x -> parity(v_j & P(x)) ^ c_j for four linearly independent masks v_j and
// complement bits c_j, so a cluster shares 30 coordinate words among many S-boxes, and the
// clusters have no word in common. That reaches the record, component and triple capacities
// of the class tables with few components.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace test_lists {

using Values = std::array<int, 16>;
using Words = std::array<unsigned short, 4>;

// splitmix64: the same numbers on every platform.
struct Rng {
    uint64_t state;
    uint64_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    unsigned below(unsigned n) { return static_cast<unsigned>(next() % n); }
};

inline Values identity_values() {
    Values v;
    for (int x = 0; x < 16; ++x) v[x] = x;
    return v;
}

inline Values random_permutation(Rng& rng) {
    Values v = identity_values();
    for (int k = 15; k > 0; --k) std::swap(v[k], v[rng.below(k + 1)]);
    return v;
}

// Coordinate word j: bit x is bit j of S(x).
inline Words coordinate_words(const Values& s) {
    Words w{};
    for (int x = 0; x < 16; ++x)
        for (int j = 0; j < 4; ++j) w[j] |= static_cast<unsigned short>(((s[x] >> j) & 1) << x);
    return w;
}

// The coordinate words in ascending order: the S-box as a set of functions.
inline Words coordinate_set(const Values& s) {
    Words w = coordinate_words(s);
    std::sort(w.begin(), w.end());
    return w;
}

// One record per line, values separated by one blank.
inline std::string list_text(const std::vector<Values>& sboxes) {
    std::string text;
    for (const Values& s : sboxes) {
        for (int x = 0; x < 16; ++x) text += std::to_string(s[x]) + (x == 15 ? "\n" : " ");
    }
    return text;
}

inline int parity(unsigned v) { return __builtin_parity(v); }

// Four (mask, complement) pairs: one S-box of a cluster.
using Pattern = std::array<std::array<int, 2>, 4>;

inline bool independent(const std::array<int, 4>& masks) {
    for (int combo = 1; combo < 16; ++combo) {
        int sum = 0;
        for (int j = 0; j < 4; ++j)
            if ((combo >> j) & 1) sum ^= masks[j];
        if (sum == 0) return false;
    }
    return true;
}

// The triple of a pattern that leaves out position omit, as one number.
inline int pattern_triple(const Pattern& p, int omit) {
    int key = 0;
    for (int j = 0; j < 4; ++j)
        if (j != omit) key = key * 32 + p[j][0] * 2 + p[j][1];
    return key;
}

// Patterns of a cluster, those that bring four new triples first, then those that bring
// three. Bases (sets of four independent masks) are packed so that no two share three masks;
// each packed base gives its eight patterns of even complement parity.
inline std::vector<Pattern> cluster_patterns() {
    std::vector<std::array<int, 4>> bases;
    for (int a = 1; a < 16; ++a)
        for (int b = a + 1; b < 16; ++b)
            for (int c = b + 1; c < 16; ++c)
                for (int d = c + 1; d < 16; ++d)
                    if (independent({a, b, c, d})) bases.push_back({a, b, c, d});
    Rng rng{179};
    for (size_t k = bases.size() - 1; k > 0; --k) std::swap(bases[k], bases[rng.below(unsigned(k + 1))]);
    std::vector<char> used(32 * 32 * 32, 0);
    std::vector<Pattern> patterns;
    auto fresh = [&](const Pattern& p) {
        int n = 0;
        for (int omit = 0; omit < 4; ++omit) n += !used[pattern_triple(p, omit)];
        return n;
    };
    auto take = [&](const Pattern& p) {
        for (int omit = 0; omit < 4; ++omit) used[pattern_triple(p, omit)] = 1;
        patterns.push_back(p);
    };
    for (const auto& base : bases) {
        Pattern first{};
        for (int j = 0; j < 4; ++j) first[j] = {base[j], 0};
        if (fresh(first) < 4) continue;
        for (int c = 0; c < 16; ++c)
            if (parity(c) == 0) {
                Pattern p{};
                for (int j = 0; j < 4; ++j) p[j] = {base[j], (c >> j) & 1};
                take(p);
            }
    }
    for (const auto& base : bases)
        for (int c = 0; c < 16; ++c) {
            Pattern p{};
            for (int j = 0; j < 4; ++j) p[j] = {base[j], (c >> j) & 1};
            if (fresh(p) >= 3) take(p);
        }
    return patterns;
}

// The word of mask v and complement c over the base permutation.
inline unsigned short cluster_word(const Values& base, int v, int c) {
    unsigned short w = 0;
    for (int x = 0; x < 16; ++x) w |= static_cast<unsigned short>((parity(unsigned(v & base[x])) ^ c) << x);
    return w;
}

// Base permutations whose 30 cluster words are all different from each other cluster's.
inline std::vector<Values> cluster_bases(unsigned clusters, Rng& rng) {
    std::vector<char> taken(65536, 0);
    std::vector<Values> bases;
    while (bases.size() < clusters) {
        Values p = random_permutation(rng);
        bool clash = false;
        for (int v = 1; v < 16 && !clash; ++v)
            clash = taken[cluster_word(p, v, 0)] || taken[cluster_word(p, v, 1)];
        if (clash) continue;
        for (int v = 1; v < 16; ++v) taken[cluster_word(p, v, 0)] = taken[cluster_word(p, v, 1)] = 1;
        bases.push_back(p);
    }
    return bases;
}

// The S-box of a pattern over the base permutation.
inline Values cluster_sbox(const Values& base, const Pattern& p) {
    Values s{};
    for (int x = 0; x < 16; ++x)
        for (int j = 0; j < 4; ++j) s[x] |= (parity(unsigned(p[j][0] & base[x])) ^ p[j][1]) << j;
    return s;
}

// `records` S-boxes with distinct coordinate sets from `clusters` clusters (30 components
// each), the clusters taking turns: record r is pattern r / clusters of cluster r % clusters.
inline std::vector<Values> cluster_list(unsigned clusters, unsigned records, uint64_t seed) {
    static const std::vector<Pattern> patterns = cluster_patterns();
    Rng rng{seed};
    std::vector<Values> bases = cluster_bases(clusters, rng);
    std::vector<Values> list;
    for (unsigned r = 0; r < records && r / clusters < patterns.size(); ++r)
        list.push_back(cluster_sbox(bases[r % clusters], patterns[r / clusters]));
    return list;
}

}  // namespace test_lists
