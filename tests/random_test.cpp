#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "random/random.h"

namespace {

// The generator state as the program finds it before main, captured during static
// initialisation of this unit (the globals are constant-initialised, so they are already set).
struct StartState {
    uint32_t ransi, rx, ry;
    int r1279a, r1279b, r607a, r607b;
    bool tables_zero;
};

StartState capture_start_state() {
    bool zero = std::all_of(r1279, r1279 + 1280, [](unsigned short v) { return v == 0; }) &&
                std::all_of(r607, r607 + 608, [](unsigned short v) { return v == 0; });
    return {ransi, rx, ry, r1279a, r1279b, r607a, r607b, zero};
}

const StartState start_state = capture_start_state();

// Puts every generator back into its program-start state, so each seeding test starts as a
// fresh run would, whatever earlier tests drew.
void restore_start_state() {
    ransi = 1;
    rx = ry = 0;
    std::fill(r1279, r1279 + 1280, 0);
    std::fill(r607, r607 + 608, 0);
    r1279a = r1279b = r607a = r607b = 0;
}

void seed_at_start(unsigned long seed) {
    restore_start_state();
    srand_ansic(seed);
    rand_init2();
}

int mod(int a, int m) { return ((a % m) + m) % m; }

}  // namespace

TEST(RandomStartup, GlobalsHoldDocumentedInitialValues) {
    EXPECT_EQ(start_state.ransi, 1u);
    EXPECT_EQ(start_state.rx, 0u);
    EXPECT_EQ(start_state.ry, 0u);
    EXPECT_EQ(start_state.r1279a, 0);
    EXPECT_EQ(start_state.r1279b, 0);
    EXPECT_EQ(start_state.r607a, 0);
    EXPECT_EQ(start_state.r607b, 0);
    EXPECT_TRUE(start_state.tables_zero);
}

TEST(RandomSequences, AnsicFromStartupState) {
    restore_start_state();
    const unsigned expected[] = {16838, 5758, 10113, 17515, 31051};
    for (unsigned want : expected) EXPECT_EQ(rand_ansic(), want);
}

TEST(RandomSequences, SeedOneGives1279ValuesAndMwcState) {
    seed_at_start(1);
    EXPECT_EQ(rx, 258333154u);
    EXPECT_EQ(ry, 522020665u);
    const unsigned expected[] = {54908, 22755, 62607, 56906, 55754};
    for (unsigned want : expected) EXPECT_EQ(rand_1279(), want);
}

TEST(RandomSequences, SearchSeedGivesInlineSequence) {
    seed_at_start(216750110);
    const unsigned expected[] = {17583, 37806, 2378, 60057, 38756, 32230, 26047, 6589};
    for (unsigned want : expected) EXPECT_EQ(rand_1279il(), want);
}

// Both copies must step one shared generator: alternating them gives the same sequence.
TEST(RandomSequences, OutOfLineAndInlineCopiesShareState) {
    seed_at_start(216750110);
    const unsigned expected[] = {17583, 37806, 2378, 60057, 38756, 32230, 26047, 6589};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(i % 2 ? rand_1279il() : rand_1279(), expected[i]);
}

// A second seeding restarts the lagged generators, while rx and ry keep accumulating.
TEST(RandomSequences, ReseedingRestartsLaggedButNotMwc) {
    seed_at_start(1);
    for (int i = 0; i < 100; ++i) rand_1279();
    srand_ansic(1);
    rand_init2();
    EXPECT_NE(rx, 258333154u);
    const unsigned expected[] = {54908, 22755, 62607, 56906, 55754};
    for (unsigned want : expected) EXPECT_EQ(rand_1279(), want);
}

// Steps a lagged generator over three wraps and checks that its indexes stay in 1..wrap,
// step from 1 to wrap, and keep their distance.
template <class Step>
void check_index_cycle(Step step, const int& a, const int& b, int wrap, int distance) {
    for (int i = 0; i < 3 * wrap; ++i) {
        int before = a;
        step();
        ASSERT_TRUE(a >= 1 && a <= wrap && b >= 1 && b <= wrap) << "a = " << a << ", b = " << b;
        ASSERT_EQ(a, before == 1 ? wrap : before - 1);
        ASSERT_EQ(mod(a - b, wrap), distance);
    }
}

TEST(RandomLaggedGenerators, IndexesNeverZeroAndKeepTheirDistance) {
    seed_at_start(216750110);
    check_index_cycle(rand_1279il, r1279a, r1279b, 1279, 861);
    check_index_cycle(rand_607, r607a, r607b, 607, 334);
}

// The outputs obey x(n) = x(n - lag) + x(n - tap) mod 2^16, which pins lag, tap and the wrap.
TEST(RandomLaggedGenerators, OutputsFollowTheirRecurrences) {
    seed_at_start(1);
    std::vector<unsigned> x1279, x607;
    for (int i = 0; i < 3000; ++i) x1279.push_back(rand_1279());
    for (int i = 0; i < 1500; ++i) x607.push_back(rand_607());
    for (size_t n = 1279; n < x1279.size(); ++n)
        ASSERT_EQ(x1279[n], (x1279[n - 1279] + x1279[n - 418]) & 0xffff) << "n = " << n;
    for (size_t n = 607; n < x607.size(); ++n)
        ASSERT_EQ(x607[n], (x607[n - 607] + x607[n - 273]) & 0xffff) << "n = " << n;
}

TEST(RandomCombinatorics, FactorialInsideAndOutsideItsRange) {
    const struct { int i, want; } cases[] = {
        {-1, 0}, {0, 1}, {1, 1}, {2, 2}, {5, 120}, {11, 39916800}, {12, 0}};
    for (auto c : cases) EXPECT_EQ(factorial(c.i), c.want) << "i = " << c.i;
}

TEST(RandomCombinatorics, ComboFollowsItsTestOrder) {
    const struct { int i, j, want; } cases[] = {
        {5, 2, 10}, {11, 5, 462}, {11, 11, 1}, {7, 0, 1}, {1, 3, 1}, {0, 4, 1},
        {3, 5, 0},  {4, -1, 0},   {12, 2, 0},  {12, 12, 1}, {-2, 1, 0}};
    for (auto c : cases) EXPECT_EQ(combo(c.i, c.j), c.want) << c.i << " choose " << c.j;
}
