#include "cluster/messages.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <thread>

std::chrono::microseconds idle_pause::next() {
    const std::chrono::microseconds now = pause_;
    pause_ = std::min(pause_ * 2, longest_);
    return now;
}

namespace {

// Completes a request, testing and sleeping.
void wait_quietly(MPI_Request& request) {
    idle_pause pause;
    for (int done = 0;;) {
        MPI_Test(&request, &done, MPI_STATUS_IGNORE);
        if (done) return;
        std::this_thread::sleep_for(pause.next());
    }
}

}  // namespace

bool receive_if_any(int from, int tag, std::vector<char>& bytes, int& sender) {
    int arrived = 0;
    MPI_Status status;
    MPI_Iprobe(from, tag, MPI_COMM_WORLD, &arrived, &status);
    if (!arrived) return false;
    int size = 0;
    MPI_Get_count(&status, MPI_BYTE, &size);
    bytes.resize(static_cast<size_t>(size));
    MPI_Recv(bytes.data(), size, MPI_BYTE, status.MPI_SOURCE, tag, MPI_COMM_WORLD, MPI_STATUS_IGNORE);
    sender = status.MPI_SOURCE;
    return true;
}

void outbox::flush() {
    for (idle_pause pause; !empty(); progress()) std::this_thread::sleep_for(pause.next());
}

void outbox::send(int to, int tag, std::vector<char> bytes) {
    bytes_.push_back(std::move(bytes));
    requests_.emplace_back();
    const std::vector<char>& b = bytes_.back();
    MPI_Isend(b.data(), static_cast<int>(b.size()), MPI_BYTE, to, tag, MPI_COMM_WORLD, &requests_.back());
}

void outbox::progress() {
    if (requests_.empty()) return;
    int count = 0;
    std::vector<int> done(requests_.size());
    MPI_Testsome(static_cast<int>(requests_.size()), requests_.data(), &count, done.data(), MPI_STATUSES_IGNORE);
    if (count <= 0) return;
    // MPI_Testsome sets every completed request to MPI_REQUEST_NULL; drop those with their bytes.
    size_t kept = 0;
    for (size_t i = 0; i < requests_.size(); i++) {
        if (requests_[i] == MPI_REQUEST_NULL) continue;
        requests_[kept] = requests_[i];
        std::swap(bytes_[kept], bytes_[i]);
        kept++;
    }
    requests_.resize(kept);
    bytes_.resize(kept);
}

namespace {
// The settings before the list, as rank 0 broadcasts them.
enum header_field { search_runs_field, threads_field, length_field, deadline_field, exhaustive_field = deadline_field + 3,
                    list_size_field, header_fields };
}  // namespace

bool share_settings(cluster_settings& settings, bool search_runs) {
    int64_t header[header_fields] = {};
    if (own_rank() == 0) {
        header[search_runs_field] = search_runs;
        header[threads_field] = settings.threads;
        header[length_field] = settings.limits.length;
        for (int k = 0; k < 3; k++) header[deadline_field + k] = settings.limits.deadline[k];
        header[exhaustive_field] = settings.exhaustive;
        header[list_size_field] = static_cast<int64_t>(settings.list_text.size());
    }
    MPI_Request request;
    MPI_Ibcast(header, header_fields, MPI_INT64_T, 0, MPI_COMM_WORLD, &request);
    wait_quietly(request);
    if (!header[search_runs_field]) return false;
    if (own_rank() != 0) {
        settings.threads = static_cast<int>(header[threads_field]);
        settings.limits.length = static_cast<int>(header[length_field]);
        for (int k = 0; k < 3; k++) settings.limits.deadline[k] = static_cast<int>(header[deadline_field + k]);
        settings.exhaustive = header[exhaustive_field] != 0;
        settings.list_text.resize(static_cast<size_t>(header[list_size_field]));
    }
    if (!settings.list_text.empty()) {
        MPI_Ibcast(&settings.list_text[0], static_cast<int>(settings.list_text.size()), MPI_CHAR, 0, MPI_COMM_WORLD,
                   &request);
        wait_quietly(request);
    }
    return true;
}

bool share_decision(bool go) {
    int word = go ? 1 : 0;
    MPI_Request request;
    MPI_Ibcast(&word, 1, MPI_INT, 0, MPI_COMM_WORLD, &request);
    wait_quietly(request);
    return word != 0;
}

std::vector<char> ready_message(int32_t threads, const std::string& fault) {
    std::vector<char> bytes(sizeof threads + fault.size());
    std::memcpy(bytes.data(), &threads, sizeof threads);
    std::copy(fault.begin(), fault.end(), bytes.begin() + sizeof threads);
    return bytes;
}

bool read_ready_message(const std::vector<char>& bytes, int32_t& threads, std::string& fault) {
    if (bytes.size() < sizeof threads) return false;
    std::memcpy(&threads, bytes.data(), sizeof threads);
    fault.assign(bytes.begin() + sizeof threads, bytes.end());
    return true;
}

int own_rank() {
    int rank = 0;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    return rank;
}

int rank_count() {
    int count = 0;
    MPI_Comm_size(MPI_COMM_WORLD, &count);
    return count;
}
