#include "search/status.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <thread>

#include "foundation/fatal.h"
#include "search/interrupt.h"
#include "search/limits.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point t) {
    return std::chrono::duration<double>(clock_type::now() - t).count();
}

// "1:02:03" or "2:03".
std::string clock_text(double seconds) {
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// What the line shows, guarded by `lock`.
struct status_figures {
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
    // When the pass's subtrees are counted: how many per start pair, the share of the pass done
    // when it (or the run) started, how many are merged now, and when they were counted.
    uint64_t pair_subtrees[start_pairs] = {};
    bool counted = false;
    double share_at_start = 0;
    uint64_t subtrees_merged = 0;
    double subtrees_start_time = 0;            // seconds into the pass
};

std::mutex lock;
std::condition_variable stop_wanted;
bool stopping = false;
status_figures figures;
std::thread painter;

// The estimate of the pass's remaining seconds, or a negative number before a start pair is
// done. The previous pass's pace tells how the rest of a pass compares with its start.
// The share of the pass done once `merged` subtrees are merged: a tenth for each start pair
// done, and of the current one the share of its subtrees merged.
double share_done(const status_figures& f, uint64_t merged) {
    double pairs = 0;
    uint64_t before = 0;
    for (uint64_t n : f.pair_subtrees) {
        if (merged < before + n) return (pairs + static_cast<double>(merged - before) / n) / start_pairs;
        pairs += 1;
        before += n;
    }
    return 1;
}

double remaining_seconds(double elapsed) {
    const status_figures& f = figures;
    if (f.counted) {
        const double share = share_done(f, f.subtrees_merged);
        if (share <= f.share_at_start) return -1;
        return (elapsed - f.subtrees_start_time) * (1 - share) / (share - f.share_at_start);
    }
    if (f.pair < 1) return -1;
    const double done = f.pair_start[f.pair];
    if (f.previous_total > 0 && f.previous_pair_start[f.pair] > 0)
        return f.previous_total * done / f.previous_pair_start[f.pair] - elapsed;
    return done / f.pair * (start_pairs - f.pair) - (elapsed - done);
}

std::string line_text() {
    const status_figures& f = figures;
    const double elapsed = seconds_since(f.pass_start);
    std::string text = "pass " + std::to_string(f.pass) + "  start pair " + std::to_string(f.pair + 1) + " of " +
                       std::to_string(start_pairs) + "  " + clock_text(elapsed) + "  records " +
                       std::to_string(f.records);
    char rate[48];
    const uint64_t calls = f.calls + f.calls_ahead;
    const double per_second =
        f.calls_time > 0 && calls > f.calls_at_pass_start ? (calls - f.calls_at_pass_start) / f.calls_time : 0;
    std::snprintf(rate, sizeof rate, "  %.1f M candidates/s", per_second / 1e6);
    text += rate;
    const double remaining = remaining_seconds(elapsed);
    if (remaining >= 0) text += "  about " + clock_text(remaining) + " left";
    return text;
}

// Called with the lock held.
void draw() {
    if (!figures.active || figures.pass < 0) return;
    const std::string text = "\r\033[K" + line_text();
    if (::write(2, text.data(), text.size()) < 0) figures.active = false;
}

void clear() {
    if (figures.active && ::write(2, "\r\033[K", 4) < 0) figures.active = false;
}

void paint_every_second() {
    std::unique_lock<std::mutex> guard(lock);
    while (!stopping) {
        draw();
        stop_wanted.wait_for(guard, std::chrono::seconds(1));
    }
}

// Before a fault ends the process: the line goes for good, so that the fault's message
// starts a line of its own and nothing is drawn after it.
void clear_for_fatal() {
    std::lock_guard<std::mutex> guard(lock);
    clear();
    figures.active = false;
}

}  // namespace

void status_start() {
    if (!::isatty(2) || painter.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock);
        figures.active = true;
        stopping = false;
    }
    clear_line_on_stop(true);
    call_before_fatal(clear_for_fatal);
    painter = std::thread(paint_every_second);
}

void status_stop() {
    if (!painter.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
        clear();
        figures.active = false;
    }
    stop_wanted.notify_all();
    painter.join();
    clear_line_on_stop(false);
    call_before_fatal(nullptr);
}

void status_pass(int pass, const search_counters& counters) {
    std::lock_guard<std::mutex> guard(lock);
    status_figures& f = figures;
    if (f.pass >= 0) {
        f.previous_total = seconds_since(f.pass_start);
        std::copy(f.pair_start, f.pair_start + start_pairs, f.previous_pair_start);
    }
    f.pass = pass;
    f.pair = -1;
    f.pass_start = clock_type::now();
    std::fill(f.pair_start, f.pair_start + start_pairs, 0.0);
    f.calls_at_pass_start = f.calls = counters.verify_calls;
    f.calls_ahead = 0;
    f.calls_time = 0;
    f.records = counters.l5;
    f.counted = false;
}

void status_start_pair(int pair) {
    std::lock_guard<std::mutex> guard(lock);
    if (pair < 0 || pair >= start_pairs) return;
    figures.pair = pair;
    figures.pair_start[pair] = seconds_since(figures.pass_start);
}

void status_counters(const search_counters& counters) {
    std::lock_guard<std::mutex> guard(lock);
    figures.calls = counters.verify_calls;
    figures.calls_time = seconds_since(figures.pass_start);
    figures.records = counters.l5;
}

void status_batch_finished(uint64_t verify_calls) {
    std::lock_guard<std::mutex> guard(lock);
    figures.calls_ahead += verify_calls;
    figures.calls_time = seconds_since(figures.pass_start);
}

void status_batch_merged(uint64_t verify_calls, uint64_t subtrees) {
    std::lock_guard<std::mutex> guard(lock);
    figures.calls_ahead -= std::min(verify_calls, figures.calls_ahead);
    figures.subtrees_merged = subtrees;
}

void status_pass_subtrees(const uint64_t (&per_pair)[start_pairs], uint64_t merged) {
    std::lock_guard<std::mutex> guard(lock);
    status_figures& f = figures;
    std::copy(per_pair, per_pair + start_pairs, f.pair_subtrees);
    f.counted = std::any_of(per_pair, per_pair + start_pairs, [](uint64_t n) { return n > 0; });
    f.subtrees_merged = merged;
    f.share_at_start = share_done(f, merged);
    f.subtrees_start_time = seconds_since(f.pass_start);
}

void console_write(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock);
    clear();
    std::cout << text;
    std::cout.flush();
    draw();
}
