// The portfolio that sbtool find runs: member k is one pass of the search with limits and a
// seed of its own, fixed by k alone, so that every run of the find, on any number of threads
// or ranks, gives member k the same pass. With n named S-boxes, member k searches the list of
// S-box k mod n alone (its variants), as member k div n of that S-box's schedule: a list of
// several S-boxes fixes an output as soon as a register holds a coordinate of any of them, and
// so reaches each less often for about the same work.
//
// Three limit settings share the members: the defaults (16 instructions, deadlines 7,11,14),
// 17 with 8,12,15 and 18 with 9,13,16. A raised setting searches every program shape of a lower
// one and more, at a cost per pass that grows about 8 and 16 times per step on
// data/present.txt. Members 0 and 1 are the classic runs (the default seed) at the defaults and
// at 17; from member 2 on, each member takes the setting that would end soonest on a clock that
// runs for each setting at its share of the work (weighted fair queueing): the setting whose
// members so far and this one would have cost least per share. The j-th member of a setting
// (from 0) in an S-box's schedule runs with the default seed when j = 0, else with seed
// member_seed(setting, j).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "search/limits.h"

// The limit settings, in rising order of cost.
constexpr int limit_settings = 3;

// What sets a setting's place in the schedule: its limits, its cost per pass relative to a pass
// at the defaults (measured on data/present.txt) and its share of the work.
struct setting_plan {
    search_limits limits;
    double cost;   // a pass's work, a default pass being 1
    double share;  // the part of the members' work it gets
};

const setting_plan& setting_of(int setting);

struct member_plan {
    long member = 0;
    int sbox = 0;       // the named S-box whose list it searches
    long position = 0;  // its place in that S-box's schedule
    int setting = 0;
    long rank = 0;      // the members of its setting before it in that schedule
    uint32_t seed = 0;
    search_limits limits;
};

// The schedule of one find: plans members on demand, extending the placings of the settings
// it has computed so far (each member's placing depends on those before it). Safe to use
// from any thread.
class find_schedule {
public:
    // The plan of member k (k >= 0) of a find for `sboxes` named S-boxes.
    member_plan plan_of(long member, int sboxes);

private:
    // A position's setting and the members of that setting before it in the schedule.
    struct placing {
        int setting;
        long rank;
    };
    placing place(long position);

    std::mutex lock_;
    std::vector<placing> planned_;  // positions 0.. planned so far; 0 and 1 are fixed
    long count_[limit_settings] = {};
};

// The seed of the j-th member (j >= 1) of a setting: a mix of the two that is never the
// default seed.
uint32_t member_seed(int setting, long j);

// "16/7,11,14": the length limit and the deadlines.
std::string limits_label(const search_limits& l);
