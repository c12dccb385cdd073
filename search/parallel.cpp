#include "search/parallel.h"

#include <stdexcept>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "search/run.h"
#include "search/walk.h"

namespace {
// Steps of the walk in flight at most: a bound on the memory the batches take.
constexpr size_t events_in_flight = 512;
}  // namespace

parallel_figures search_parallel(int threads) {
    walk_channel channel(events_in_flight);
    const run_start start = begin_search();
    std::vector<std::thread> workers;
    std::thread walker;
    try {
        for (int i = 1; i < threads; i++) workers.emplace_back(run_batches, std::ref(channel));
        walker = std::thread(walk, std::ref(channel), start.pass);
    } catch (const std::system_error& error) {
        channel.close();
        for (std::thread& w : workers) w.join();
        throw std::runtime_error(std::string("cannot start a search thread: ") + error.what());
    }
    walk_merger merger(start.counters);
    while (!merger.apply(*channel.next_in_order())) {
    }
    walker.join();
    channel.close();
    for (std::thread& w : workers) w.join();
    return merger.figures();
}
