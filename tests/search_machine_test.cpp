// The register machine: instruction effects with their bookkeeping, text form, injectivity.
#include <gtest/gtest.h>

#include <sstream>

#include "child_process.h"
#include "foundation/init.h"
#include "search/machine.h"
#include "search/perm.h"

namespace {

// The machine every test here works on.
machine_state m;

TEST(Machine, StartStateHoldsTheInputVariables) {
    m.locks[2] = 7;
    init_state(m);
    const unsigned short inputs[4] = {0xaaaa, 0xcccc, 0xf0f0, 0xff00};
    for (int i = 0; i < 8; i++) {
        EXPECT_EQ(m.reg[i], i < 4 ? inputs[i] : 0) << i;
        EXPECT_EQ(m.neg[i], 0);
        EXPECT_EQ(m.read[i], 2);
    }
    EXPECT_EQ(m.maxused, 3);
    EXPECT_EQ(m.lockcnt, 0);
    EXPECT_EQ(m.locks[2], 7) << "lock entries are left as they are";
}

TEST(Machine, XorMarksDestinationWrittenAndSourceRead) {
    init_state(m);
    op(m, {op_xor, 0, 1});
    EXPECT_EQ(m.reg[0], 0x6666);
    EXPECT_EQ(m.read[0], 0);
    EXPECT_EQ(m.read[1], 1);
    for (int i = 2; i < 8; i++) EXPECT_EQ(m.read[i], 2);
}

TEST(Machine, MovIntoNewRegisterRaisesMaxused) {
    init_state(m);
    op(m, {op_mov, 4, 0});
    EXPECT_EQ(m.reg[4], 0xaaaa);
    EXPECT_EQ(m.read[4], 4);
    EXPECT_EQ(m.read[0], 1);
    EXPECT_EQ(m.maxused, 4);
    init_state(m);
    op(m, {op_mov, 2, 1});
    EXPECT_EQ(m.maxused, 3);
    EXPECT_EQ(m.reg[2], 0xcccc);
}

TEST(Machine, NotSetsTheNegationFlag) {
    init_state(m);
    op(m, {op_not, 1, 0});
    op(m, {op_not, 1, 0});
    EXPECT_EQ(m.reg[1], 0xcccc);
    EXPECT_EQ(m.neg[1], 1);
    EXPECT_EQ(m.read[1], 0);
}

TEST(Machine, AndKeepsTheFlagOfAnUnreadNegatedSource) {
    init_state(m);
    op(m, {op_not, 2, 0});
    op(m, {op_and, 0, 2});
    EXPECT_EQ(m.neg[2], 1);
    EXPECT_EQ(m.read[2], 1);
    EXPECT_EQ(m.reg[0], 0xaaaa & 0x0f0f);
    // Once read, a later and clears it.
    op(m, {op_and, 3, 2});
    EXPECT_EQ(m.neg[2], 0);

    for (int code : {op_or, op_xor, op_mov}) {
        init_state(m);
        op(m, {op_not, 2, 0});
        op(m, {code, 0, 2});
        EXPECT_EQ(m.neg[2], 0) << code;
    }
}

TEST(Machine, SameRegisterAppliesSourceBookkeepingLast) {
    init_state(m);
    op(m, {op_xor, 1, 1});
    EXPECT_EQ(m.reg[1], 0);
    EXPECT_EQ(m.read[1], 1);
    init_state(m);
    op(m, {op_mov, 2, 2});
    EXPECT_EQ(m.read[2], 1);
}

TEST(Machine, MovcKeepsLow16BitsAndUnknownCodesDoNothing) {
    init_state(m);
    op(m, {op_movc, 5, 0x1f0f0});
    EXPECT_EQ(m.reg[5], 0xf0f0);
    EXPECT_EQ(m.maxused, 5);
    EXPECT_EQ(m.read[5], 0);
    init_state(m);
    for (int code : {7, -1, 100}) op(m, {code, 0, 1});
    EXPECT_EQ(m.reg[0], 0xaaaa);
    EXPECT_EQ(m.read[0], 2);
    EXPECT_EQ(m.read[1], 2);
}

TEST(Machine, TextForms) {
    EXPECT_EQ(text_of(ot{op_nop, 0, 0}), "nop");
    EXPECT_EQ(text_of(ot{op_or, 1, 2}), "or 1,2");
    EXPECT_EQ(text_of(ot{op_and, 3, 0}), "and 3,0");
    EXPECT_EQ(text_of(ot{op_xor, 0, 1}), "xor 0,1");
    EXPECT_EQ(text_of(ot{op_mov, 4, 0}), "mov 4,0");
    EXPECT_EQ(text_of(ot{op_not, 1, 0}), "not 1");
    EXPECT_EQ(text_of(ot{op_movc, 2, 61680}), "movc 2,#61680");
    EXPECT_EQ(text_of(ot{7, 1, 2}), "");
    EXPECT_EQ(text_of(ot{-1, 1, 2}), "");
}

TEST(Machine, DoinstRunsThePrefix) {
    init_state(m);
    const ot prog[3] = {{op_mov, 4, 0}, {op_or, 0, 1}, {op_not, 0, 0}};
    doinst(m, prog, 2);
    EXPECT_EQ(m.reg[0], 0xeeee);
    EXPECT_EQ(m.reg[4], 0xaaaa);
    doinst(m, prog, 0);
    doinst(m, prog, -3);
    EXPECT_EQ(m.reg[0], 0xeeee);
}

class Injectivity : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        init_startup();
        init_perm();
    }
};

TEST_F(Injectivity, PatternTables) {
    EXPECT_EQ(gw[0], 0);
    EXPECT_EQ(gw[0xffff], 16);
    EXPECT_EQ(vals[0][0][0][0][0], 0x1u);
    EXPECT_EQ(vals[15][0][0][0][0], 0x2u);
    EXPECT_EQ(vals[1][2][4][8][0], 0x116u);
    EXPECT_EQ(vals[15][15][15][15][15], 0x80000000u);
}

TEST_F(Injectivity, DetectsCollidingInputs) {
    init_state(m);
    EXPECT_EQ(check_perm(m), 1);
    op(m, {op_or, 0, 1});
    EXPECT_EQ(check_perm(m), 0) << "inputs 1 and 3 collide after or 0,1";
    init_state(m);
    op(m, {op_mov, 4, 0});
    op(m, {op_or, 0, 1});
    EXPECT_EQ(check_perm(m), 1) << "register 4 keeps them apart";
    m.maxused = 3;
    EXPECT_EQ(check_perm(m), 0) << "a register above maxused does not count";
    init_state(m);
    m.reg[4] = 0x1234;
    EXPECT_EQ(check_perm(m), 1);
}

}  // namespace
