// One instruction of the register machine and its text form. Kept apart from the machine's
// state so that units that only handle programs need not see the machine.
#pragma once

#include <iosfwd>

// ot ("operation"): one instruction. Opcode, destination (also an operand of or/and/xor/not),
// source register or constant.
struct ot {
    int o;
    int r1;
    int r2;
};

enum opcode { op_nop = 0, op_or = 1, op_and = 2, op_xor = 3, op_mov = 4, op_not = 5, op_movc = 6 };

// The instruction's text, without a line end ("xor 0,1", "not 1", "movc 2,#61680").
std::ostream& operator<<(std::ostream& out, ot x);
