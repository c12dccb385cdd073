#include "search/machine.h"

#include <ostream>

namespace machine {
thread_local unsigned short reg[8];
thread_local int neg[8];
thread_local int read[8];
thread_local int locks[4];
thread_local int lockcnt;
thread_local int maxused;
}  // namespace machine

using namespace machine;

void init_state() {
    static const unsigned short inputs[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};
    for (int i = 0; i < 8; i++) {
        reg[i] = i < 4 ? inputs[i] : 0;
        neg[i] = 0;
        read[i] = 2;
    }
    lockcnt = 0;
    maxused = 3;
}

void doinst(const ot* x, int n) {
    for (int i = 0; i < n; i++) op(x[i]);
}

void save_state(int* st) {
    st[snapshot_maxused] = maxused;
    for (int i = 0; i <= maxused; i++) {
        st[4 * i] = reg[i];
        st[4 * i + 1] = neg[i];
        st[4 * i + 2] = read[i];
    }
    st[snapshot_lockcnt] = lockcnt;
    for (int i = 0; i < lockcnt; i++) st[snapshot_locks + i] = locks[i];
}

void restore_state(const int* st) {
    maxused = st[snapshot_maxused];
    for (int i = 0; i <= maxused; i++) {
        reg[i] = static_cast<unsigned short>(st[4 * i]);
        neg[i] = st[4 * i + 1];
        read[i] = st[4 * i + 2];
    }
    lockcnt = st[snapshot_lockcnt];
    for (int i = 0; i < lockcnt; i++) locks[i] = st[snapshot_locks + i];
}

std::ostream& operator<<(std::ostream& out, ot x) {
    switch (x.o) {
    case op_nop: return out << "nop";
    case op_or: return out << "or " << x.r1 << "," << x.r2;
    case op_and: return out << "and " << x.r1 << "," << x.r2;
    case op_xor: return out << "xor " << x.r1 << "," << x.r2;
    case op_mov: return out << "mov " << x.r1 << "," << x.r2;
    case op_not: return out << "not " << x.r1;
    case op_movc: return out << "movc " << x.r1 << ",#" << x.r2;
    default: return out;
    }
}
