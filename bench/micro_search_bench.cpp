// The search's innermost steps one at a time: executing an instruction, the injectivity test,
// the redundancy test and the verification of a candidate, on the PRESENT list's tables.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench/work_dir.h"
#include "search/driver.h"
#include "search/enumerate.h"
#include "search/perm.h"
#include "search/verify.h"

namespace {

// Loads the PRESENT list once, with the console lines of the load sent to /dev/null.
void load_tables() {
    static bool loaded = false;
    if (loaded) return;
    loaded = true;
    const int console = silence_console();
    if (!enter_work_dir(std::string(BENCH_DATA_DIR) + "/present.txt")) std::abort();
    if (prepare_search("sb2.txt").failed) std::abort();
    restore_console(console);
}

// A program prefix in the middle of a search, with register 4 in use.
const ot prefix[6] = {{op_xor, 0, 1}, {op_mov, 4, 2}, {op_xor, 2, 3}, {op_and, 1, 4}, {op_xor, 3, 0}, {op_not, 2, 0}};
const ot candidates[4] = {{op_xor, 0, 2}, {op_and, 3, 1}, {op_or, 1, 2}, {op_xor, 2, 4}};

// A search state that has executed the prefix, with its facts.
search_state& at_prefix() {
    static search_state s;
    s = search_state{};
    std::copy(prefix, prefix + 6, s.prog);
    init_state(s);
    doinst(s, prefix, 6);
    s.facts[6] = facts_of(prefix, 6);
    return s;
}

void BM_op(benchmark::State& state) {
    search_state& s = at_prefix();
    const ot steps[4] = {{op_xor, 0, 1}, {op_and, 3, 4}, {op_or, 2, 0}, {op_not, 1, 0}};
    unsigned i = 0;
    for (auto _ : state) {
        op(s, steps[i++ & 3]);
        benchmark::DoNotOptimize(s.reg);
    }
}
BENCHMARK(BM_op);

void BM_check_perm(benchmark::State& state) {
    load_tables();
    search_state& s = at_prefix();
    for (auto _ : state) {
        s.reg[0] ^= 0x0101;
        benchmark::DoNotOptimize(check_perm(s.machine()));
    }
}
BENCHMARK(BM_check_perm);

void BM_check_usage(benchmark::State& state) {
    const search_state& s = at_prefix();
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(check_usage(s, candidates[i++ & 3], 6));
}
BENCHMARK(BM_check_usage);

// The verification of a candidate before it is executed, as the enumeration asks it.
void BM_judge(benchmark::State& state) {
    load_tables();
    search_state& s = at_prefix();
    unsigned i = 0;
    int locked = 0;
    for (auto _ : state) {
        const ot x = candidates[i++ & 3];
        const separation others = separation_of_registers(s, s.maxused, x.r1);
        benchmark::DoNotOptimize(judge(s, 6, x, value_after(s, x), s.maxused, others, locked));
    }
}
BENCHMARK(BM_judge);

}  // namespace

BENCHMARK_MAIN();
