#include "search/state.h"

#include <cassert>

#include "search/run.h"

search_counters& search_counters::operator+=(const search_counters& o) {
    for (int i = 0; i < program_capacity; i++) nodecnt[i] += o.nodecnt[i];
    l1 += o.l1;
    l2 += o.l2;
    l3 += o.l3;
    l4 += o.l4;
    l5 += o.l5;
    verify_calls += o.verify_calls;
    return *this;
}

search_counters& search_counters::operator-=(const search_counters& o) {
    for (int i = 0; i < program_capacity; i++) nodecnt[i] -= o.nodecnt[i];
    l1 -= o.l1;
    l2 -= o.l2;
    l3 -= o.l3;
    l4 -= o.l4;
    l5 -= o.l5;
    verify_calls -= o.verify_calls;
    return *this;
}

search_counters operator+(search_counters a, const search_counters& b) {
    return a += b;
}

search_counters operator-(search_counters a, const search_counters& b) {
    return a -= b;
}

program_facts program_facts::none() {
    program_facts f;
    for (int r = 0; r < 8; r++) f.writer[r] = f.writer_xor_source[r] = f.reader_xor_dest[r] = -1;
    return f;
}

program_facts facts_of(const ot* prog, int j) {
    program_facts f = program_facts::none();
    for (int p = 0; p < j; p++) f = f.after(prog[p], p);
    return f;
}

search_state search_for(run_context& run) {
    search_state s;
    s.run = &run;
    s.limits = run.limits;
    s.open_gate = run.settings.exhaustive;
    return s;
}
