// The enumeration's rules and the verification's tests, each on a hand-built machine state.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <vector>

#include "child_process.h"
#include "classes/quikfnd3.h"
#include "search/driver.h"
#include "search/enumerate.h"
#include "search/verify.h"

namespace {

// The search state every test here works on.
search_state s;

// Runs prog[0..n-1] from the start state, as the search would have reached it.
void run_prefix(const std::vector<ot>& prog) {
    s = search_state{};
    std::copy(prog.begin(), prog.end(), s.prog);
    init_state(s);
    doinst(s, prog.data(), static_cast<int>(prog.size()));
    s.facts[prog.size()] = facts_of(s.prog, static_cast<int>(prog.size()));
}

TEST(StartPairs, AllTenInOrder) {
    const char* expected[10][2] = {{"xor 0,1", "xor 1,2"}, {"xor 0,1", "xor 2,1"}, {"xor 0,1", "xor 2,3"},
                                   {"xor 0,1", "mov 4,1"}, {"xor 0,1", "mov 4,2"}, {"xor 0,1", "not 1"},
                                   {"mov 4,0", "or 0,1"},  {"mov 4,0", "and 0,1"}, {"mov 4,0", "xor 0,1"},
                                   {"mov 4,0", "not 0"}};
    for (int s = 0; s < 10; s++) {
        ot prog[2] = {};
        select2(s, prog);
        EXPECT_EQ(text_of(prog[0]), expected[s][0]) << s;
        EXPECT_EQ(text_of(prog[1]), expected[s][1]) << s;
    }
    ot prog[2] = {};
    select2(5, prog);
    EXPECT_EQ(prog[1].r2, 0);
    select2(9, prog);
    EXPECT_EQ(prog[1].r1, 0);
    EXPECT_EQ(prog[1].r2, 0);
}

TEST(UntouchedInputs, TakenUpInAscendingOrder) {
    run_prefix({{op_xor, 0, 1}});
    EXPECT_EQ(check_r1(s, 2), 1);
    EXPECT_EQ(check_r1(s, 3), 0) << "register 2 is still untouched";
    EXPECT_EQ(check_r1(s, 0), 1);
    EXPECT_EQ(check_r1(s, 1), 1);
    run_prefix({{op_mov, 4, 0}});
    EXPECT_EQ(check_r1(s, 4), 1) << "a mov result (read 4) always passes";
    EXPECT_EQ(check_r1(s, 2), 0);
}

TEST(Redundancy, XorTwiceCancelsUnlessTheSourceChanged) {
    std::vector<ot> prog = {{op_xor, 0, 1}, {op_xor, 2, 3}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_xor, 0, 1}, 2), 0);
    prog = {{op_xor, 0, 1}, {op_xor, 1, 2}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_xor, 0, 1}, 2), 1);
}

TEST(Redundancy, XorAnsweringAnEarlierXorIsRefused) {
    // xor 1,2 reads 2; xor 2,1 afterwards answers it in the opposite direction.
    std::vector<ot> prog = {{op_xor, 0, 1}, {op_xor, 1, 2}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_xor, 2, 1}, 2), 0);
    EXPECT_EQ(check_usage(s, {op_xor, 2, 0}, 2), 1);
}

TEST(Redundancy, UntouchedSourcesInAscendingOrder) {
    std::vector<ot> prog = {{op_xor, 0, 1}, {op_xor, 1, 0}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_xor, 0, 3}, 2), 0) << "register 2 is untouched and lower";
    EXPECT_EQ(check_usage(s, {op_xor, 2, 3}, 2), 1) << "the destination itself does not count";
    EXPECT_EQ(check_usage(s, {op_not, 0, 3}, 2), 1) << "not is accepted before that test";
}

TEST(Redundancy, OrAndAnd) {
    std::vector<ot> prog = {{op_mov, 4, 0}, {op_not, 0, 0}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_or, 0, 4}, 2), 0) << "no common 1 bit: an or equals an xor";
    EXPECT_EQ(check_usage(s, {op_and, 0, 4}, 2), 1);
    EXPECT_EQ(check_usage(s, {op_or, 1, 0}, 2), 0) << "untouched destination";
    prog = {{op_xor, 0, 1}, {op_xor, 2, 3}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_and, 0, 1}, 2), 0) << "latest writer is xor 0,1";
    EXPECT_EQ(check_usage(s, {op_or, 0, 2}, 2), 1);
}

