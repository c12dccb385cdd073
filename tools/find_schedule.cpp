#include "tools/find_schedule.h"

#include <cassert>
#include <mutex>
#include <vector>

namespace {

search_limits limits(int length, int a, int b, int c) {
    search_limits l;
    l.length = length;
    l.deadline[0] = a;
    l.deadline[1] = b;
    l.deadline[2] = c;
    return l;
}

// One pass on data/present.txt, one core: 0.8 s at the defaults, 6 s at 17/8,12,15 and 100 s
// at 18/9,13,16; 8 is also the median over the eleven bundled cipher S-boxes' lists of the
// cost of 17 (3.3 to 53). The shares: the defaults answer within seconds wherever they reach
// at all, 17 reaches what they cannot and finds shorter programs, 18 is the long tail.
const setting_plan settings[limit_settings] = {
    {limits(16, 7, 11, 14), 1, 0.25},
    {limits(17, 8, 12, 15), 8, 0.5},
    {limits(18, 9, 13, 16), 130, 0.25},
};

// The setting that would end soonest if it ran one more member: the least (members so far + 1)
// x cost / share, the cheaper setting on a tie.
int soonest_setting(const long (&count)[limit_settings]) {
    int chosen = 0;
    double soonest = 0;
    for (int s = 0; s < limit_settings; s++) {
        const double end = static_cast<double>(count[s] + 1) * settings[s].cost / settings[s].share;
        if (s == 0 || end < soonest) {
            soonest = end;
            chosen = s;
        }
    }
    return chosen;
}

// A 32-bit mixing function (MurmurHash3's finaliser): nearby inputs give unrelated seeds.
uint32_t mix(uint32_t h) {
    h ^= h >> 16;
    h *= 0x85ebca6bu;
    h ^= h >> 13;
    h *= 0xc2b2ae35u;
    h ^= h >> 16;
    return h;
}

}  // namespace

const setting_plan& setting_of(int setting) {
    assert(setting >= 0 && setting < limit_settings);
    return settings[setting];
}

uint32_t member_seed(int setting, long j) {
    const uint32_t seed = mix(static_cast<uint32_t>(setting) << 28 ^ static_cast<uint32_t>(j));
    return seed == default_seed ? seed + 1 : seed;
}

find_schedule::placing find_schedule::place(long position) {
    std::lock_guard<std::mutex> hold(lock_);
    while (static_cast<long>(planned_.size()) <= position) {
        const long k = static_cast<long>(planned_.size());
        const int s = k < 2 ? static_cast<int>(k) : soonest_setting(count_);
        planned_.push_back({s, count_[s]++});
    }
    return planned_[static_cast<size_t>(position)];
}

member_plan find_schedule::plan_of(long member, int sboxes) {
    assert(member >= 0 && sboxes >= 1);
    member_plan p;
    p.member = member;
    p.sbox = static_cast<int>(member % sboxes);
    p.position = member / sboxes;
    const placing at = place(p.position);
    p.setting = at.setting;
    p.rank = at.rank;
    p.seed = p.rank == 0 ? default_seed : member_seed(p.setting, p.rank);
    p.limits = settings[p.setting].limits;
    return p;
}

std::string limits_label(const search_limits& l) {
    return std::to_string(l.length) + "/" + std::to_string(l.deadline[0]) + "," + std::to_string(l.deadline[1]) +
           "," + std::to_string(l.deadline[2]);
}
