#include "search/parallel.h"

#include <algorithm>
#include <cassert>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/enumerate.h"
#include "search/machine.h"
#include "search/output.h"
#include "search/run.h"
#include "search/status.h"
#include "search/verify.h"

namespace {
constexpr size_t batch_capacity = 128;
constexpr size_t events_in_flight = 512;

// A draw-free subtree: the entry state of an admitted addop2 call, as the walker met it.
struct subtree_task {
    int j;
    int last;
    ot prog[longest_program];
    machine_state machine;
};

// A complete S-box that a worker recognised, to be recorded by the merger.
struct found_sbox {
    int N;
    int length;
    ot prog[longest_program];
    int lock_regs[4];
    uint16_t words[4];
};

enum event_kind { batch_event, progress_event, pass_start_event, pass_end_event, finish_event };

// One step of the walk, in walk order: a batch of subtrees, a progress line, the start or end
// of a pass, or the end of the walk.
struct event {
    event_kind kind;
    // batch_event: filled by the walker; done, delta and found by whoever runs it.
    std::vector<subtree_task> tasks;
    bool done = false;
    search_counters delta;
    std::vector<found_sbox> found;
    // progress_event and pass_end_event: the walker's own counters at that point.
    search_counters walker;
    int j = 0;
    ot prog[3] = {};
    // pass_start_event: the pass and the generators as it starts; finish_event: the pass the
    // run would go on with and the generators then.
    int pass = 0;
    std::unique_ptr<generator_state> generators;
};

// The queues between the walker, the workers and the merger.
struct channel {
    std::mutex lock;
    std::condition_variable walker_may_go, work_waiting, merger_may_go;
    std::deque<std::unique_ptr<event>> in_order;  // every event not yet merged
    std::deque<event*> work;                      // batches not yet taken by a worker
    bool closing = false;
    // Who sleeps on a condition, so that nobody is woken without cause.
    int idle_workers = 0;
    bool merger_waiting = false;
    bool walker_waiting = false;

