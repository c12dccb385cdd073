#include "search/verify.h"

#include <algorithm>
#include <fstream>

#include "classes/quikfnd3.h"
#include "foundation/anf.h"
#include "foundation/fatal.h"
#include "sbox/sbox.h"
#include "search/driver.h"
#include "search/interrupt.h"
#include "search/perm.h"
#include "search/targets.h"

thread_local uint64_t nodecnt[24];
thread_local uint64_t l1, l2, l3, l4, l5;
thread_local uint64_t verify_calls;
thread_local complete_sink completed;

using namespace machine;

namespace {
// A new value equal to another register's value adds nothing, unless it is the copy a `mov`
// makes on purpose.
bool copies_other_register(int k, int l, int opc, unsigned short v) {
    const int last_checked = maxused == 4 ? 4 : 3;
    for (int r = 0; r <= last_checked; r++) {
        if (r != k && v == reg[r] && !(opc == op_mov && l == r)) return true;
    }
    return false;
}

// The four locked registers complete a listed S-box: look its row up and record it if new.
void report(int j, int k, const ot* prog) {
    locks[3] = k;
    const unsigned short words[4] = {reg[locks[0]], reg[locks[1]], reg[locks[2]], reg[k]};
    const int N = get_sb4(words[0], words[1], words[2], words[3]);
    l4++;
    if (completed) completed(N, j + 1, prog, locks, words);
    else record_reached(N, j + 1, prog, locks, words);
}

// Marks row N and every input permutation of it as reached by report `number` of `length`.
void mark_reached(int N, int number, int length) {
    dn[N][0] = number;
    dn[N][1] = length;
    for (int i = 1; i < 24; i++) {
        const int P = per[N][i];
        if (P != -1) {
            dn[P][0] = number;
            dn[P][1] = length;
        }
    }
}

// Writes the record of report l5 for row N to ostr and flushes it.
void write_record(int N, int length, const ot* prog, const int* lock_regs, const unsigned short* words) {
    Bits tables[4] = {Bits(&words[0], 16), Bits(&words[1], 16), Bits(&words[2], 16), Bits(&words[3], 16)};
    ANF forms[4] = {get_ANF(tables[0]), get_ANF(tables[1]), get_ANF(tables[2]), get_ANF(tables[3])};
    int degree[4];
    int dmin = 3;
    for (int i = 0; i < 4; i++) {
        degree[i] = forms[i].get_order();
        dmin = std::min(dmin, degree[i]);
    }
    ostr << "found " << l5 << " r " << length << " o " << dmin << " n " << N << "\n";
    for (int i = 0; i < 24; i++) {
        const int I = inv[N][i];
        if (I == -1) continue;
        ostr << " in " << I;
        if (dn[I][0] != -1) ostr << " t " << dn[I][1] + dn[N][1];
    }
    ostr << "\n";
    for (int i = 0; i < 24; i++) {
        if (per[N][i] != -1) ostr << " p " << per[N][i];
    }
    ostr << "\n";
    for (int i = 0; i < 4; i++) {
        ostr << lock_regs[i] << "  " << degree[i] << "  " << tables[i] << "  " << forms[i] << "\n";
    }
    const Sbox s(tables[0], tables[1], tables[2], tables[3]);
    ostr << "s " << s << "\n";
    ostr << "i " << s.inverse() << "\n";
    for (int i = 0; i < length; i++) ostr << prog[i] << "\n";
    ostr.flush();
    check_output_written();
}
}  // namespace

int record_reached(int N, int length, const ot* prog, const int* lock_regs, const unsigned short* words) {
    if (dn[N][0] > 0 && dn[N][1] <= length) return 0;
    l5++;
    mark_reached(N, static_cast<int>(l5), length);
    begin_record_write();
    write_record(N, length, prog, lock_regs, words);
    end_record_write();
    return 1;
}

int verify(int j, int k, int l, ot* prog) {
    verify_calls++;
    const int opc = prog[j].o;
    const unsigned short v = reg[k];
    if (v == 0x0000 || v == 0xffff) return 0;
    if (copies_other_register(k, l, opc, v)) return 0;
    if (is_component(v)) {
        const int index = valid[v];
        switch (lockcnt) {
        case 0:
            locks[0] = k;
            lockcnt = 1;
            l1++;
            break;
        case 1: {
            const int i1 = valid[reg[locks[0]]];
            if ((list[i1].l[index >> 4] >> (index & 15)) & 1) {
                locks[1] = k;
                lockcnt = 2;
                l2++;
            }
            break;
        }
        case 2:
            if (check_sb3(reg[locks[0]], reg[locks[1]], v)) {
                locks[2] = k;
                lockcnt = 3;
                l3++;
            }
            break;
        default:
            if (check_sb4(reg[locks[0]], reg[locks[1]], reg[locks[2]], v)) {
                report(j, k, prog);
                return 0;
            }
            break;
        }
    }
    if ((j > 6 && lockcnt == 0) || (j > 10 && lockcnt == 1) || (j > 13 && lockcnt == 2)) return 0;
    if ((opc == op_or || opc == op_and || opc == op_mov) && !check_perm()) return 0;
    nodecnt[j]++;
    return j > 14 ? 0 : 1;
}
