#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "random/random.h"

namespace {

// A fresh generator seeded as a run seeds it.
generator_state seeded(unsigned long seed) {
    generator_state g;
    srand_ansic(g, seed);
    rand_init2(g);
    return g;
}

int mod(int a, int m) { return ((a % m) + m) % m; }

}  // namespace

TEST(RandomStartup, AFreshStateHoldsTheDocumentedValues) {
    const generator_state g;
    EXPECT_EQ(g.ransi, 1u);
    EXPECT_EQ(g.rx + g.ry, 0u);
    EXPECT_EQ(g.r1279a + g.r1279b + g.r607a + g.r607b, 0);
    EXPECT_TRUE(std::all_of(g.r1279, g.r1279 + 1280, [](unsigned short v) { return v == 0; }));
    EXPECT_TRUE(std::all_of(g.r607, g.r607 + 608, [](unsigned short v) { return v == 0; }));
}

TEST(RandomSequences, AnsicFromStartupState) {
    generator_state g;
    const unsigned expected[] = {16838, 5758, 10113, 17515, 31051};
    for (unsigned want : expected) EXPECT_EQ(rand_ansic(g), want);
}

TEST(RandomSequences, SeedOneGives1279ValuesAndMwcState) {
    generator_state g = seeded(1);
    EXPECT_EQ(g.rx, 258333154u);
    EXPECT_EQ(g.ry, 522020665u);
    const unsigned expected[] = {54908, 22755, 62607, 56906, 55754};
    for (unsigned want : expected) EXPECT_EQ(rand_1279(g), want);
}

// The search's seed gives the sequence its gate draws; the inline and out-of-line copies step
// one state, and two states never share anything.
TEST(RandomSequences, SearchSeedGivesInlineSequence) {
    generator_state g = seeded(216750110), other = seeded(216750110);
    const unsigned expected[] = {17583, 37806, 2378, 60057, 38756, 32230, 26047, 6589};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(i % 2 ? rand_1279il(g) : rand_1279(g), expected[i]);
    EXPECT_EQ(rand_1279il(other), expected[0]);
}

// A second seeding restarts the lagged generators, while rx and ry keep accumulating.
TEST(RandomSequences, ReseedingRestartsLaggedButNotMwc) {
    generator_state g = seeded(1);
    for (int i = 0; i < 100; ++i) rand_1279(g);
    srand_ansic(g, 1);
    rand_init2(g);
    EXPECT_NE(g.rx, 258333154u);
    const unsigned expected[] = {54908, 22755, 62607, 56906, 55754};
    for (unsigned want : expected) EXPECT_EQ(rand_1279(g), want);
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
    generator_state g = seeded(216750110);
    check_index_cycle([&] { rand_1279il(g); }, g.r1279a, g.r1279b, 1279, 861);
    check_index_cycle([&] { rand_607(g); }, g.r607a, g.r607b, 607, 334);
}

// The outputs obey x(n) = x(n - lag) + x(n - tap) mod 2^16, which pins lag, tap and the wrap.
TEST(RandomLaggedGenerators, OutputsFollowTheirRecurrences) {
    generator_state g = seeded(1);
    std::vector<unsigned> x1279, x607;
    for (int i = 0; i < 3000; ++i) x1279.push_back(rand_1279(g));
    for (int i = 0; i < 1500; ++i) x607.push_back(rand_607(g));
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
