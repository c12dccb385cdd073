#include "search/walk.h"

#include <time.h>

#include <algorithm>
#include <cassert>
#include <stdexcept>
#include <string>
#include <system_error>

#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/machine.h"
#include "search/run.h"

event* walk_channel::wait_for_room() {
    std::unique_lock<std::mutex> guard(lock_);
    while (in_order_.size() >= window_ || work_.size() >= waiting_most_) {
        if (!work_.empty()) {
            event* batch = work_.front();
            work_.pop_front();
            return batch;
        }
        walker_waiting_ = true;
        walker_may_go_.wait(guard);
        walker_waiting_ = false;
    }
    return nullptr;
}

void walk_channel::push(std::unique_ptr<event> e) {
    std::lock_guard<std::mutex> guard(lock_);
    if (e->kind == batch_event) {
        work_.push_back(e.get());
        if (idle_runners_ > 0) work_waiting_.notify_one();
        if (merger_waiting_ && merger_waits_for_work_) merger_may_go_.notify_one();
    }
    in_order_.push_back(std::move(e));
    if (merger_waiting_ && front_ready()) merger_may_go_.notify_one();
}

event* walk_channel::take_batch(bool wait) {
    std::unique_lock<std::mutex> guard(lock_);
    if (wait) {
        idle_runners_++;
        work_waiting_.wait(guard, [this] { return closing_ || !work_.empty(); });
        idle_runners_--;
    }
    if (work_.empty()) return nullptr;
    event* batch = work_.front();
    work_.pop_front();
    return batch;
}

void walk_channel::finish_batch(event* batch) {
    if (status_) status_->batch_finished(batch->result.delta.verify_calls);
    std::lock_guard<std::mutex> guard(lock_);
    batch->done = true;
    if (merger_waiting_ && front_ready()) merger_may_go_.notify_one();
}

std::unique_ptr<event> walk_channel::pop_front_locked() {
    std::unique_ptr<event> e = std::move(in_order_.front());
    in_order_.pop_front();
    // The walker goes on once half the window is free, not at every free place.
    if (walker_waiting_ && in_order_.size() <= window_ / 2) walker_may_go_.notify_one();
    return e;
}

std::unique_ptr<event> walk_channel::next_in_order() {
    std::unique_lock<std::mutex> guard(lock_);
    merger_waiting_ = true;
    merger_may_go_.wait(guard, [this] { return front_ready(); });
    merger_waiting_ = false;
    return pop_front_locked();
}

std::unique_ptr<event> walk_channel::next_if_ready() {
    std::lock_guard<std::mutex> guard(lock_);
    return front_ready() ? pop_front_locked() : nullptr;
}

void walk_channel::wait_for_merge(std::chrono::microseconds timeout, bool on_work) {
    std::unique_lock<std::mutex> guard(lock_);
    if (front_ready() || (on_work && !work_.empty())) return;
    merger_waiting_ = true;
    merger_waits_for_work_ = on_work;
    merger_may_go_.wait_for(guard, timeout);
    merger_waiting_ = false;
    merger_waits_for_work_ = false;
}

void walk_channel::close() {
    std::lock_guard<std::mutex> guard(lock_);
    closing_ = true;
    work_waiting_.notify_all();
}

namespace {

// The CPU seconds the calling thread has used.
double thread_seconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

// The walking thread's state beside the search state of its walk, which reaches it through
// its hooks' context.
class walker {
public:
    walker(walk_channel& channel, run_context& run) : channel_(channel), run_(run), runner_(batch_runner(run)) {}

    void walk(const run_start& from) {
        const double start = thread_seconds();
        const std::unique_ptr<search_state> state = std::make_unique<search_state>(search_for(run_));
        search_state& s = *state;
        s.hooks = {on_subtree, on_progress, on_completed, this};
        int pass = from.pass;
        skip_ = from.merged_subtrees;
        bool cancelled = false;
        for (; !run_ends_before(run_, pass) && !cancelled; pass++) {
            handed_ = 0;
            std::unique_ptr<event> start_step = pass_marker(s, pass_start_event, pass);
            if (s.open_gate) count_subtrees(run_, start_step->pair_subtrees);
            emit(std::move(start_step));
            for (int pair = 0; pair < start_pairs && !cancelled; pair++) {
                run_start_pair(s, pair);
                cancelled = run_.cancelled.load();
            }
            if (cancelled) break;
            emit(marker(s, pass_end_event));
            skip_ = 0;
        }
        std::unique_ptr<event> finish = pass_marker(s, finish_event, pass);
        finish->cancelled = cancelled;
        finish->walk_seconds = thread_seconds() - start - batch_seconds_;
        emit(std::move(finish));
        while (event* batch = channel_.take_batch(false)) run_here(*batch);
    }

private:
    static walker& of(search_state& s) { return *static_cast<walker*>(s.hooks.context); }

