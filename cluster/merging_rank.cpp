// Rank 0 of a cluster search: hands the settings out, walks, sends batches to the other ranks
// and merges their results in walk order.
#include <algorithm>
#include <deque>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "cluster/cluster_search.h"
#include "cluster/messages.h"
#include "cluster/wire.h"
#include "foundation/fatal.h"
#include "search/run.h"
#include "search/walk.h"

namespace {

// Ends every other rank, which holds no batch any more.
void stop_worker_ranks() {
    outbox out;
    for (int r = 1; r < rank_count(); r++) out.send(r, tag_stop, {});
    out.flush();
}

// The batches out on the other ranks: which rank may take how many more, and which batch
// each position in walk order stands for until its result is back.
class dispatch {
public:
    // Every rank starts with batches_ahead of its threads, the ranks taking turns.
    dispatch(walk_channel& channel, const std::vector<int>& rank_threads) : channel_(channel) {
        int most = 0;
        for (size_t r = 1; r < rank_threads.size(); r++) most = std::max(most, batches_ahead(rank_threads[r]));
        for (int k = 0; k < most; k++)
            for (size_t r = 1; r < rank_threads.size(); r++)
                if (k < batches_ahead(rank_threads[r])) free_.push_back(static_cast<int>(r));
    }

    // Sends waiting batches to the ranks that may take more; true when it sent any. A sent
    // batch keeps no subtree: only its place in the merge.
    bool send_batches() {
        out_.progress();
        bool sent = false;
        while (!free_.empty()) {
            event* batch = channel_.take_batch(false);
            if (!batch) break;
            out_.send(free_.front(), tag_batch, pack_batch(batch->position, batch->subtrees));
            free_.pop_front();
            batch->subtrees = subtree_batch();
            away_[batch->position] = batch;
            sent = true;
        }
        return sent;
    }

    // Takes in the results that have come; true when any came.
    bool take_results() {
        bool any = false;
        int sender = 0;
        while (receive_if_any(MPI_ANY_SOURCE, tag_result, bytes_, sender)) {
            batch_result result;
            const auto at = away_.find(unpack_result(bytes_, result));
            if (at == away_.end()) fatal("internal error: a result for a batch that was not sent\n", 3);
            event* batch = at->second;
            away_.erase(at);
            batch->result = std::move(result);
            channel_.finish_batch(batch);
            free_.push_back(sender);
            any = true;
        }
        return any;
    }

    bool may_send() const { return !free_.empty(); }

private:
    walk_channel& channel_;
    std::deque<int> free_;                         // a rank per batch it may still take
    std::unordered_map<uint64_t, event*> away_;    // batches on other ranks, by position
    outbox out_;
    std::vector<char> bytes_;
};

}  // namespace

std::string start_worker_ranks(worker_ranks& ranks, const cluster_settings& settings) {
    cluster_settings shared = settings;
    ranks.settings_shared = true;
    share_settings(shared, true);
    // Every other rank answers once: its threads, and what keeps it from running if anything.
    std::vector<int>& rank_threads = ranks.threads;
    rank_threads.assign(static_cast<size_t>(rank_count()), 0);
    std::map<int, std::string> faults;
    std::vector<char> bytes;
    int sender = 0;
    idle_pause pause;
    for (int answered = 0; answered < rank_count() - 1;) {
        if (!receive_if_any(MPI_ANY_SOURCE, tag_ready, bytes, sender)) {
            std::this_thread::sleep_for(pause.next());
            continue;
        }
        answered++;
        int32_t threads = 0;
        std::string fault;
        if (!read_ready_message(bytes, threads, fault)) fault = "sent a malformed message";
        if (!fault.empty()) faults[sender] = one_line(fault);
        rank_threads[static_cast<size_t>(sender)] = threads;
    }
    share_decision(faults.empty());
    if (faults.empty()) return "";
    return "rank " + std::to_string(faults.begin()->first) + " " + faults.begin()->second;
}

void release_worker_ranks(worker_ranks& ranks) {
    if (ranks.settings_shared) return;
    ranks.settings_shared = true;
    cluster_settings none;
    share_settings(none, false);
}

parallel_figures search_cluster(const worker_ranks& ranks, run_context& run, int threads) {
    const std::vector<int>& rank_threads = ranks.threads;
    size_t batches_out = 0;
    for (size_t r = 1; r < rank_threads.size(); r++) batches_out += static_cast<size_t>(batches_ahead(rank_threads[r]));
    const bool open = run.settings.exhaustive;
    walk_channel channel(open ? open_gate_steps_in_flight : cluster_window(batches_out),
                         open ? open_gate_batch_capacity : cluster_batch_size,
                         open ? open_gate_steps_in_flight : cluster_batches_waiting, run.status);
    const run_start start = begin_search(run);
    std::unique_ptr<walk_threads> running;
    try {
        running = std::make_unique<walk_threads>(channel, run, threads, start);
    } catch (const std::runtime_error&) {
        stop_worker_ranks();
        throw;
    }
    // This thread sends, receives and merges; it sleeps only when none of them has anything
    // to do, and then for at most a millisecond, less than a batch takes to run.
    walk_merger merger(run, start);
    dispatch batches(channel, rank_threads);
    idle_pause pause(std::chrono::milliseconds(1));
    for (bool finished = false; !finished;) {
        bool busy = batches.take_results();
        busy = batches.send_batches() || busy;
        while (!finished) {
            const std::unique_ptr<event> e = channel.next_if_ready();
            if (!e) break;
            busy = true;
            finished = merger.apply(*e);
        }
        if (busy) pause.reset();
        else if (!finished) channel.wait_for_merge(pause.next(), batches.may_send());
    }
    running->join();
    stop_worker_ranks();
    return merger.figures();
}
