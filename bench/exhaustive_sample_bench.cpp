// Estimates the work of an exhaustive pass (the random gate open) from samples: one gated pass
// gives the work of every start pair; the sampled start pairs are then searched whole, and
// each unsampled pair's exhaustive work is its gated work times the sampled pairs' ratio.
//   exhaustive_sample_bench [LIST [PAIR...]]   (default: data/present.txt, pairs 0 and 9)

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "bench/work_dir.h"
#include "search/driver.h"
#include "search/run.h"

namespace {

using seconds_clock = std::chrono::steady_clock;

double seconds_since(seconds_clock::time_point t) {
    return std::chrono::duration<double>(seconds_clock::now() - t).count();
}

struct pair_cost {
    uint64_t calls = 0;
    double seconds = 0;
};

// The verify calls and time of each start pair of one gated pass.
std::vector<pair_cost> gated_pass() {
    run_context run;
    begin_search(run);
    const std::unique_ptr<search_state> state = std::make_unique<search_state>(search_for(run));
    search_state& s = *state;
    std::vector<pair_cost> costs;
    for (int pair = 0; pair < start_pairs; pair++) {
        const uint64_t before = s.verify_calls;
        const auto start = seconds_clock::now();
        run_start_pair(s, pair);
        costs.push_back({s.verify_calls - before, seconds_since(start)});
    }
    return costs;
}

// The verify calls and time of one start pair searched whole.
pair_cost exhaustive_pair(int pair) {
    run_context run;
    run.settings.exhaustive = true;
    begin_search(run);
    const std::unique_ptr<search_state> state = std::make_unique<search_state>(search_for(run));
    search_state& s = *state;
    const auto start = seconds_clock::now();
    run_start_pair(s, pair);
    return {s.verify_calls, seconds_since(start)};
}

}  // namespace

int main(int argc, char** argv) {
    const std::string list = argc > 1 ? argv[1] : std::string(BENCH_DATA_DIR) + "/present.txt";
    std::vector<int> sampled;
    for (int i = 2; i < argc; i++) sampled.push_back(std::atoi(argv[i]));
    if (sampled.empty()) sampled = {0, 9};
    if (!enter_work_dir(list)) {
        std::cerr << "cannot prepare a working directory for " << list << "\n";
        return 2;
    }
    const int console = silence_console();
    if (prepare_search("sb2.txt").failed) return 2;
    const std::vector<pair_cost> gated = gated_pass();
    std::vector<pair_cost> whole;
    for (int pair : sampled) whole.push_back(exhaustive_pair(pair));
    restore_console(console);
    uint64_t gated_total = 0;
    double gated_seconds = 0;
    for (const pair_cost& c : gated) {
        gated_total += c.calls;
        gated_seconds += c.seconds;
    }
    uint64_t sampled_gated = 0, sampled_whole = 0;
    double sampled_seconds = 0;
    std::printf("list %s\n", list.c_str());
    for (size_t i = 0; i < sampled.size(); i++) {
        const pair_cost& g = gated[sampled[i]];
        std::printf("start pair %d   gated %llu calls (%.2f s)   exhaustive %llu calls (%.1f s)   ratio %.0f\n",
                    sampled[i], static_cast<unsigned long long>(g.calls), g.seconds,
                    static_cast<unsigned long long>(whole[i].calls), whole[i].seconds,
                    g.calls ? double(whole[i].calls) / g.calls : 0.0);
        sampled_gated += g.calls;
        sampled_whole += whole[i].calls;
        sampled_seconds += whole[i].seconds;
    }
    const double ratio = sampled_gated ? double(sampled_whole) / sampled_gated : 0;
    const double estimate = ratio * gated_total;
    std::printf("gated pass       %llu calls in %.2f s\n", static_cast<unsigned long long>(gated_total), gated_seconds);
    std::printf("exhaustive pass  about %.3g calls, %.0f times a gated pass, about %.1f hours on one core\n", estimate,
                ratio, estimate / (sampled_whole / sampled_seconds) / 3600);
    return 0;
}
