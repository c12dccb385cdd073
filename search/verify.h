// The judge of every candidate instruction: admissibility of the new value, fixing of output
// registers through the class tables, recording of newly or more cheaply reached S-boxes,
// length deadlines and the injectivity test.
#pragma once

#include <cstdint>

#include "classes/quikfnd3.h"
#include "search/perm.h"
#include "search/state.h"

// Judges prog[j] (destination k, source l), already executed on s: 1 lets the search descend.
// Takes an output as the verification does, leaving lockcnt raised even when it returns 0.
// The search itself judges candidates before executing them (judge, below); verify is the
// same verdict after the fact, for the tests.
int verify(search_state& s, int j, int k, int l);

// The four fixed registers complete a listed S-box: x at index j wrote v into x.r1, the
// register that completes it. Looks its row up and records it, or hands it to the search's
// hook.
void report(search_state& s, int j, ot x, uint16_t v);

// A program prog[0..length-1] reached row N with the locked registers lock_regs holding words:
// unless N is already reached by a program at most as long, marks N and its input
// permutations as reached in the run and writes the record as report counters.l5 + 1. Returns
// 1 when a record was written.
int record_reached(run_context& run, search_counters& counters, int N, int length, const ot* prog,
                   const int* lock_regs, const uint16_t* words);

namespace verify_detail {

// A new value equal to another register's value adds nothing, unless it is the copy a mov
// makes on purpose. Register 4 counts only while it is the highest in use.
inline bool copies_other_register(const search_state& s, ot x, uint16_t v, int maxused) {
    unsigned others = (maxused == 4 ? 0x1fu : 0xfu) & ~(1u << x.r1);
    if (x.o == op_mov) others &= ~(1u << x.r2);
    return (registers_holding(s.reg, v) & others) != 0;
}

// The lock stage for a value v that is a component: fixes x.r1 as the next output when the
// outputs stay together in a listed S-box (locked counts them), or reports the S-box the
// fourth completes. False after a report.
inline bool take_output(search_state& s, int j, ot x, uint16_t v, int& locked) {
    switch (locked) {
    case 0:
        s.locks[0] = static_cast<int8_t>(x.r1);
        locked = 1;
        s.l1++;
        return true;
    case 1:
        if (pair_bit(valid[s.reg[s.locks[0]]], valid[v])) {
            s.locks[1] = static_cast<int8_t>(x.r1);
            locked = 2;
            s.l2++;
        }
        return true;
    case 2:
        if (check_sb3(s.reg[s.locks[0]], s.reg[s.locks[1]], v)) {
            s.locks[2] = static_cast<int8_t>(x.r1);
            locked = 3;
            s.l3++;
        }
        return true;
    default:
        if (!check_sb4(s.reg[s.locks[0]], s.reg[s.locks[1]], s.reg[s.locks[2]], v)) return true;
        report(s, j, x, v);
        return false;
    }
}

}  // namespace verify_detail

// The verification of instruction x at index j, judged before x is executed: x would write v
// into x.r1 and leave maxused as given; the machine is otherwise the one before x, which
// differs from the one after only in that register. `others` is what the registers in use
// other than x.r1 separate, for the injectivity test after or, and and mov. Counts and fixes
// outputs as the verification does (writing the new lock entry in place), records a complete
// S-box, and returns whether the program may be extended; `locked` receives the outputs
// fixed then.
inline bool judge(search_state& s, int j, ot x, uint16_t v, int maxused, const separation& others, int& locked) {
    using namespace verify_detail;
    s.verify_calls++;
    locked = s.lockcnt;
    if (v == 0x0000 || v == 0xffff) return false;
    if (copies_other_register(s, x, v, maxused)) return false;
    if (is_component(v) && !take_output(s, j, x, v, locked)) return false;
    if (locked < 3 && j >= s.limits.deadline[locked]) return false;
    if ((x.o == op_or || x.o == op_and || x.o == op_mov) && !all_separated(others | separation_of(v))) return false;
    s.nodecnt[j]++;
    return j < s.limits.last_index();
}
