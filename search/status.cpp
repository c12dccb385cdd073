#include "search/status.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <iostream>

#include "foundation/fatal.h"
#include "search/interrupt.h"

namespace {

// "1:02:03" or "2:03".
std::string clock_text(double seconds) {
    const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

}  // namespace

double status_line::seconds_since_pass_start() const {
    return std::chrono::duration<double>(clock_type::now() - f_.pass_start).count();
}

// The share of the pass done once `merged` subtrees are merged: a tenth for each start pair
// done, and of the current one the share of its subtrees merged.
double status_line::share_done(const figures& f, uint64_t merged) {
    double pairs = 0;
    uint64_t before = 0;
    for (uint64_t n : f.pair_subtrees) {
        if (merged < before + n) return (pairs + static_cast<double>(merged - before) / n) / start_pairs;
        pairs += 1;
        before += n;
    }
    return 1;
}

// The estimate of the pass's remaining seconds, or a negative number while there is none: from
// the share of subtrees merged when they were counted, otherwise once a start pair is done,
// from the pace of the previous pass (how the rest of a pass compares with its start) or of
// this one.
double status_line::remaining_seconds(double elapsed) const {
    const figures& f = f_;
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

std::string status_line::text() const {
    const figures& f = f_;
    const double elapsed = seconds_since_pass_start();
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
void status_line::draw() {
    if (!f_.active || f_.pass < 0) return;
    const std::string shown = "\r\033[K" + text();
    if (::write(2, shown.data(), shown.size()) < 0) f_.active = false;
}

void status_line::clear() {
    if (f_.active && ::write(2, "\r\033[K", 4) < 0) f_.active = false;
}

void status_line::paint_every_second() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
        draw();
        stop_wanted_.wait_for(guard, std::chrono::seconds(1));
    }
}

// Before a fault ends the process: the line goes for good, so that the fault's message
// starts a line of its own and nothing is drawn after it.
void status_line::clear_for_fatal(void* line) {
    status_line& s = *static_cast<status_line*>(line);
    std::lock_guard<std::mutex> guard(s.lock_);
    s.clear();
    s.f_.active = false;
}

void status_line::start() {
    if (!::isatty(2) || painter_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        f_.active = true;
        stopping_ = false;
    }
    clear_line_on_stop(true);
    call_before_fatal(clear_for_fatal, this);
    painter_ = std::thread(&status_line::paint_every_second, this);
}

void status_line::stop() {
    if (!painter_.joinable()) return;
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
        clear();
        f_.active = false;
    }
    stop_wanted_.notify_all();
    painter_.join();
    clear_line_on_stop(false);
    call_before_fatal(nullptr, nullptr);
}

void status_line::pass(int pass, const search_counters& counters) {
    std::lock_guard<std::mutex> guard(lock_);
    figures& f = f_;
    if (f.pass >= 0) {
        f.previous_total = seconds_since_pass_start();
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

void status_line::start_pair(int pair) {
    std::lock_guard<std::mutex> guard(lock_);
    if (pair < 0 || pair >= start_pairs) return;
    f_.pair = pair;
    f_.pair_start[pair] = seconds_since_pass_start();
}

void status_line::counters(const search_counters& counters) {
    std::lock_guard<std::mutex> guard(lock_);
    f_.calls = counters.verify_calls;
    f_.calls_time = seconds_since_pass_start();
    f_.records = counters.l5;
}

void status_line::batch_finished(uint64_t verify_calls) {
    std::lock_guard<std::mutex> guard(lock_);
    f_.calls_ahead += verify_calls;
    f_.calls_time = seconds_since_pass_start();
}

void status_line::batch_merged(uint64_t verify_calls, uint64_t subtrees) {
    std::lock_guard<std::mutex> guard(lock_);
    f_.calls_ahead -= std::min(verify_calls, f_.calls_ahead);
    f_.subtrees_merged = subtrees;
}

void status_line::pass_subtrees(const uint64_t (&per_pair)[start_pairs], uint64_t merged) {
    std::lock_guard<std::mutex> guard(lock_);
    figures& f = f_;
    std::copy(per_pair, per_pair + start_pairs, f.pair_subtrees);
    f.counted = std::any_of(per_pair, per_pair + start_pairs, [](uint64_t n) { return n > 0; });
    f.subtrees_merged = merged;
    f.share_at_start = share_done(f, merged);
    f.subtrees_start_time = seconds_since_pass_start();
}

void status_line::write(std::ostream& out, const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    clear();
    out << text;
    out.flush();
    draw();
}
