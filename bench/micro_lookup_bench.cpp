// The class lookups on the tables of a full sb2.txt (36900 S-boxes, 2670 components): present
// and absent sets, triples and pairs, each query taken from a fixed array in turn. The
// *_call variants go through a function that is never inlined, to show what inlining saves.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "classes/quikfnd3.h"
#include "tests/classes_lists.h"

namespace {

using test_lists::Values;
using test_lists::Words;

constexpr size_t query_count = 4096;  // a power of two
std::vector<Words> present_sets, absent_sets;

// Loads the list once and draws the queries: listed sets in a shuffled output order, and
// the same sets with one word swapped for another component (near misses, mostly absent).
void load_tables() {
    char dir[] = "/tmp/classes_micro.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) std::exit(1);
    std::vector<Values> sboxes = test_lists::cluster_list(89, sb2_capacity, 7);
    std::ofstream("sb2.txt") << test_lists::list_text(sboxes);
    std::ostream quiet(nullptr);
    if (load_valid(1, quiet).failed) std::exit(1);
    std::remove("sb2.txt");
    if (chdir("/") != 0 || rmdir(dir) != 0) std::exit(1);
    test_lists::Rng rng{3};
    while (present_sets.size() < query_count) {
        Words w = test_lists::coordinate_words(sboxes[rng.below(unsigned(sboxes.size()))]);
        std::swap(w[rng.below(4)], w[rng.below(4)]);
        present_sets.push_back(w);
        w[rng.below(4)] = static_cast<unsigned short>(list[rng.below(lcnt)].v);
        absent_sets.push_back(w);
    }
}

__attribute__((noinline)) int check_sb3_call(unsigned short a, unsigned short b, unsigned short c) {
    return check_sb3(a, b, c);
}

__attribute__((noinline)) int get_sb4_call(unsigned short a, unsigned short b, unsigned short c,
                                           unsigned short d) {
    return get_sb4(a, b, c, d);
}

template <int (*lookup)(unsigned short, unsigned short, unsigned short)>
void triples(benchmark::State& state, const std::vector<Words>& sets) {
    size_t k = 0;
    int found = 0;
    for (auto _ : state) {
        const Words& w = sets[k++ & (query_count - 1)];
        found += lookup(w[0], w[1], w[2]);
    }
    benchmark::DoNotOptimize(found);
}

template <int (*lookup)(unsigned short, unsigned short, unsigned short, unsigned short)>
void quadruples(benchmark::State& state, const std::vector<Words>& sets) {
    size_t k = 0;
    int found = 0;
    for (auto _ : state) {
        const Words& w = sets[k++ & (query_count - 1)];
        found += lookup(w[0], w[1], w[2], w[3]);
    }
    benchmark::DoNotOptimize(found);
}

void BM_check_sb3_present(benchmark::State& s) { triples<check_sb3>(s, present_sets); }
void BM_check_sb3_near_miss(benchmark::State& s) { triples<check_sb3>(s, absent_sets); }
void BM_check_sb3_call_present(benchmark::State& s) { triples<check_sb3_call>(s, present_sets); }
void BM_check_sb4_present(benchmark::State& s) { quadruples<check_sb4>(s, present_sets); }
void BM_check_sb4_near_miss(benchmark::State& s) { quadruples<check_sb4>(s, absent_sets); }
void BM_get_sb4_present(benchmark::State& s) { quadruples<get_sb4>(s, present_sets); }
void BM_get_sb4_call_present(benchmark::State& s) { quadruples<get_sb4_call>(s, present_sets); }

void BM_check_list(benchmark::State& state) {
    size_t k = 0;
    int found = 0;
    for (auto _ : state) {
        const Words& w = absent_sets[k++ & (query_count - 1)];
        found += check_list(w[0], w[3]);
    }
    benchmark::DoNotOptimize(found);
}

BENCHMARK(BM_check_sb3_present);
BENCHMARK(BM_check_sb3_near_miss);
BENCHMARK(BM_check_sb3_call_present);
BENCHMARK(BM_check_sb4_present);
BENCHMARK(BM_check_sb4_near_miss);
BENCHMARK(BM_get_sb4_present);
BENCHMARK(BM_get_sb4_call_present);
BENCHMARK(BM_check_list);

}  // namespace

int main(int argc, char** argv) {
    load_tables();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
