// The register machine: instruction effects with their bookkeeping, text form, injectivity.
#include <gtest/gtest.h>

#include <sstream>

#include "child_process.h"
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

// The injectivity test against a direct count of the distinct register patterns of the 16
// inputs, on random register values with few patterns, so that both answers occur often.
TEST(Injectivity, AgreesWithCountingPatterns) {
    uint32_t seed = 12345;
    auto next = [&] { return seed = seed * 1103515245u + 12345u; };
    int injective = 0;
    for (int trial = 0; trial < 20000; trial++) {
        init_state(m);
        m.maxused = static_cast<int8_t>(3 + trial % 2);
        for (int r = 0; r < 5; r++)
            if (next() & 0x10000) m.reg[r] = static_cast<uint16_t>(next() >> 8);
        uint32_t patterns = 0;
        for (int x = 0; x < 16; x++) {
            int p = 0;
            for (int r = 0; r <= m.maxused; r++) p |= ((m.reg[r] >> x) & 1) << r;
            patterns |= 1u << p;
        }
        const int expected = __builtin_popcount(patterns) == 16 ? 1 : 0;
        ASSERT_EQ(check_perm(m), expected) << trial;
        injective += expected;
    }
    EXPECT_GT(injective, 1000);
    EXPECT_LT(injective, 19000);
}

TEST(Injectivity, DetectsCollidingInputs) {
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
