#include "search/parallel.h"

#include "search/run.h"
#include "search/walk.h"

namespace {
// Steps of the walk in flight at most: a bound on the memory the batches take.
constexpr size_t events_in_flight = 512;
}  // namespace

parallel_figures search_parallel(run_context& run, int threads) {
    const bool open = run.settings.exhaustive;
    walk_channel channel(open ? open_gate_steps_in_flight : events_in_flight,
                         open ? open_gate_batch_capacity : batch_capacity, 0, run.status);
    const run_start start = begin_search(run);
    walk_threads running(channel, run, threads, start);
    walk_merger merger(run, start);
    while (!merger.apply(*channel.next_in_order())) {
    }
    running.join();
    return merger.figures();
}
