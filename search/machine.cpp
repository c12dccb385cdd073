#include "search/machine.h"

#include <ostream>

void init_state(machine_state& m) {
    static const uint16_t inputs[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};
    for (int i = 0; i < 8; i++) {
        m.reg[i] = i < 4 ? inputs[i] : 0;
        m.neg[i] = 0;
        m.read[i] = read_untouched;
    }
    m.lockcnt = 0;
    m.maxused = 3;
}

void doinst(machine_state& m, const ot* x, int n) {
    for (int i = 0; i < n; i++) op(m, x[i]);
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
