#include "search/batch.h"

#include <algorithm>
#include <cassert>

#include "search/enumerate.h"
#include "search/machine.h"

namespace {

// The runner's hook: keeps a complete S-box in the result being filled.
void keep_found(search_state& s, int N, int length, const int* lock_regs, const uint16_t* words) {
    assert(length <= longest_program);
    auto* found = static_cast<std::vector<found_sbox>*>(s.hooks.context);
    found->emplace_back();
    found_sbox& f = found->back();
    f.N = N;
    f.length = length;
    std::copy(s.prog, s.prog + length, f.prog);
    std::copy(lock_regs, lock_regs + 4, f.lock_regs);
    std::copy(words, words + 4, f.words);
}

}  // namespace

search_state batch_runner() {
    search_state s;
    s.hooks.completed = keep_found;
    return s;
}

void run_batch(search_state& s, const std::vector<subtree_task>& tasks, batch_result& result) {
    const search_counters before = s.counters();
    result.found.clear();
    s.hooks.context = &result.found;
    for (const subtree_task& t : tasks) {
        assert(t.j >= start_pair_length && t.j <= longest_program);
        std::copy(t.prog, t.prog + t.j, s.prog);
        restore_state(s, t.machine);
        s.facts[t.j] = facts_of(s.prog, t.j);
        enumerate_from(s, t.j, t.last);
    }
    result.delta = s.counters() - before;
}