TEST(Redundancy, AfterANopTheInstructionDependsOnTheOneBefore) {
    std::vector<ot> prog = {{op_xor, 0, 1}, {op_xor, 2, 3}, {op_xor, 1, 2}, {op_nop, 0, 0}};
    run_prefix(prog);
    EXPECT_EQ(check_usage(s, {op_xor, 3, 0}, 4), 0);
    EXPECT_EQ(check_usage(s, {op_xor, 0, 1}, 4), 1);
    EXPECT_EQ(check_usage(s, {op_not, 1, 0}, 4), 1);
    EXPECT_EQ(check_usage(s, {op_not, 3, 0}, 4), 0);
    EXPECT_EQ(check_usage(s, {op_nop, 0, 0}, 4), 1);
}

TEST(PairOrder, SecondInstructionOrdering) {
    const ot first = {op_xor, 3, 0};
    int restart = -1;
    EXPECT_NE(pair_order(op_xor, 1, first, &restart), pair_ok) << "same opcode, lower destination";
    EXPECT_EQ(pair_order(op_xor, 0, first, &restart), pair_ok) << "overwrites the first one's source";
    EXPECT_EQ(pair_order(op_not, 1, first, &restart), pair_ok) << "higher opcode";
    EXPECT_EQ(pair_order(op_or, 1, first, &restart), pair_next_opcode) << "lower opcode, independent";
    EXPECT_EQ(pair_order(op_or, 0, first, &restart), pair_ok) << "lower opcode on the first one's source";
    EXPECT_EQ(pair_order(op_or, 1, {op_xor, 3, 2}, &restart), pair_restart);
    EXPECT_EQ(restart, 2) << "the next destination that can follow is the first one's source";
    // Equal opcodes: restart after the first's destination, or at its source when that lies between.
    EXPECT_EQ(pair_order(op_xor, 1, {op_xor, 2, 3}, &restart), pair_restart);
    EXPECT_EQ(restart, 3);
    EXPECT_EQ(pair_order(op_xor, 0, {op_xor, 3, 2}, &restart), pair_restart);
    EXPECT_EQ(restart, 2);
    EXPECT_EQ(pair_order(op_xor, 1, {op_and, 2, 3}, &restart), pair_ok);
}

TEST(PairOrder, AfterANotOnlyAHigherNot) {
    const ot first = {op_not, 2, 0};
    int restart = -1;
    EXPECT_EQ(pair_order(op_xor, 3, first, &restart), pair_next_opcode);
    EXPECT_EQ(pair_order(op_not, 1, first, &restart), pair_next_k);
    EXPECT_EQ(pair_order(op_not, 3, first, &restart), pair_ok);
}

class Verification : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(std::begin(valid), std::end(valid), -1);
        init_perm_once();
    }
    static void init_perm_once();
    // A fresh search state in the start state.
    static void restart() {
        s = search_state{};
        init_state(s);
    }
};

}  // namespace

#include "foundation/init.h"
#include "search/perm.h"