    // The merger can go on: the first event is there and complete. Called under the lock.
    bool front_ready() const {
        return !in_order.empty() && (in_order.front()->kind != batch_event || in_order.front()->done);
    }
    void wake_merger_if_ready() {
        if (merger_waiting && front_ready()) merger_may_go.notify_one();
    }
};

channel* chan;
// The batch the walker is filling.
std::unique_ptr<event> open_batch;

void worker_found(search_state& s, int N, int length, const int* lock_regs, const uint16_t* words);

// A search state that runs batches: its finds go to the batch being run.
search_state batch_runner() {
    search_state s;
    s.hooks.completed = worker_found;
    return s;
}

// Runs every subtree of a batch in order on s, noting the counters it adds and what it found.
void run_batch(search_state& s, event& batch) {
    const search_counters before = s.counters();
    s.hooks.context = &batch.found;
    for (const subtree_task& t : batch.tasks) {
        std::copy(t.prog, t.prog + t.j, s.prog);
        restore_state(s, t.machine);
        s.facts[t.j] = facts_of(s.prog, t.j);
        enumerate_from(s, t.j, t.last);
    }
    batch.delta = s.counters() - before;
}

// The state on which the walking thread runs batches, apart from the state of its walk.
search_state walker_runner;

// Walker: runs a waiting batch as a worker would, on a state of its own, so that its walk
// stays exactly as it was.
void run_batch_between_steps(event& batch) {
    run_batch(walker_runner, batch);
}

// Marks a batch as run and wakes the merger.
void finish_batch(event* batch) {
    std::lock_guard<std::mutex> guard(chan->lock);
    batch->done = true;
    chan->wake_merger_if_ready();
}

// Walker, once the walk is done: runs what no worker has taken yet.
void help_until_no_work() {
    while (true) {
        event* batch;
        {
            std::lock_guard<std::mutex> guard(chan->lock);
            if (chan->work.empty()) return;
            batch = chan->work.front();
            chan->work.pop_front();
        }
        run_batch_between_steps(*batch);
        finish_batch(batch);
    }
}

// Walker: queues an event. While too many are in flight it runs waiting batches itself, so
// that its core does not idle.
void emit(std::unique_ptr<event> e) {
    std::unique_lock<std::mutex> guard(chan->lock);
    while (chan->in_order.size() >= events_in_flight) {
        if (chan->work.empty()) {
            chan->walker_waiting = true;
            chan->walker_may_go.wait(guard);
            chan->walker_waiting = false;
            continue;
        }
        event* batch = chan->work.front();
        chan->work.pop_front();
        guard.unlock();
        run_batch_between_steps(*batch);
        finish_batch(batch);
        guard.lock();
    }
    if (e->kind == batch_event) {
        chan->work.push_back(e.get());
        if (chan->idle_workers > 0) chan->work_waiting.notify_one();
    }
    chan->in_order.push_back(std::move(e));
    chan->wake_merger_if_ready();
}

// Walker: sends the batch being filled, if any.
void close_batch() {
    if (open_batch && !open_batch->tasks.empty()) emit(std::move(open_batch));
    open_batch.reset();
}

void walker_subtree(search_state& s, int j, int last) {
    assert(j <= longest_program);
    if (!open_batch) {
        open_batch = std::make_unique<event>();
        open_batch->kind = batch_event;
        open_batch->tasks.reserve(batch_capacity);
    }
    open_batch->tasks.emplace_back();
    subtree_task& t = open_batch->tasks.back();
    t.j = j;
    t.last = last;
    std::copy(s.prog, s.prog + j, t.prog);
    save_state(s, t.machine);
    if (open_batch->tasks.size() == batch_capacity) close_batch();
}

// Walker: an event that carries the walker's counters at this point of the walk.
std::unique_ptr<event> marker(const search_state& s, event_kind kind) {
    close_batch();
    auto e = std::make_unique<event>();
    e->kind = kind;
    e->walker = s.counters();
    return e;
}

void walker_progress(search_state& s, int j) {
    auto e = marker(s, progress_event);
    e->j = j;
    std::copy(s.prog, s.prog + 3, e->prog);
    emit(std::move(e));
}

// The walker only ever reaches states with at most two outputs fixed, so it cannot complete
// an S-box: those states are handed over as subtrees.
void walker_found(search_state&, int, int, const int*, const uint16_t*) {
    fatal("internal error: the walking thread completed an S-box\n", 3);
}

// Walker: the event at the start of `pass` or at the end of the walk, with the generators.
std::unique_ptr<event> pass_marker(const search_state& s, event_kind kind, int pass) {
    auto e = marker(s, kind);
    e->pass = pass;
    e->generators = std::make_unique<generator_state>(save_generators());
    return e;
}

// The walking thread: the passes in sequential order from `first_pass`, with the subtrees
// handed over.
void walk(int first_pass) {
    search_state s;
    walker_runner = batch_runner();
    s.hooks = {walker_subtree, walker_progress, walker_found, nullptr};
    int pass = first_pass;
    for (; !run_ends_before(pass); pass++) {
        emit(pass_marker(s, pass_start_event, pass));
        for (int pair = 0; pair < start_pairs; pair++) run_start_pair(s, pair);
        emit(marker(s, pass_end_event));
    }
    emit(pass_marker(s, finish_event, pass));
    help_until_no_work();
}

void worker_found(search_state& s, int N, int length, const int* lock_regs, const uint16_t* words) {
    auto* found = static_cast<std::vector<found_sbox>*>(s.hooks.context);
    found->emplace_back();
    found_sbox& f = found->back();
    f.N = N;
    f.length = length;
    std::copy(s.prog, s.prog + length, f.prog);
    std::copy(lock_regs, lock_regs + 4, f.lock_regs);
    std::copy(words, words + 4, f.words);
}

// A worker thread: takes batches until the channel closes.
void work() {
    search_state s = batch_runner();
    while (true) {
        event* batch;
        {
            std::unique_lock<std::mutex> guard(chan->lock);
            chan->idle_workers++;
            chan->work_waiting.wait(guard, [] { return chan->closing || !chan->work.empty(); });
            chan->idle_workers--;
            if (chan->work.empty()) return;
            batch = chan->work.front();
            chan->work.pop_front();
        }
        run_batch(s, *batch);
        finish_batch(batch);
    }
}

// Merger: the next event in walk order, once it is complete.
std::unique_ptr<event> next_in_order() {
    std::unique_lock<std::mutex> guard(chan->lock);
    chan->merger_waiting = true;
    chan->merger_may_go.wait(guard, [] { return chan->front_ready(); });
    chan->merger_waiting = false;
    std::unique_ptr<event> e = std::move(chan->in_order.front());
    chan->in_order.pop_front();
    // The walker goes on once half the queue is free, not at every free place.
    if (chan->walker_waiting && chan->in_order.size() <= events_in_flight / 2) chan->walker_may_go.notify_one();
    return e;
}

// The calling thread: applies the events in walk order until the walk ends. The counters
// the sequential search would show are the walker's own plus what every batch merged so far
// added, the records the merger wrote and what the run started with.
parallel_figures merge(const search_counters& carried) {
    search_counters merged = carried;
    search_counters walker;  // the walker's counters at the latest event that carries them
    search_state shown;
    time_t start = 0;
    while (true) {
        std::unique_ptr<event> e = next_in_order();
        if (e->kind != batch_event) walker = e->walker;
        switch (e->kind) {
        case batch_event:
            merged += e->delta;
            for (const found_sbox& f : e->found) record_reached(merged, f.N, f.length, f.prog, f.lock_regs, f.words);
            status_counters(walker + merged);
            break;
        case progress_event:
            shown.counters() = e->walker + merged;
            std::copy(e->prog, e->prog + 3, shown.prog);
            print_progress(shown, e->j);
            break;
        case pass_start_event:
            begin_pass(e->pass, e->walker + merged, *e->generators);
            start = time(nullptr);
            break;
        case pass_end_event:
            print_summary(e->walker + merged, difftime(time(nullptr), start));
            break;
        case finish_event:
            end_run(e->pass, e->walker + merged, *e->generators);
            return {e->walker.verify_calls, e->walker + merged};
        }
    }
}

// Stops and joins the threads started so far after a failure to start another.
[[noreturn]] void fail_to_start(const std::system_error& error, std::vector<std::thread>& workers) {
    {
        std::lock_guard<std::mutex> guard(chan->lock);
        chan->closing = true;
        chan->work_waiting.notify_all();
    }
    for (std::thread& w : workers) w.join();
    chan = nullptr;
    throw std::runtime_error(std::string("cannot start a search thread: ") + error.what());
}
}  // namespace

parallel_figures search_parallel(int threads) {
    channel c;
    chan = &c;
    const run_start start = begin_search();
    std::vector<std::thread> workers;
    std::thread walker;
    try {
        for (int i = 1; i < threads; i++) workers.emplace_back(work);
        walker = std::thread(walk, start.pass);
    } catch (const std::system_error& error) {
        fail_to_start(error, workers);
    }
    const parallel_figures figures = merge(start.counters);
    walker.join();
    {
        std::lock_guard<std::mutex> guard(c.lock);
        c.closing = true;
        c.work_waiting.notify_all();
    }
    for (std::thread& w : workers) w.join();
    chan = nullptr;
    return figures;
}
