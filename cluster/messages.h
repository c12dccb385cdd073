// The MPI side of the cluster search: message tags, sending and receiving bytes, and waiting.
// Only the main thread of each rank calls MPI (see main_sbtool_mpi.cpp). Open MPI's blocking
// calls poll at full speed; a rank waiting in one would take a core from the threads that
// run the search on the same machine, so every wait here tests and sleeps instead.
#pragma once

#include <mpi.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "cluster/cluster_search.h"

enum message_tag {
    tag_ready = 1,  // a worker rank to rank 0: its thread count, then its fault (none: ready)
    tag_batch,      // rank 0 to a worker rank: a batch (wire.h)
    tag_result,     // a worker rank to rank 0: a batch's result (wire.h)
    tag_stop,       // rank 0 to a worker rank: no more batches (or members); end
    tag_member,     // rank 0 to a worker rank of a find: run a member (cluster_find.cpp)
    tag_member_end, // a worker rank of a find to rank 0: how a member ended, with its files
};

// How long an idle loop sleeps: from a few microseconds after work, doubling up to `longest`
// (by default a quarter of a millisecond, short beside the time a batch takes to run).
class idle_pause {
public:
    explicit idle_pause(std::chrono::microseconds longest = std::chrono::microseconds(256)) : longest_(longest) {}
    void reset() { pause_ = first; }
    // The pause to take now; the next one is longer.
    std::chrono::microseconds next();

private:
    static constexpr std::chrono::microseconds first{16};
    std::chrono::microseconds longest_;
    std::chrono::microseconds pause_ = first;
};

// The next message with `tag` from `from` (or MPI_ANY_SOURCE), if one has come: its bytes and
// its sender.
bool receive_if_any(int from, int tag, std::vector<char>& bytes, int& sender);

// Messages on their way out, each kept with its bytes until MPI is done with them.
class outbox {
public:
    void send(int to, int tag, std::vector<char> bytes);
    // Frees the messages sent since the last call.
    void progress();
    // Waits, testing and sleeping, until every message is sent.
    void flush();
    bool empty() const { return requests_.empty(); }

private:
    std::vector<MPI_Request> requests_;
    std::vector<std::vector<char>> bytes_;
};

// The collective start of a job. Rank 0 hands every rank the settings, or word that no search
// runs (search_runs false); on the other ranks it returns false then, else true with the
// settings filled in.
bool share_settings(cluster_settings& settings, bool search_runs);
// Rank 0 hands every rank its word whether the search goes ahead; every rank returns it.
bool share_decision(bool go);

// A ready message: the threads the rank runs (4 bytes), then what keeps it from running, if
// anything.
std::vector<char> ready_message(int32_t threads, const std::string& fault);
// Reads a ready message; false when it is malformed.
bool read_ready_message(const std::vector<char>& bytes, int32_t& threads, std::string& fault);

// This rank's number and the number of ranks in the job.
int own_rank();
int rank_count();
