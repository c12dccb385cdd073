#include "search/driver.h"

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "classes/quikfnd3.h"
#include "foundation/init.h"
#include "random/random.h"
#include "search/enumerate.h"
#include "search/output.h"
#include "search/perm.h"
#include "search/targets.h"


void print_summary(const search_counters& c, double seconds) {
    std::cout << seconds << " ";
    for (int i = 2; i <= 8; i++) std::cout << c.nodecnt[i] << (i < 8 ? "  " : "\n");
    for (int i = 9; i <= 16; i++) std::cout << c.nodecnt[i] << (i < 16 ? "  " : "\n");
    for (int i = 17; i <= 20; i++) std::cout << c.nodecnt[i] << (i < 20 ? "  " : "\n");
    std::cout << c.l1 << "  " << c.l2 << "  " << c.l3 << "  " << c.l4 << "\n";
    std::cout.flush();
}

// Runs start pair `pair`: reset the machine, execute the pair, enumerate every continuation.
void run_start_pair(search_state& s, int pair) {
    select2(pair, s.prog);
    init_state(s);
    doinst(s, s.prog, start_pair_length);
    s.facts[start_pair_length] = facts_of(s.prog, start_pair_length);
    addop2(s, start_pair_length, -1);
}

void start_up(const std::string& list_path) {
    init_startup();
    std::cout << "Starting Test\n";
    init_valid(1, list_path);
    init_perm();
    for (int& flag : cutdepth) flag = 0;
    for (int deadline : limits.deadline) cutdepth[deadline] = 1;
    cutdepth[limits.last_index()] = 1;
}

void begin_search() {
    init_dsi();
    int seed = 0x33AD6;
    seed = (seed << 10) + 1;
    const int t = 29;
    srand_ansic(static_cast<unsigned long>(seed + t));
    rand_init2();
    open_output(t, seed);
}

search_counters search_bounded(long max_start_pairs) {
    static search_state s;
    s = search_state{};
    int loops = 0;
    begin_search();
    long done = 0;
    while (max_start_pairs < 0 || done < max_start_pairs) {
        write_pass_start(loops);
        loops++;
        const time_t start = time(nullptr);
        for (int pair = 0; pair < start_pairs; pair++) {
            if (max_start_pairs >= 0 && done == max_start_pairs) return s;
            run_start_pair(s, pair);
            done++;
        }
        const time_t end = time(nullptr);
        print_summary(s, difftime(end, start));
    }
    return s;
}

void search() {
    search_bounded(-1);
    std::exit(0);
}
