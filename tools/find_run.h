// The run of a find: members started in order on the slots that run them, until enough are
// done, the time is up or the process is stopped, with the findings written into DIR whenever
// they change and, on a terminal, a live table on standard error.
#pragma once

#include <string>
#include <vector>

#include "tools/member_runs.h"
#include "tools/portfolio.h"

// Where members run: threads of this process, or the ranks of an MPI job.
class member_slots {
public:
    virtual ~member_slots() = default;
    // Members it can start now.
    virtual int free() const = 0;
    virtual void start(const member_plan& p) = 0;
    // The members that ended since the last call; their records are in the portfolio by then
    // and their files in DIR.
    virtual std::vector<member_end> finished() = 0;
    // Asks the members running to stop within their pass.
    virtual void cancel() = 0;
    virtual bool busy() const = 0;
};

// Members in processes of this machine, in DIR/members/K, whose records go to the portfolio as
// their outputs grow.
class local_slots : public member_slots {
public:
    local_slots(int slots, const std::string& dir, const find_definition& d, portfolio& findings);
    int free() const override { return members_.free(); }
    void start(const member_plan& p) override;
    std::vector<member_end> finished() override { return members_.finished(); }
    void cancel() override { members_.cancel(); }
    bool busy() const override { return members_.busy(); }

private:
    std::string members_dir_;
    const find_definition& definition_;
    member_processes members_;
};

// When a find ends: after member `members` - 1 (all before it done), after `seconds`; -1: never.
struct find_bounds {
    long members = -1;
    double seconds = -1;
};

// Runs the members not yet done, in order, on the slots until the bounds say to end; members
// still running then are stopped within their pass. Writes find.txt, find.json and the C files
// into dir whenever they change. Whether the run ended with every member the bounds ask for done.
bool run_find(portfolio& findings, const std::vector<member_slots*>& slots, const find_bounds& bounds,
              const std::string& dir);

// Writes find.txt, find.json and the C files of the findings into dir, each whole, where they
// changed since the last call.
void write_findings(const portfolio& findings, const std::string& dir);

// Takes what the members' directories under DIR/members hold: the records of every member and
// which are complete. A bad-data error when a directory there is not a member of this find.
void take_members_on_disk(portfolio& findings, const std::string& dir, const find_definition& d);
