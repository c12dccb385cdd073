// The live status line: while a run goes on, one line on standard error (when it is a
// terminal) shows the pass, the start pair, the elapsed time, the records written, candidate
// programs per second and an estimate of the pass's remaining time. It is redrawn every second
// from the latest figures the search reported, and cleared around every console line, so
// standard output is exactly what it would be without it. A command that wants the line makes
// one and gives it to its run; at most one is started in a process (one terminal).
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "search/limits.h"
#include "search/state.h"

class status_line {
public:
    status_line() = default;
    status_line(const status_line&) = delete;
    status_line& operator=(const status_line&) = delete;
    ~status_line() { stop(); }

    // Starts the line when standard error is a terminal; otherwise nothing happens.
    void start();
    // Clears the line for good.
    void stop();
    // A pass begins.
    void pass(int pass, const search_counters& counters);
    // A start pair (0..9) of the current pass begins.
    void start_pair(int pair);
    // The search's latest counters.
    void counters(const search_counters& counters);
    // A parallel search: a batch with this many verifications has run (from any thread), ahead
    // of the ordered merge, so that the rate shows the work done even while the merge waits for
    // an earlier batch; and the merge has taken a batch, after which the walk had handed over
    // `subtrees` subtrees in the pass.
    void batch_finished(uint64_t verify_calls);
    void batch_merged(uint64_t verify_calls, uint64_t subtrees);
    // A pass whose walk hands over per_pair[k] subtrees from start pair k (all 0: not counted),
    // of which the first `merged` were merged before the run started. The time left is then
    // estimated from the share of the pass merged, each start pair taken as a tenth of the work
    // and shared evenly among its subtrees.
    void pass_subtrees(const uint64_t (&per_pair)[start_pairs], uint64_t merged);
    // Writes console text to `out` with the line cleared around it, and flushes.
    void write(std::ostream& out, const std::string& text);

private:
    using clock_type = std::chrono::steady_clock;

    // What the line shows, guarded by lock_.
    struct figures {
        bool active = false;
        int pass = -1;
        int pair = -1;
        clock_type::time_point pass_start;
        double pair_start[start_pairs] = {};       // seconds into this pass
        double previous_pair_start[start_pairs] = {};
        double previous_total = 0;                 // seconds of the previous pass, 0 when none
        uint64_t calls_at_pass_start = 0;
        uint64_t calls = 0;
        uint64_t calls_ahead = 0;                  // of batches run but not yet merged
        double calls_time = 0;                     // seconds into the pass of the latest figures
        uint64_t records = 0;
        // When the pass's subtrees are counted: how many per start pair, the share of the pass
        // done when it (or the run) started, how many are merged now, and when they were counted.
        uint64_t pair_subtrees[start_pairs] = {};
        bool counted = false;
        double share_at_start = 0;
        uint64_t subtrees_merged = 0;
        double subtrees_start_time = 0;            // seconds into the pass
    };

    static double share_done(const figures& f, uint64_t merged);
    double seconds_since_pass_start() const;
    double remaining_seconds(double elapsed) const;
    std::string text() const;
    void draw();
    void clear();
    void paint_every_second();
    static void clear_for_fatal(void* line);

    std::mutex lock_;
    std::condition_variable stop_wanted_;
    bool stopping_ = false;
    figures f_;
    std::thread painter_;
};