namespace {
void Verification::init_perm_once() {
    static bool done = false;
    if (!done) {
        init_startup();
        init_perm();
        done = true;
    }
}

// Executes x as instruction j and asks the verification.
int execute_and_verify(int j, ot x) {
    op(s, x);
    s.prog[j] = x;
    return verify(s, j, x.r1, x.r2);
}

TEST_F(Verification, ConstantsAndCopiesAreRefused) {
    restart();
    EXPECT_EQ(execute_and_verify(2, {op_xor, 1, 1}), 0) << "zero";
    restart();
    EXPECT_EQ(execute_and_verify(2, {op_mov, 4, 0}), 1) << "a mov copies on purpose";
    restart();
    op(s, {op_mov, 4, 1});
    EXPECT_EQ(execute_and_verify(3, {op_xor, 4, 1}), 0) << "zero after xor";
    restart();
    op(s, {op_mov, 4, 1});
    op(s, {op_and, 4, 0});
    EXPECT_EQ(execute_and_verify(3, {op_or, 4, 0}), 0) << "same table as register 0, not made by mov";
    restart();
    op(s, {op_not, 0, 0});
    EXPECT_EQ(execute_and_verify(2, {op_not, 0, 0}), 1) << "the same value back in register 0 itself";
    restart();
    op(s, {op_mov, 4, 1});
    op(s, {op_xor, 1, 2});
    EXPECT_EQ(execute_and_verify(3, {op_xor, 0, 0}), 0);
}

TEST_F(Verification, RegisterFourCountsOnlyWhileItIsTheLastInUse) {
    restart();
    op(s, {op_mov, 4, 2});
    op(s, {op_xor, 2, 3});
    EXPECT_EQ(execute_and_verify(3, {op_xor, 2, 3}), 0) << "equals register 4";
    restart();
    op(s, {op_mov, 4, 2});
    op(s, {op_xor, 2, 3});
    s.maxused = 5;
    EXPECT_EQ(execute_and_verify(3, {op_xor, 2, 3}), 1);
}

TEST_F(Verification, DeadlinesByLockedOutputs) {
    struct Case {
        int j, locked, expected;
    } cases[] = {{6, 0, 1}, {7, 0, 0}, {10, 1, 1}, {11, 1, 0}, {13, 2, 1}, {14, 2, 0}, {14, 3, 1}, {15, 3, 0}};
    for (const Case& c : cases) {
        restart();
        s.lockcnt = c.locked;
        for (int i = 0; i < c.locked; i++) s.locks[i] = 3 - i;
        std::fill(std::begin(s.nodecnt), std::end(s.nodecnt), 0);
        EXPECT_EQ(execute_and_verify(c.j, {op_xor, 0, 1}), c.expected) << c.j << " " << c.locked;
        const bool counted = c.expected == 1 || c.j == 15;
        EXPECT_EQ(s.nodecnt[c.j], counted ? 1u : 0u) << c.j;
    }
}

TEST_F(Verification, InjectivityAfterOrAndMov) {
    restart();
    EXPECT_EQ(execute_and_verify(2, {op_or, 0, 1}), 0);
    restart();
    op(s, {op_mov, 4, 0});
    EXPECT_EQ(execute_and_verify(3, {op_or, 0, 1}), 1);
}

// The search from start pair 0 with an empty target list: each call at index 3 prints the
// index-2 instruction it continues, so the console shows the order of trial at index 2.
TEST(Enumeration, OrderOfTrialAtIndexTwo) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", "");
    ChildResult run = run_in_child([&] {
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_bounded(search_run, 1);
    });
    ASSERT_TRUE(run.returned) << run.out;
    std::istringstream lines(run.out);
    std::string line, first_progress;
    std::vector<std::string> third;
    while (std::getline(lines, line)) {
        if (line.rfind("addop2 2", 0) == 0 && first_progress.empty()) first_progress = line;
        if (line.rfind("addop2 3", 0) != 0) continue;
        // addop2 3  l1  l2  l3  l4  l5  p0 p1 p2: the last two words are the third instruction.
        const size_t cut = line.rfind(' ', line.rfind(' ') - 1);
        third.push_back(line.substr(cut + 1));
    }
    EXPECT_EQ(first_progress, "addop2 2  xor 0,1 xor 1,2  11-0  0  13-0  0  0");
    const std::vector<std::string> expected = {"xor 0,1", "xor 0,2", "xor 0,3", "xor 1,0", "xor 1,3", "xor 2,0",
                                               "xor 2,3", "xor 3,0", "xor 3,1", "xor 3,2", "not 0",   "not 1",
                                               "not 2",   "not 3",   "mov 4,0", "mov 4,1", "mov 4,2", "mov 4,3"};
    EXPECT_EQ(third, expected);
    EXPECT_NE(run.out.find("addop2 3  0  0  0  0  0  xor 0,1 xor 1,2 xor 0,1\n"), std::string::npos);
}

}  // namespace
