#include "search/enumerate.h"

#include <iostream>

#include "random/random.h"
#include "search/driver.h"
#include "search/verify.h"

thread_local int st[24][snapshot_slots];
thread_local const walk_delegate* delegate;

using namespace machine;

namespace {
constexpr int gate_threshold = 20000;

bool is_locked(int k) {
    return (lockcnt >= 1 && locks[0] == k) || (lockcnt >= 2 && locks[1] == k) || (lockcnt >= 3 && locks[2] == k);
}

// The latest instruction before index j whose destination is r, or -1.
int latest_writer(const ot* prog, int j, int r) {
    for (int p = j - 1; p >= 0; p--)
        if (prog[p].r1 == r) return p;
    return -1;
}

// An xor of the same source into the same destination as its latest writer cancels it,
// unless the source was written in between.
bool repeats_latest_xor(ot x, const ot* prog, int j) {
    const int p = latest_writer(prog, j, x.r1);
    if (p < 0 || prog[p].o != op_xor || prog[p].r2 != x.r2) return false;
    for (int q = j - 1; q > p; q--)
        if (prog[q].r1 == x.r2) return false;
    return true;
}

// The candidate xor answers an earlier xor of its destination into its source.
bool answers_earlier_xor(ot x, const ot* prog, int j) {
    for (int p = j - 1; p >= 0; p--) {
        if (prog[p].r2 == x.r1) return prog[p].o == op_xor && prog[p].r1 == x.r2;
    }
    return false;
}

// Some register below r other than `except` still holds its untouched initial value.
bool lower_input_untouched(int r, int except) {
    for (int i = 0; i < r; i++)
        if (i != except && read[i] == 2) return true;
    return false;
}

// Does the pair-order rule apply at index j? A first instruction that fixed the output due
// at its deadline may not change places with the second, so the rule is waived then.
bool pair_order_applies(int i, int j, const ot* prog, int last) {
    if (last == -1 || i == op_mov || prog[j - 2].o == op_mov) return false;
    const bool waived = cutdepth[j - 1] == 1 && lockcnt >= 1 && prog[j - 1].r1 == locks[lockcnt - 1];
    return !waived;
}

// Tries every source l for opcode i into destination k; returns after the first for `not`.
void try_sources(int j, ot* prog, int last, int i, int k, const int* S) {
    ot curr_op = {i, k, 0};
    const unsigned short tr = reg[k];
    for (int l = 0; l <= maxused; l++) {
        if (l == k || l == last) continue;
        curr_op.r2 = l;
        if (!check_usage(curr_op, prog, j)) continue;
        op(curr_op);
        prog[j] = curr_op;
        if (verify(j, k, l, prog) && reg[k] != tr) addop2(j + 1, prog, last == -1 ? k : -1);
        reg[k] = static_cast<unsigned short>(S[4 * k]);
        neg[k] = S[4 * k + 1];
        read[k] = S[4 * k + 2];
        neg[l] = S[4 * l + 1];
        read[l] = S[4 * l + 2];
        lockcnt = S[snapshot_lockcnt];
        if (i == op_not) return;
    }
}

// Tries opcode i (1..5) into every admissible destination, by ascending destination; returns
// early where a rule sends the search on to the next opcode.
void try_destinations(int j, ot* prog, int last, int i, const int* S) {
    const ot& prev = prog[j - 1];
    const bool after_mov = prev.o == op_mov;
    const bool pair_rule = pair_order_applies(i, j, prog, last);
    for (int k = 0; k <= maxused; k++) {
        if (k == last) continue;
        if (after_mov && k != prev.r2) {
            // The instruction after a mov overwrites the register the mov copied.
            if (k > prev.r2) return;
            k = prev.r2;
        }
        if (is_locked(k)) continue;
        if (i == op_mov && read[k] != 1) continue;
        if ((i == op_and || i == op_not) && neg[k] != 0) continue;
        if (read[k] > 1 && !check_r1(k)) continue;
        if ((i == op_or || i == op_and) && read[k] == 2) continue;
        if (pair_rule) {
            int restart = 0;
            switch (pair_order(i, k, prev, &restart)) {
            case pair_next_k: continue;
            case pair_next_opcode: return;
            case pair_restart: k = restart - 1; continue;
            case pair_ok: break;
            }
        }
        try_sources(j, prog, last, i, k, S);
    }
}

// Creates register 4 by a mov from each admissible source.
void try_new_register(int j, ot* prog, int last, const int* S) {
    const int n = maxused + 1;
    for (int k = 0; k <= maxused; k++) {
        if (k == last) continue;
        const ot curr_op = {op_mov, n, k};
        if (!check_usage(curr_op, prog, j)) continue;
        op(curr_op);
        prog[j] = curr_op;
        if (verify(j, n, k, prog)) addop2(j + 1, prog, last == -1 ? n : -1);
        restore_state(S);
    }
}
}  // namespace