    // The subtrees the walk of a pass with the gate open hands over from each start pair,
    // counted by a walk that runs none: a small part of such a pass, and nothing draws in it.
    static void count_subtrees(run_context& run, uint64_t (&per_pair)[start_pairs]) {
        const std::unique_ptr<search_state> state = std::make_unique<search_state>(search_for(run));
        search_state& s = *state;
        s.hooks.subtree = [](search_state& c, int, ot, int, int) { ++*static_cast<uint64_t*>(c.hooks.context); };
        s.hooks.progress = [](search_state&, int) {};
        s.hooks.completed = on_completed;
        for (int pair = 0; pair < start_pairs; pair++) {
            s.hooks.context = &per_pair[pair];
            run_start_pair(s, pair);
        }
    }

    static void on_subtree(search_state& s, int j, ot x, int outputs, int last) {
        assert(j <= longest_program);
        walker& w = of(s);
        // A subtree the run merged before it stopped is walked past, not run again.
        if (++w.handed_ <= w.skip_) return;
        if (!w.open_batch_) {
            w.open_batch_ = std::make_unique<event>();
            w.open_batch_->kind = batch_event;
        }
        w.open_batch_->subtrees.add(s, j, x, outputs, last);
        if (w.open_batch_->subtrees.size() >= w.channel_.batch_size()) w.close_batch();
    }

    static void on_progress(search_state& s, int j) {
        std::unique_ptr<event> e = of(s).marker(s, progress_event);
        e->j = j;
        std::copy(s.prog, s.prog + 3, e->prog);
        of(s).emit(std::move(e));
    }

    // The walk only ever reaches states with at most two outputs fixed, so it cannot complete
    // an S-box: those states are handed over as subtrees.
    static void on_completed(search_state&, int, int, const int*, const uint16_t*) {
        fatal("internal error: the walking thread completed an S-box\n", 3);
    }

    // Queues a step; while a limit of the channel is reached, runs waiting batches.
    void emit(std::unique_ptr<event> e) {
        while (event* batch = channel_.wait_for_room()) run_here(*batch);
        e->position = next_position_++;
        e->subtrees_handed = handed_;
        e->replayed = e->kind != batch_event && handed_ < skip_;
        channel_.push(std::move(e));
    }

    // Runs a batch on the runner, apart from the walk, whose own time is measured without it.
    void run_here(event& batch) {
        const double start = thread_seconds();
        run_batch(*runner_, batch.subtrees, batch.result);
        batch_seconds_ += thread_seconds() - start;
        channel_.finish_batch(&batch);
    }

    // Sends the batch being filled, if any.
    void close_batch() {
        if (open_batch_ && !open_batch_->subtrees.empty()) emit(std::move(open_batch_));
        open_batch_.reset();
    }

    // A step that carries the walker's counters at this point of the walk.
    std::unique_ptr<event> marker(const search_state& s, event_kind kind) {
        close_batch();
        auto e = std::make_unique<event>();
        e->kind = kind;
        e->walker = s.counters();
        return e;
    }

    // The step at the start of `pass` or at the end of the walk, with the generators.
    std::unique_ptr<event> pass_marker(const search_state& s, event_kind kind, int pass) {
        std::unique_ptr<event> e = marker(s, kind);
        e->pass = pass;
        e->generators = std::make_unique<generator_state>(run_.generators);
        return e;
    }

    walk_channel& channel_;
    run_context& run_;
    uint64_t handed_ = 0;                 // subtrees handed over in this pass, skipped ones too
    uint64_t skip_ = 0;                   // subtrees of this pass merged before the run went on
    std::unique_ptr<search_state> runner_;  // the state on which the walker runs batches
    std::unique_ptr<event> open_batch_;   // the batch being filled
    uint64_t next_position_ = 0;
    double batch_seconds_ = 0;            // thread seconds spent running batches
};

// A thread that runs batches until the channel closes.
void run_batches(walk_channel& channel, run_context& run) {
    const std::unique_ptr<search_state> s = batch_runner(run);
    while (event* batch = channel.take_batch(true)) {
        run_batch(*s, batch->subtrees, batch->result);
        channel.finish_batch(batch);
    }
}

}  // namespace

void walk(walk_channel& channel, run_context& run, const run_start& start) {
    walker w(channel, run);
    w.walk(start);
}

walk_threads::walk_threads(walk_channel& channel, run_context& run, int threads, const run_start& start)
    : channel_(channel) {
    try {
        for (int i = 1; i < threads; i++) runners_.emplace_back(run_batches, std::ref(channel), std::ref(run));
        walker_ = std::thread(walk, std::ref(channel), std::ref(run), start);
    } catch (const std::system_error& error) {
        channel.close();
        for (std::thread& r : runners_) r.join();
        throw std::runtime_error(std::string("cannot start a search thread: ") + error.what());
    }
}

void walk_threads::join() {
    walker_.join();
    channel_.close();
    for (std::thread& r : runners_) r.join();
}
