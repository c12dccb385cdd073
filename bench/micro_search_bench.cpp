// The search's innermost steps one at a time: executing an instruction, the injectivity test,
// the redundancy test and the verification of a candidate, on the PRESENT list's tables.
#include <benchmark/benchmark.h>

#include <fcntl.h>

#include <cstdio>
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
    std::fflush(stdout);
    const int console = dup(1);
    const int null_fd = open("/dev/null", O_WRONLY);
    dup2(null_fd, 1);
    if (!enter_work_dir(std::string(BENCH_DATA_DIR) + "/present.txt")) std::abort();
    start_up();
    std::fflush(stdout);
    dup2(console, 1);
}

// A program prefix in the middle of a search, with register 4 in use.
const ot prefix[6] = {{op_xor, 0, 1}, {op_mov, 4, 2}, {op_xor, 2, 3}, {op_and, 1, 4}, {op_xor, 3, 0}, {op_not, 2, 0}};

void at_prefix() {
    init_state();
    doinst(prefix, 6);
}

void BM_op(benchmark::State& state) {
    at_prefix();
    const ot steps[4] = {{op_xor, 0, 1}, {op_and, 3, 4}, {op_or, 2, 0}, {op_not, 1, 0}};
    unsigned i = 0;
    for (auto _ : state) {
        op(steps[i++ & 3]);
        benchmark::DoNotOptimize(machine::reg);
    }
}
BENCHMARK(BM_op);

void BM_check_perm(benchmark::State& state) {
    load_tables();
    at_prefix();
    for (auto _ : state) {
        machine::reg[0] ^= 0x0101;
        benchmark::DoNotOptimize(check_perm());
    }
}
BENCHMARK(BM_check_perm);

void BM_check_usage(benchmark::State& state) {
    at_prefix();
    const ot candidates[4] = {{op_xor, 0, 2}, {op_and, 3, 1}, {op_or, 1, 2}, {op_xor, 2, 4}};
    unsigned i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(check_usage(candidates[i++ & 3], prefix, 6));
}
BENCHMARK(BM_check_usage);

void BM_verify(benchmark::State& state) {
    load_tables();
    ot prog[24] = {};
    for (int i = 0; i < 6; i++) prog[i] = prefix[i];
    at_prefix();
    const ot candidates[4] = {{op_xor, 0, 2}, {op_and, 3, 1}, {op_or, 1, 2}, {op_xor, 2, 4}};
    unsigned i = 0;
    for (auto _ : state) {
        const ot x = candidates[i++ & 3];
        prog[6] = x;
        benchmark::DoNotOptimize(verify(6, x.r1, x.r2, prog));
        machine::lockcnt = 0;
    }
}
BENCHMARK(BM_verify);

}  // namespace

BENCHMARK_MAIN();
