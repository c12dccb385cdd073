#include "search/verify.h"

#include "search/output.h"
#include "search/run.h"
#include "search/targets.h"

namespace {
// Marks row N and every input permutation of it as reached by report `number` of `length`.
void mark_reached(run_context& run, int N, int number, int length) {
    run.dn[N] = {number, length};
    for (int i = 1; i < 24; i++) {
        const int P = per[N][i];
        if (P != -1) run.dn[P] = {number, length};
    }
}
}  // namespace

int verify(search_state& s, int j, int k, int l) {
    const ot x = {s.prog[j].o, k, l};
    int locked;
    const separation others = separation_of_registers(s, s.maxused, k);
    const bool extend = judge(s, j, x, s.reg[k], s.maxused, others, locked);
    s.lockcnt = static_cast<int8_t>(locked);
    return extend ? 1 : 0;
}

void report(search_state& s, int j, ot x, uint16_t v) {
    s.prog[j] = x;
    s.locks[3] = static_cast<int8_t>(x.r1);
    const int lock_regs[4] = {s.locks[0], s.locks[1], s.locks[2], x.r1};
    const uint16_t words[4] = {s.reg[s.locks[0]], s.reg[s.locks[1]], s.reg[s.locks[2]], v};
    const int N = get_sb4(words[0], words[1], words[2], words[3]);
    s.l4++;
    if (s.hooks.completed) s.hooks.completed(s, N, j + 1, lock_regs, words);
    else record_reached(*s.run, s, N, j + 1, s.prog, lock_regs, words);
}

int record_reached(run_context& run, search_counters& counters, int N, int length, const ot* prog,
                   const int* lock_regs, const uint16_t* words) {
    if (run.dn[N][0] > 0 && run.dn[N][1] <= length) return 0;
    counters.l5++;
    const int number = static_cast<int>(counters.l5);
    mark_reached(run, N, number, length);
    write_record(run, N, number, length, prog, lock_regs, words);
    return 1;
}