// Two independent instructions of a pair appear only with non-decreasing opcodes, and with
// equal opcodes only with increasing destinations; a second instruction that overwrites the
// first one's source is exempt, since the two cannot change places.
pair_verdict pair_order(int i, int k, const ot& P, int* restart) {
    if (P.o == op_not) {
        if (i != op_not) return pair_next_opcode;
        return P.r1 > k ? pair_next_k : pair_ok;
    }
    if (i < P.o && k != P.r2) {
        if (k > P.r2) return pair_next_opcode;
        *restart = P.r2;
        return pair_restart;
    }
    if (i == P.o && P.r1 > k && k != P.r2) {
        *restart = (P.r1 < P.r2 || k > P.r2) ? P.r1 + 1 : P.r2;
        return pair_restart;
    }
    return pair_ok;
}

void print_progress(int j, const ot* prog) {
    if (j == 2) {
        std::cout << "addop2 " << j << "  " << prog[0] << " " << prog[1] << "  " << 11 << "-" << nodecnt[11] << "  "
                  << nodecnt[12] << "  " << 13 << "-" << nodecnt[13] << "  " << nodecnt[14] << "  " << nodecnt[15]
                  << "\n";
    } else if (j == 3) {
        std::cout << "addop2 " << j << "  " << l1 << "  " << l2 << "  " << l3 << "  " << l4 << "  " << l5 << "  "
                  << prog[0] << " " << prog[1] << " " << prog[2] << "\n";
    }
    // Shown at once even when standard output is a pipe or a file: these lines are rare.
    std::cout.flush();
}

void addop2(int j, ot* prog, int last) {
    if (j > 4 && j <= 11 && lockcnt <= 2) {
        const unsigned r = rand_1279il() & 0xffff;
        if (r > gate_threshold) return;
    }
    if (delegate && (j >= 11 || lockcnt >= 3)) {
        delegate->subtree(j, prog, last);
        return;
    }
    enumerate_from(j, prog, last);
}

void enumerate_from(int j, ot* prog, int last) {
    int* S = st[j];
    if (j == 2 || j == 3) {
        if (delegate) delegate->progress(j, prog);
        else print_progress(j, prog);
    }
    save_state(S);
    const ot& prev = prog[j - 1];
    for (int i = op_nop; i <= op_not; i++) {
        if (maxused == 3) {
            if (j > 4) return;
            if (i == op_or || i == op_and) i = op_xor;
            else if (i == op_mov) continue;
        }
        if (prev.o == op_mov && i == op_mov) continue;
        if (i == op_nop) {
            if (lockcnt >= 3 && last != -1 && prev.o != op_mov && j <= 14) {
                prog[j] = {op_nop, 0, 0};
                addop2(j + 1, prog, -1);
                restore_state(S);
            }
            continue;
        }
        try_destinations(j, prog, last, i, S);
    }
    if (maxused <= 3 && prev.o != op_mov) try_new_register(j, prog, last, S);
}

void select2(int s, ot* prog) {
    if (s <= 5) {
        prog[0] = mov1(0);
        prog[1] = mov2c(s);
    } else {
        prog[0] = mov1(1);
        prog[1] = mov2a(s - 6);
    }
}

ot mov1(int selector) {
    return selector == 0 ? ot{op_xor, 0, 1} : ot{op_mov, 4, 0};
}

ot mov2a(int selector) {
    static const ot table[4] = {{op_or, 0, 1}, {op_and, 0, 1}, {op_xor, 0, 1}, {op_not, 0, 0}};
    return table[selector];
}

ot mov2c(int selector) {
    static const ot table[6] = {{op_xor, 1, 2}, {op_xor, 2, 1}, {op_xor, 2, 3},
                                {op_mov, 4, 1}, {op_mov, 4, 2}, {op_not, 1, 0}};
    return table[selector];
}

int check_r1(int r) {
    return read[r] == 2 && lower_input_untouched(r, -1) ? 0 : 1;
}

int check_usage(ot x, const ot* prog, int j) {
    if (x.o == op_nop) return 1;
    if (prog[j - 1].o == op_nop) {
        const int before = prog[j - 2].r1;
        if (x.r1 != before && x.r2 != before) return 0;
    }
    if (x.o == op_not) return 1;
    if (read[x.r2] == 2 && lower_input_untouched(x.r2, x.r1)) return 0;
    if (x.o == op_xor) {
        if (read[x.r1] == 1) return answers_earlier_xor(x, prog, j) ? 0 : 1;
        if (read[x.r1] != 0) return 1;
        return repeats_latest_xor(x, prog, j) ? 0 : 1;
    }
    if (x.o == op_or || x.o == op_and) {
        if (read[x.r1] == 2) return 0;
        if (x.o == op_or && (reg[x.r1] & reg[x.r2]) == 0) return 0;
        if (read[x.r1] != 0) return 1;
        return repeats_latest_xor(x, prog, j) ? 0 : 1;
    }
    return 1;
}
