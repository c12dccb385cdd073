// Every rank of a cluster search but rank 0: loads the list rank 0 sent, runs the batches it
// sends on this rank's threads, and sends each result back with the batch's position.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <fstream>
#include <memory>
#include <iostream>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "cluster/cluster_search.h"
#include "cluster/messages.h"
#include "cluster/wire.h"
#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/run.h"
#include "tools/search_options.h"

namespace {

// The batches this rank was sent and the results of those it ran, between the main thread and
// the threads that run them; both travel as the bytes of their messages.
class batch_pool {
public:
    void add(std::vector<char> batch) {
        std::lock_guard<std::mutex> guard(lock_);
        batches_.push_back(std::move(batch));
        work_waiting_.notify_one();
    }
    // The next batch to run; false once the pool is closed.
    bool take(std::vector<char>& batch) {
        std::unique_lock<std::mutex> guard(lock_);
        work_waiting_.wait(guard, [this] { return closing_ || !batches_.empty(); });
        if (closing_) return false;
        batch = std::move(batches_.front());
        batches_.pop_front();
        return true;
    }
    void put_result(std::vector<char> result) {
        std::lock_guard<std::mutex> guard(lock_);
        results_.push_back(std::move(result));
        result_waiting_.notify_one();
    }
    // Every result not yet taken.
    std::deque<std::vector<char>> take_results() {
        std::deque<std::vector<char>> taken;
        std::lock_guard<std::mutex> guard(lock_);
        taken.swap(results_);
        return taken;
    }
    // Waits at most `timeout` for a result.
    void wait_for_result(std::chrono::microseconds timeout) {
        std::unique_lock<std::mutex> guard(lock_);
        if (results_.empty()) result_waiting_.wait_for(guard, timeout);
    }
    void close() {
        std::lock_guard<std::mutex> guard(lock_);
        closing_ = true;
        work_waiting_.notify_all();
    }

private:
    std::mutex lock_;
    std::condition_variable work_waiting_, result_waiting_;
    std::deque<std::vector<char>> batches_, results_;
    bool closing_ = false;
};

// A thread of this rank: runs batches of `run` from the pool until it closes.
void run_batches_from(batch_pool& pool, run_context& run) {
    const std::unique_ptr<search_state> s = batch_runner(run);
    subtree_batch subtrees;
    batch_result result;
    std::vector<char> batch;
    while (pool.take(batch)) {
        const uint64_t position = unpack_batch(batch, subtrees);
        run_batch(*s, subtrees, result);
        pool.put_result(pack_result(position, result));
    }
}

// Loads the list as rank 0 did, from a copy in a fresh folder under $TMPDIR (else /tmp) that
// is removed at once. Empty, or what went wrong.
std::string load_list(const std::string& text) {
    const char* base = std::getenv("TMPDIR");
    const std::string under = base && *base ? base : "/tmp";
    std::string dir = under + "/sbtool-mpi.XXXXXX";
    if (!mkdtemp(&dir[0])) return "cannot load the lists: cannot make a folder under " + under + ": " + std::strerror(errno);
    const std::string path = dir + "/sb2.txt";
    std::ofstream copy(path, std::ios::binary);
    copy << text;
    copy.close();
    std::string fault;
    if (!copy) {
        fault = "cannot load the lists: cannot write " + path;
    } else {
        std::ostream quiet(nullptr);  // rank 0 alone prints the loading lines
        const load_outcome outcome = prepare_search(path, quiet);
        if (outcome.failed) fault = "cannot load the lists: " + outcome.message;
    }
    unlink(path.c_str());
    rmdir(dir.c_str());
    return fault;
}

// Takes batches in and sends results out until rank 0 says stop. Rank 0 says so only once it
// has every result this rank owed it, and sends a batch only for a result it got (or at the
// start): while every thread has a batch and one more waits, nothing but a result can need
// this thread, so it sleeps until one is there.
void serve(batch_pool& pool, int threads) {
    outbox out;
    std::vector<char> bytes;
    int sender = 0;
    int in_hand = 0;  // batches received and not yet answered
    idle_pause pause;
    for (bool stopping = false; !stopping || !out.empty();) {
        bool busy = false;
        while (receive_if_any(0, tag_batch, bytes, sender)) {
            pool.add(std::move(bytes));
            in_hand++;
            busy = true;
        }
        if (!stopping && receive_if_any(0, tag_stop, bytes, sender)) stopping = true;
        for (std::vector<char>& result : pool.take_results()) {
            out.send(0, tag_result, std::move(result));
            in_hand--;
            busy = true;
        }
        out.progress();
        if (busy) pause.reset();
        else pool.wait_for_result(in_hand > threads ? std::chrono::milliseconds(50) : pause.next());
    }
}

}  // namespace

int serve_cluster() {
    // A stop is rank 0's to handle (mpirun passes SIGINT and SIGTERM to every rank): rank 0
    // finishes the record it writes, says how to go on and ends, and mpirun then ends this rank.
    // Were this rank to end first, mpirun could end rank 0 before its last line got out.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    // Rank 0 alone writes the console; a rank that runs out of memory says so on standard error.
    report_faults_on_stderr("sbtool-mpi search: rank " + std::to_string(own_rank()) + ": ");
    end_on_out_of_memory(false);
    cluster_settings settings;
    if (!share_settings(settings, false)) return 0;
    // The run as far as batches see it: its limits and whether the gate is open. Batches draw
    // nothing and write nothing; their results go back to rank 0.
    run_context run;
    run.limits = settings.limits;
    run.settings.exhaustive = settings.exhaustive;
    std::string fault = load_list(settings.list_text);
    batch_pool pool;
    std::vector<std::thread> threads;
    const int wanted = settings.threads > 0 ? settings.threads : default_threads();
    if (fault.empty()) {
        try {
            for (int i = 0; i < wanted; i++) threads.emplace_back(run_batches_from, std::ref(pool), std::ref(run));
        } catch (const std::system_error& error) {
            fault = std::string("cannot start a search thread: ") + error.what();
        }
    }
    outbox ready;
    ready.send(0, tag_ready, ready_message(static_cast<int32_t>(threads.size()), fault));
    ready.flush();
    if (share_decision(false)) serve(pool, static_cast<int>(threads.size()));
    pool.close();
    for (std::thread& t : threads) t.join();
    return 0;
}
