// The members of a find as searches: each is one pass of the search in a child process of its
// own (a process loads one target list, and members search different lists), in a directory of
// its own that holds its list (sb2.txt), its output (prgs1b.txt) and checkpoint, and, once the
// pass has ended, its time (pass-time.txt). So a member's directory is an ordinary sbtool
// search directory, which sbtool search --resume and sbtool report read.
#pragma once

#include <sys/types.h>

#include <functional>
#include <list>
#include <string>
#include <vector>

#include "tools/find_schedule.h"

// How a member's pass ended.
struct member_end {
    long member = 0;
    bool complete = false;  // the pass ended; otherwise it was stopped within it
    double seconds = -1;    // the pass's time, when complete
    std::string dir;        // the member's directory
};

// What a member's directory holds of it.
struct member_on_disk {
    bool complete = false;  // its checkpoint shows its pass done and matches its output
    double seconds = -1;    // its pass time, when kept
    std::string output;     // its output so far, empty when there is none
};

// The directory of member k under base ("base/k").
std::string member_dir(const std::string& base, long member);
// Makes a directory unless it exists; a bad-data error naming it when it cannot.
void make_directory(const std::string& dir);

// What dir holds of member p, whose list has hash list_hash. A bad-data error that starts
// "cannot resume: " when the directory holds a run of another seed, other limits or another list.
member_on_disk inspect_member(const std::string& dir, const member_plan& p, uint64_t list_hash);

// Writes a member's pass time into its directory (pass-time.txt), whole.
void keep_pass_time(const std::string& dir, double seconds);

// Hears of a running member's output as it grows: its member and the output so far.
using output_sink = std::function<void(long member, const std::string& output)>;

// Members in child processes, at most `slots` at once. A child ends with its parent.
class member_processes {
public:
    member_processes(int slots, output_sink sink);
    // Stops the members still running and waits for them.
    ~member_processes();
    member_processes(const member_processes&) = delete;
    member_processes& operator=(const member_processes&) = delete;

    int free() const { return slots_ - static_cast<int>(running_.size()); }
    bool busy() const { return !running_.empty(); }
    // Starts member p in dir, made if missing, with its list written there as sb2.txt.
    void start(const member_plan& p, const std::string& dir, const std::string& list_text);
    // The members that ended since the last call; the sink hears of the outputs of those still
    // running that grew.
    std::vector<member_end> finished();
    // Asks every member running to stop soon, within its pass.
    void cancel();

private:
    struct running_member {
        pid_t pid;
        member_end end;
        long long output_size = -1;  // of its output when the sink last heard of it
    };

    int slots_;
    output_sink sink_;
    std::list<running_member> running_;
};
