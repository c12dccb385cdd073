#include "search/parallel.h"

#include <algorithm>
#include <condition_variable>
#include <ctime>
#include <deque>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/enumerate.h"
#include "search/machine.h"
#include "search/verify.h"

namespace {
constexpr size_t batch_capacity = 128;
constexpr size_t events_in_flight = 512;
constexpr int program_capacity = 16;

// The per-thread counters of the search, as one value that can be added and subtracted.
struct counters {
    uint64_t nodes[24] = {};
    uint64_t l[4] = {};  // l1..l4
    uint64_t verifies = 0;

    // The calling thread's counters.
    static counters of_this_thread() {
        counters c;
        for (int i = 0; i < 24; i++) c.nodes[i] = nodecnt[i];
        c.l[0] = l1;
        c.l[1] = l2;
        c.l[2] = l3;
        c.l[3] = l4;
        c.verifies = verify_calls;
        return c;
    }
    // Makes the calling thread's counters (l5 aside) equal to this value.
    void install() const {
        for (int i = 0; i < 24; i++) nodecnt[i] = nodes[i];
        l1 = l[0];
        l2 = l[1];
        l3 = l[2];
        l4 = l[3];
        verify_calls = verifies;
    }
    counters operator+(const counters& o) const { return combine(o, 1); }
    counters operator-(const counters& o) const { return combine(o, -1); }

private:
    counters combine(const counters& o, int sign) const {
        counters c;
        for (int i = 0; i < 24; i++) c.nodes[i] = nodes[i] + sign * o.nodes[i];
        for (int i = 0; i < 4; i++) c.l[i] = l[i] + sign * o.l[i];
        c.verifies = verifies + sign * o.verifies;
        return c;
    }
};

// A draw-free subtree: the entry state of an admitted addop2 call.
struct subtree_task {
    int j;
    int last;
    ot prog[program_capacity];
    int state[snapshot_slots];
};

// A complete S-box that a worker recognised, to be recorded by the merger.
struct found_sbox {
    int N;
    int length;
    ot prog[program_capacity];
    int lock_regs[4];
    unsigned short words[4];
};

enum event_kind { batch_event, progress_event, pass_start_event, pass_end_event, finish_event };

// One step of the walk, in walk order: a batch of subtrees, a progress line, the start or end
// of a pass, or the end of the walk.
struct event {
    event_kind kind;
    // batch_event: filled by the walker; done, delta and found by a worker.
    std::vector<subtree_task> tasks;
    bool done = false;
    counters delta;
    std::vector<found_sbox> found;
    // progress_event and pass_end_event: the walker's own counters at that point.
    counters walker;
    int j = 0;
    ot prog[3] = {};
    int pass = 0;
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
thread_local std::unique_ptr<event> open_batch;
thread_local std::vector<found_sbox>* found_here;

void run_batch(event& batch);
void worker_found(int N, int length, const ot* prog, const int* lock_regs, const unsigned short* words);

// Everything of the walking thread that running a batch would change: its machine in the
// middle of the walk, its snapshot rows, its counters and its hooks.
struct walk_context {
    unsigned short reg[8];
    int neg[8], read[8], locks[4], lockcnt, maxused;
    int st[24][snapshot_slots];
    counters count;
    const walk_delegate* delegate;
    complete_sink completed;

