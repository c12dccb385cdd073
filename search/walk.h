// The walk of a parallel search. One thread walks the part of the tree where the random gate
// draws, in the sequential order and with the same generator, and queues every step of it, in
// walk order, on a channel: batches of draw-free subtrees for whoever runs them (threads of
// this process, or other processes), progress lines, and the starts and ends of passes. The
// merger (merge.h) takes the steps off in the same order once they are complete. At most
// `window` steps are in flight, and at most `waiting_most` of them are batches nobody has
// taken; while either limit is reached, the walker runs waiting batches itself. A batch holds
// at most `batch_size` subtrees.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "random/random.h"
#include "search/batch.h"
#include "search/run.h"
#include "search/state.h"
#include "search/status.h"

enum event_kind { batch_event, progress_event, pass_start_event, pass_end_event, finish_event };

// One step of the walk.
struct event {
    event_kind kind = batch_event;
    uint64_t position = 0;  // the step's place in walk order, from 0
    // The subtrees the walk had handed over in the current pass when it queued the step (for a
    // batch: through its last), those it skipped included.
    uint64_t subtrees_handed = 0;
    // A step a run that goes on from within a pass has already applied before it stopped: the
    // start of that pass, and progress lines before the point it goes on from.
    bool replayed = false;
    // batch_event: the subtrees, filled by the walker and dropped once sent to another
    // process; `done` and `result` are set by whoever runs them.
    subtree_batch subtrees;
    bool done = false;
    batch_result result;
    // Every other kind: the walker's own counters at that point of the walk.
    search_counters walker;
    // progress_event: the index of the call (2 or 3) and the first three instructions.
    int j = 0;
    ot prog[3] = {};
    // pass_start_event: the pass and the generators as it starts, and in an exhaustive run the
    // subtrees its walk hands over from each start pair (all 0 when not counted). finish_event:
    // the pass the run would go on with, the generators then, and the thread seconds of the
    // walk itself.
    int pass = 0;
    uint64_t pair_subtrees[start_pairs] = {};
    // finish_event: the run was cancelled within `pass`, which it did not finish.
    bool cancelled = false;
    std::unique_ptr<generator_state> generators;
    double walk_seconds = 0;
};

// The queues between the walker, whoever runs batches and the merger.
class walk_channel {
public:
    // waiting_most 0: as many as the window. status: the line that hears of batches run, or none.
    explicit walk_channel(size_t window, size_t batch_size = batch_capacity, size_t waiting_most = 0,
                          status_line* status = nullptr)
        : window_(window),
          batch_size_(batch_size),
          waiting_most_(waiting_most > 0 ? waiting_most : window),
          status_(status) {}

    size_t batch_size() const { return batch_size_; }

    // Walker: a batch to run itself while a limit is reached, nullptr once there is room (or
    // waits while the window is full and no batch waits).
    event* wait_for_room();
    // Walker: queues the next step; there must be room.
    void push(std::unique_ptr<event> e);

    // The first batch nobody has taken. With `wait`, waits for one and returns nullptr once the
    // channel is closed and none waits; without, returns nullptr when none waits.
    event* take_batch(bool wait);
    // Marks a taken batch as run (its result filled).
    void finish_batch(event* batch);

    // Merger: the next step in walk order, once it is complete.
    std::unique_ptr<event> next_in_order();
    // Merger: the next step in walk order if it is complete, else nullptr.
    std::unique_ptr<event> next_if_ready();
    // Merger: waits at most `timeout` for the next step to be complete, or, with on_work, for
    // a batch to be queued.
    void wait_for_merge(std::chrono::microseconds timeout, bool on_work);

    // No batch is coming any more: whoever waits for one returns.
    void close();

private:
    // The first step is there and complete. Called under the lock.
    bool front_ready() const {
        return !in_order_.empty() && (in_order_.front()->kind != batch_event || in_order_.front()->done);
    }
    std::unique_ptr<event> pop_front_locked();

    const size_t window_;
    const size_t batch_size_;
    const size_t waiting_most_;
    status_line* const status_;
    std::mutex lock_;
    std::condition_variable walker_may_go_, work_waiting_, merger_may_go_;
    std::deque<std::unique_ptr<event>> in_order_;  // every step not yet merged
    std::deque<event*> work_;                      // batches not yet taken
    bool closing_ = false;
    // Who sleeps on a condition, so that nobody is woken without cause.
    int idle_runners_ = 0;
    bool merger_waiting_ = false;
    bool merger_waits_for_work_ = false;
    bool walker_waiting_ = false;
};

// The walking thread: the run's passes from start.pass in sequential order, every draw-free
// subtree handed over but the first start.merged_subtrees of the first pass, then the finish
// step; then it runs the batches nobody has taken. It draws from the run's generators.
void walk(walk_channel& channel, run_context& run, const run_start& start);

// The threads of a parallel search in this process: the walking thread, and threads - 1 that
// run batches.
class walk_threads {
public:
    // Starts them. When one cannot be started, stops those that were and throws
    // std::runtime_error ("cannot start a search thread: ...").
    walk_threads(walk_channel& channel, run_context& run, int threads, const run_start& start);
    // Waits for the walk to end, closes the channel and waits for the others.
    void join();

private:
    walk_channel& channel_;
    std::thread walker_;
    std::vector<std::thread> runners_;
};
