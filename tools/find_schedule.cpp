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

// One pass on data/present.txt, one core: 1.5 s at the defaults, 38 s at 17/8,12,15 and about
// 11 min at 18/9,13,16. The shares: the defaults answer within seconds wherever they reach at
// all, 17 reaches what they cannot and finds shorter programs, 18 is the long tail.
const setting_plan settings[limit_settings] = {
    {limits(16, 7, 11, 14), 1, 0.25},
    {limits(17, 8, 12, 15), 25, 0.5},
    {limits(18, 9, 13, 16), 275, 0.25},
};

// A member's setting and the members of that setting before it.
struct placing {
    int setting;
    long rank;
};

// The settings of members 0.. as far as they have been planned; members 0 and 1 are fixed.
class schedule {
public:
    placing place(long member) {
        std::lock_guard<std::mutex> hold(lock_);
        while (static_cast<long>(planned_.size()) <= member) {
            const int s = next();
            planned_.push_back({s, count_[s]++});
        }
        return planned_[static_cast<size_t>(member)];
    }

private:
    // The setting whose members so far and one more would have cost least per share; the
    // cheaper setting on a tie.
    int next() {
        const long k = static_cast<long>(planned_.size());
        int chosen = k == 0 ? 0 : 1;
        if (k >= 2) {
            double soonest = 0;
            for (int s = 0; s < limit_settings; s++) {
                const double end = static_cast<double>(count_[s] + 1) * settings[s].cost / settings[s].share;
                if (s == 0 || end < soonest) {
                    soonest = end;
                    chosen = s;
                }
            }
        }
        return chosen;
    }

    std::mutex lock_;
    std::vector<placing> planned_;
    long count_[limit_settings] = {};
};

schedule the_schedule;

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

member_plan plan_of(long member, int sboxes) {
    assert(member >= 0 && sboxes >= 1);
    member_plan p;
    p.member = member;
    p.sbox = static_cast<int>(member % sboxes);
    p.position = member / sboxes;
    const placing at = the_schedule.place(p.position);
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