    void save() {
        std::copy(machine::reg, machine::reg + 8, reg);
        std::copy(machine::neg, machine::neg + 8, neg);
        std::copy(machine::read, machine::read + 8, read);
        std::copy(machine::locks, machine::locks + 4, locks);
        lockcnt = machine::lockcnt;
        maxused = machine::maxused;
        std::copy(&::st[0][0], &::st[0][0] + 24 * snapshot_slots, &st[0][0]);
        count = counters::of_this_thread();
        delegate = ::delegate;
        completed = ::completed;
    }
    void restore() const {
        std::copy(reg, reg + 8, machine::reg);
        std::copy(neg, neg + 8, machine::neg);
        std::copy(read, read + 8, machine::read);
        std::copy(locks, locks + 4, machine::locks);
        machine::lockcnt = lockcnt;
        machine::maxused = maxused;
        std::copy(&st[0][0], &st[0][0] + 24 * snapshot_slots, &::st[0][0]);
        count.install();
        ::delegate = delegate;
        ::completed = completed;
    }
};

// Walker: rather than wait for room in the queue, runs a waiting batch as a worker would,
// leaving its own walk exactly as it was.
void run_batch_between_steps(event& batch) {
    static thread_local walk_context context;
    context.save();
    ::delegate = nullptr;
    ::completed = worker_found;
    run_batch(batch);
    context.restore();
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

void walker_subtree(int j, const ot* prog, int last) {
    if (!open_batch) {
        open_batch = std::make_unique<event>();
        open_batch->kind = batch_event;
        open_batch->tasks.reserve(batch_capacity);
    }
    open_batch->tasks.emplace_back();
    subtree_task& t = open_batch->tasks.back();
    t.j = j;
    t.last = last;
    for (int i = 0; i < j; i++) t.prog[i] = prog[i];
    save_state(t.state);
    if (open_batch->tasks.size() == batch_capacity) close_batch();
}

// Walker: an event that carries the walker's counters at this point of the walk.
std::unique_ptr<event> marker(event_kind kind) {
    close_batch();
    auto e = std::make_unique<event>();
    e->kind = kind;
    e->walker = counters::of_this_thread();
    return e;
}

void walker_progress(int j, const ot* prog) {
    auto e = marker(progress_event);
    e->j = j;
    for (int i = 0; i < 3; i++) e->prog[i] = prog[i];
    emit(std::move(e));
}

// The walker only ever reaches states with at most two outputs fixed, so it cannot complete
// an S-box: those states are handed over as subtrees.
void walker_found(int, int, const ot*, const int*, const unsigned short*) {
    fatal("internal error: the walking thread completed an S-box\n", 3);
}

const walk_delegate walker_delegate = {walker_subtree, walker_progress};

// The walking thread: the passes in sequential order, with the subtrees handed over.
void walk(long passes) {
    delegate = &walker_delegate;
    completed = walker_found;
    ot prog[24] = {};
    for (long pass = 0; passes < 0 || pass < passes; pass++) {
        auto start = marker(pass_start_event);
        start->pass = static_cast<int>(pass);
        emit(std::move(start));
        for (int s = 0; s < start_pairs; s++) run_start_pair(s, prog);
        emit(marker(pass_end_event));
    }
    emit(marker(finish_event));
    help_until_no_work();
}

void worker_found(int N, int length, const ot* prog, const int* lock_regs, const unsigned short* words) {
    found_here->emplace_back();
    found_sbox& f = found_here->back();
    f.N = N;
    f.length = length;
    for (int i = 0; i < length; i++) f.prog[i] = prog[i];
    for (int i = 0; i < 4; i++) {
        f.lock_regs[i] = lock_regs[i];
        f.words[i] = words[i];
    }
}

// Runs every subtree of a batch in order, noting the counters it adds and what it found.
void run_batch(event& batch) {
    const counters before = counters::of_this_thread();
    found_here = &batch.found;
    ot prog[24] = {};
    for (const subtree_task& t : batch.tasks) {
        for (int i = 0; i < t.j; i++) prog[i] = t.prog[i];
        restore_state(t.state);
        enumerate_from(t.j, prog, t.last);
    }
    batch.delta = counters::of_this_thread() - before;
}

// A worker thread: takes batches until the channel closes.
void work() {
    completed = worker_found;
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
        run_batch(*batch);
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

// The calling thread: applies the events in walk order until the walk ends.
parallel_figures merge() {
    counters from_workers;
    counters walker_total;
    time_t start = 0;
    while (true) {
        std::unique_ptr<event> e = next_in_order();
        switch (e->kind) {
        case batch_event:
            from_workers = from_workers + e->delta;
            for (const found_sbox& f : e->found) record_reached(f.N, f.length, f.prog, f.lock_regs, f.words);
            break;
        case progress_event:
            (e->walker + from_workers).install();
            print_progress(e->j, e->prog);
            break;
        case pass_start_event:
            write_pass_start(e->pass);
            start = time(nullptr);
            break;
        case pass_end_event:
            (e->walker + from_workers).install();
            print_summary(difftime(time(nullptr), start));
            break;
        case finish_event:
            walker_total = e->walker;
            (walker_total + from_workers).install();
            return {walker_total.verifies, walker_total.verifies + from_workers.verifies};
        }
    }
}
}  // namespace

parallel_figures search_parallel(int threads, long passes) {
    channel c;
    chan = &c;
    begin_search();
    std::thread walker(walk, passes);
    std::vector<std::thread> workers;
    for (int i = 1; i < threads; i++) workers.emplace_back(work);
    const parallel_figures figures = merge();
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
