// The search across the ranks of an MPI job, with exactly the output of the sequential search.
// Rank 0 loads the list, walks the part of the tree where the random gate draws (walk.h) and
// merges in walk order (merge.h); it alone writes prgs1b.txt and the console. Every other
// rank receives the settings and the list once, loads the list itself and runs the batches
// rank 0 sends it on its threads, returning each result tagged with the batch's position in
// walk order. Rank 0 sends a rank at most batches_ahead(T) batches ahead (T: the rank's
// threads), holds at most cluster_window(...) steps of the walk, of which at most
// cluster_batches_waiting are batches not yet sent, and keeps nothing of a batch once it is
// sent but its place in the merge.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "search/batch.h"
#include "search/limits.h"
#include "search/merge.h"

// What every rank needs to run batches.
struct cluster_settings {
    int threads = 0;          // threads on every other rank; 0: as many as its machine's cores
    search_limits limits;     // the limits in force
    bool exhaustive = false;  // the random gate is open
    std::string list_text;    // the target list, as rank 0 read it
};

// Subtrees per batch: eight times the thread search's, so that a batch is milliseconds of work
// on the bundled lists (2 ms on data/present.txt, 13 ms on data/ciphers.txt) and the messages,
// and the wake-ups of the threads that handle them, are few beside the work.
constexpr size_t cluster_batch_size = 8 * batch_capacity;
// Batches not yet sent that rank 0 holds at most: while the other ranks have all they may
// take, the walker runs batches itself rather than run further ahead. A subtree packs into
// about 17 bytes on the bundled lists, as the calls of one parent share its state (64 batches:
// 18 MB), and into at most 106 bytes where no two calls share one (64 batches: 111 MB).
constexpr size_t cluster_batches_waiting = 64;
// Batches rank 0 sends a rank that runs `threads` threads before it has a result back.
constexpr int batches_ahead(int threads) {
    return 2 * threads + 2;
}
// Steps of the walk rank 0 holds at most, when the other ranks may hold `batches_out` batches
// in all: 64, or twice batches_out when that is more, so that while one batch takes long
// the other ranks go on with as many again, whose results wait for it in the merge.
constexpr size_t cluster_window(size_t batches_out) {
    return batches_out > 32 ? 2 * batches_out : 64;
}

// What rank 0 knows of the other ranks of its job.
struct worker_ranks {
    bool settings_shared = false;  // the other ranks know whether a search runs
    std::vector<int> threads;      // the threads of every rank, as each answered (0 for rank 0)
};

// Rank 0, once its run is set up (the list loaded, the run settings made): hands the settings
// to every other rank, which loads the list, starts its threads and says how many. Empty when
// every rank is ready; otherwise the lowest failing rank's fault, one line ("rank 2 cannot
// load the lists: ..."), and every other rank has ended.
std::string start_worker_ranks(worker_ranks& ranks, const cluster_settings& settings);
// Rank 0, when it runs no search (help, a refused option or check): lets the other ranks end.
// Does nothing once start_worker_ranks has run.
void release_worker_ranks(worker_ranks& ranks);

// Rank 0, after start_worker_ranks: runs the run's passes across the job,
// on `threads` threads here (the walking thread and threads - 1 that run batches) and the
// main thread, which alone calls MPI and merges; then ends the other ranks. A thread that
// cannot be started throws std::runtime_error before the first pass (the other ranks have
// ended then).
parallel_figures search_cluster(const worker_ranks& ranks, run_context& run, int threads);

// Every rank but 0: waits for the settings, loads the list, runs batches until rank 0 ends it.
// Returns the exit status.
int serve_cluster();
