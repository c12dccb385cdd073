// The findings of sbtool find: the records its members wrote, the shortest program among them
// for each named S-box and its inverse, and what each member did. Members report from any
// thread. Of two programs as short, the one of the lower member, then the lower record number,
// is named, so the findings depend on the records taken and not on the order they came in.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tools/find_plan.h"
#include "tools/find_schedule.h"
#include "tools/shortest.h"

// What is known of one member.
struct member_report {
    member_plan plan;
    bool complete = false;  // its pass ended
    bool running = false;   // its pass runs now
    double seconds = -1;    // the pass's time in seconds; -1 while not known
    long records = 0;       // records taken from it (numbers 1..records)
};

// A file of C code for one named S-box.
struct code_file {
    std::string name;  // "PRESENT.c"
    std::string text;
};

class portfolio {
public:
    explicit portfolio(const find_definition& d);
    portfolio(const portfolio&) = delete;
    portfolio& operator=(const portfolio&) = delete;

    // Takes the records of a member's output text that have numbers above those taken from the
    // member; a last record cut short is left. Empty, or what is wrong with a record (one that
    // does not parse, or whose program does not compute the S-box it prints).
    std::string take_output(long member, const std::string& output);
    // A member has begun its pass; it has ended it, complete (after `seconds`, -1 when not
    // known) or stopped within it.
    void member_started(long member);
    void member_ended(long member, bool complete, double seconds);

    // The plan of member k of this find.
    member_plan plan(long member) const;
    bool complete(long member) const;
    long members_done() const;
    // Counts every change, so that a writer sees whether there is something new to write.
    uint64_t version() const;

    // find.txt: per named S-box the shortest program and its inverse's, their records and
    // wirings, and the members done. No timings.
    std::string text() const;
    // find.json: the same, with each member's seed, limits, pass time and records.
    std::string json() const;
    // One C file per named S-box for which a program was found, with code for it and for its
    // inverse where found, each checked on all 16 inputs.
    std::vector<code_file> code() const;
    // The lines of the live table: one per named S-box, its best length and its inverse's and
    // the members that found them, then the members done per limit setting.
    std::vector<std::string> live_lines() const;

private:
    // Unlocked helpers of the above.
    std::string take(long member, const std::string& output);
    member_report& report_of(long member);
    std::string done_text() const;
    // The plan of the member that holds s (none when s holds no program).
    member_plan plan_of_holder(const shortest& s) const;

    mutable std::mutex lock_;
    mutable find_schedule schedule_;  // the members' plans, extended as they are asked for
    find_definition definition_;
    accepted_constants accepted_;
    std::deque<located_record> records_;  // every record taken; results_ point into it
    std::vector<named_result> results_;
    std::vector<std::string> code_names_;  // the C identifier of each named S-box
    std::map<long, member_report> members_;
    long unmatched_ = 0;  // records that compute no named S-box
    uint64_t version_ = 0;
};

// The member and record number of a record a portfolio took.
long member_of(const located_record& r);
