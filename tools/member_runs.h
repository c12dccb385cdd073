// The members of a find as searches: each is one pass of the search on a thread of this
// process, in a directory of its own that holds its list (sb2.txt), its output (prgs1b.txt) and
// checkpoint, and, once the pass has ended, its time (pass-time.txt). So a member's directory is
// an ordinary sbtool search directory, which sbtool search --resume and sbtool report read.
#pragma once

#include <atomic>
#include <functional>
#include <list>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "search/run.h"
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

// Writes a member's pass time into its directory.
void keep_pass_time(const std::string& dir, double seconds);

// Hears of every record a member writes: its member and the record's text.
using record_sink = std::function<void(long member, const std::string& record)>;

// Members on threads of this process, at most `threads` at once; the list must be loaded.
class member_threads {
public:
    member_threads(int threads, const std::string& list_text, record_sink sink);
    // Stops the members still running and waits for them.
    ~member_threads();
    member_threads(const member_threads&) = delete;
    member_threads& operator=(const member_threads&) = delete;

    int free() const { return threads_ - static_cast<int>(running_.size()); }
    bool busy() const { return !running_.empty(); }
    // Starts member p in dir, made if missing, with the list written there as sb2.txt.
    void start(const member_plan& p, const std::string& dir);
    // The members that ended since the last call.
    std::vector<member_end> finished();
    // Asks every member running to stop soon, within its pass.
    void cancel();

private:
    struct running_member {
        std::unique_ptr<run_context> run;
        std::ostream quiet{nullptr};  // its console, which nobody reads
        std::atomic<bool> passed{false};
        std::atomic<bool> ended{false};
        member_end end;
        std::thread thread;
    };
    static void run_member(running_member& m, const member_plan& p);

    int threads_;
    std::string list_text_;
    uint64_t list_hash_;
    record_sink sink_;
    std::list<running_member> running_;
};
