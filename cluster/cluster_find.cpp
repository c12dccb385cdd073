#include "cluster/cluster_find.h"

#include <mpi.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <thread>

#include "cluster/messages.h"
#include "foundation/fatal.h"
#include "search/checkpoint.h"
#include "search/interrupt.h"
#include "search/limits.h"
#include "search/output.h"
#include "tools/find_command.h"
#include "tools/input_file.h"
#include "tools/search_options.h"
#include "tools/tool.h"

namespace {

const char* const help_head =
    "usage: mpirun -np P sbtool-mpi find [--dir DIR] [--threads N] [--time DURATION]\n"
    "                                    [--members M] [--variants LIST] [--resume] SBOX...\n"
    "\n"
    "Runs sbtool find with its members spread over the P ranks of an MPI job: rank 0 keeps the\n"
    "find in DIR and runs members on its threads, every other rank runs members on its threads\n"
    "in a folder under $TMPDIR and sends each one's output back to rank 0, which writes it into\n"
    "DIR/members/K. The findings are those of sbtool find with the same members, whatever P.\n"
    "--threads is the number of members at once on every rank, each in a process of its own\n"
    "(default: the cores each rank's process may use).\n"
    "\n";

// A member's end as a worker rank sends it:
//   member      8 bytes
//   complete    1 byte
//   seconds     8 bytes, a double: the pass's time when complete
//   output      8 bytes of size, then the bytes of prgs1b.txt
//   checkpoint  8 bytes of size, then the bytes of prgs1b.txt.checkpoint (none: size 0)
template <typename T>
void put(std::vector<char>& bytes, const T& value) {
    const char* at = reinterpret_cast<const char*>(&value);
    bytes.insert(bytes.end(), at, at + sizeof value);
}

template <typename T>
bool get(const std::vector<char>& bytes, size_t& at, T& value) {
    if (bytes.size() - at < sizeof value) return false;
    std::memcpy(&value, bytes.data() + at, sizeof value);
    at += sizeof value;
    return true;
}

bool get_text(const std::vector<char>& bytes, size_t& at, std::string& text) {
    uint64_t size = 0;
    if (!get(bytes, at, size) || bytes.size() - at < size) return false;
    text.assign(bytes.data() + at, size);
    at += size;
    return true;
}

std::vector<char> pack_member_end(const member_end& e, const std::string& output, const std::string& check) {
    std::vector<char> bytes;
    put(bytes, static_cast<int64_t>(e.member));
    put(bytes, static_cast<uint8_t>(e.complete));
    put(bytes, e.seconds);
    put(bytes, static_cast<uint64_t>(output.size()));
    bytes.insert(bytes.end(), output.begin(), output.end());
    put(bytes, static_cast<uint64_t>(check.size()));
    bytes.insert(bytes.end(), check.begin(), check.end());
    return bytes;
}

bool unpack_member_end(const std::vector<char>& bytes, member_end& e, std::string& output, std::string& check) {
    size_t at = 0;
    int64_t member = 0;
    uint8_t complete = 0;
    const bool whole = get(bytes, at, member) && get(bytes, at, complete) && get(bytes, at, e.seconds) &&
                       get_text(bytes, at, output) && get_text(bytes, at, check) && at == bytes.size();
    e.member = member;
    e.complete = complete != 0;
    return whole && member >= 0;
}

// A member as rank 0 sends it: member (8 bytes), seed (4), length limit and deadlines (4 each),
// then its list, 8 bytes of size and the text.
std::vector<char> member_message(const member_plan& p, const std::string& list) {
    std::vector<char> bytes;
    put(bytes, static_cast<int64_t>(p.member));
    put(bytes, p.seed);
    put(bytes, static_cast<int32_t>(p.limits.length));
    for (int d : p.limits.deadline) put(bytes, static_cast<int32_t>(d));
    put(bytes, static_cast<uint64_t>(list.size()));
    bytes.insert(bytes.end(), list.begin(), list.end());
    return bytes;
}

bool read_member_message(const std::vector<char>& bytes, member_plan& p, std::string& list) {
    size_t at = 0;
    int64_t member = -1;
    int32_t limits[4] = {};
    bool whole = get(bytes, at, member) && get(bytes, at, p.seed);
    for (int32_t& value : limits) whole = whole && get(bytes, at, value);
    whole = whole && get_text(bytes, at, list) && at == bytes.size();
    p.member = member;
    p.limits.length = limits[0];
    for (int k = 0; k < 3; k++) p.limits.deadline[k] = limits[k + 1];
    return whole && member >= 0 && limits_fault(p.limits).empty();
}

// Members on the other ranks, as many at once on each as it has threads. Their records reach
// the portfolio, and their files DIR/members/K, when they end.
class rank_slots : public member_slots {
public:
    rank_slots(const worker_ranks& ranks, const std::string& dir, const find_definition& d, portfolio& findings)
        : capacity_(ranks.threads), in_flight_(ranks.threads.size(), 0),
          members_dir_(dir.empty() ? "members" : dir + "/members"), definition_(d), findings_(findings) {}

    int free() const override {
        int n = 0;
        for (size_t r = 1; r < capacity_.size() && !stopped_; r++) n += capacity_[r] - in_flight_[r];
        return n;
    }

    void start(const member_plan& p) override {
        size_t best = 1;
        for (size_t r = 2; r < capacity_.size(); r++)
            if (capacity_[r] - in_flight_[r] > capacity_[best] - in_flight_[best]) best = r;
        out_.send(static_cast<int>(best), tag_member, member_message(p, list_of(p.member)));
        in_flight_[best]++;
    }

    std::vector<member_end> finished() override {
        out_.progress();
        std::vector<member_end> ended;
        std::vector<char> bytes;
        int sender = 0;
        while (receive_if_any(MPI_ANY_SOURCE, tag_member_end, bytes, sender)) {
            member_end e;
            std::string output, check;
            if (!unpack_member_end(bytes, e, output, check))
                fatal("internal error: rank " + std::to_string(sender) + " sent a malformed member\n", 3);
            in_flight_[static_cast<size_t>(sender)]--;
            keep(e, output, check);
            ended.push_back(e);
        }
        return ended;
    }

    void cancel() override {
        if (stopped_) return;
        stopped_ = true;
        for (size_t r = 1; r < capacity_.size(); r++) out_.send(static_cast<int>(r), tag_stop, {});
    }

    bool busy() const override {
        for (int n : in_flight_)
            if (n > 0) return true;
        return false;
    }

    // Ends every other rank once no member is out there.
    void end() {
        cancel();
        out_.flush();
    }

private:
    // Writes the member's files into DIR/members/K (the output before the checkpoint that
    // covers it) and hands its records to the portfolio.
    void keep(member_end& e, const std::string& output, const std::string& check) {
        e.dir = member_dir(members_dir_, e.member);
        if (!output.empty()) {
            make_directory(members_dir_);
            make_directory(e.dir);
            write_whole_file(e.dir + "/sb2.txt", list_of(e.member));
            write_whole_file(e.dir + "/" + filename, output);
            if (!check.empty()) write_whole_file(e.dir + "/" + checkpoint_name, check);
            if (e.complete) keep_pass_time(e.dir, e.seconds);
        }
        const std::string fault = findings_.take_output(e.member, output);
        if (!fault.empty() && e.complete) fatal("internal error: " + fault + "\n", 3);
    }

    const std::string& list_of(long member) const {
        return definition_.lists[static_cast<size_t>(findings_.plan(member).sbox)];
    }

    std::vector<int> capacity_, in_flight_;
    std::string members_dir_;
    const find_definition& definition_;
    portfolio& findings_;
    outbox out_;
    bool stopped_ = false;
};

// A fresh folder for this rank's members under $TMPDIR (else /tmp); empty with *fault set when
// none can be made.
std::string scratch_folder(std::string& fault) {
    const char* base = std::getenv("TMPDIR");
    const std::string under = base && *base ? base : "/tmp";
    std::string dir = under + "/sbtool-mpi-find.XXXXXX";
    if (mkdtemp(&dir[0])) return dir;
    fault = "cannot make a folder under " + under + ": " + std::strerror(errno);
    return "";
}

// Sends how a member ended, with its files, and removes them.
void send_member_end(outbox& out, const member_end& e) {
    bool exists = false;
    const std::string output = read_if_present(e.dir + "/" + filename, &exists);
    const std::string check = read_if_present(e.dir + "/" + checkpoint_name, &exists);
    out.send(0, tag_member_end, pack_member_end(e, output, check));
    std::error_code ignored;
    std::filesystem::remove_all(e.dir, ignored);
}

// Runs the members rank 0 sends, each in a process of its own, until it says stop; a member that
// comes after the stop ends at once.
void serve_members(member_processes& members, const std::string& scratch) {
    outbox out;
    std::vector<char> bytes;
    int sender = 0;
    idle_pause pause(std::chrono::milliseconds(20));
    for (bool stopping = false; !stopping || members.busy() || !out.empty();) {
        bool busy = false;
        while (receive_if_any(0, tag_member, bytes, sender)) {
            member_plan p;
            std::string list;
            if (!read_member_message(bytes, p, list)) fatal("internal error: a malformed member from rank 0\n", 3);
            const std::string dir = member_dir(scratch, p.member);
            if (stopping) send_member_end(out, {p.member, false, -1, dir});
            else members.start(p, dir, list);
            busy = true;
        }
        if (!stopping && receive_if_any(0, tag_stop, bytes, sender)) {
            stopping = true;
            members.cancel();
        }
        for (const member_end& e : members.finished()) {
            send_member_end(out, e);
            busy = true;
        }
        out.progress();
        if (busy) pause.reset();
        else std::this_thread::sleep_for(pause.next());
    }
}

}  // namespace

int cluster_find_command(worker_ranks& ranks, const std::vector<std::string>& args, std::ostream& out,
                         std::ostream& err) {
    command_line line;
    find_options o;
    if (!start_find_command("sbtool-mpi find", help_head, args, out, line, o)) return 0;
    const find_definition d = set_up_find(o);
    cluster_settings settings;
    settings.threads = line.has("threads") ? o.threads : 0;
    const std::string fault = start_worker_ranks(ranks, settings);
    if (!fault.empty()) data_error(fault);
    const std::string program = "mpirun -np " + std::to_string(rank_count()) + " sbtool-mpi find";
    install_clean_stop();
    set_stop_note("sbtool-mpi find: stopped; go on with: " + resume_command(program, o) + "\n");
    arm_stop_note();
    portfolio findings(d);
    bool all_done = false;
    try {
        take_members_on_disk(findings, o.dir, d);
        local_slots threads(o.threads, o.dir, d, findings);
        rank_slots others(ranks, o.dir, d, findings);
        all_done = run_find(findings, {&threads, &others}, o.bounds, o.dir);
        others.end();
    } catch (const std::exception& e) {
        // The other ranks wait for members: the job ends with this rank's fault.
        std::cerr << "sbtool-mpi find: " << e.what() << "\n";
        MPI_Abort(MPI_COMM_WORLD, status_bad_data);
    }
    out << findings.text();
    if (!all_done)
        err << "sbtool-mpi find: " << findings.members_done() << " members done; go on with: "
            << resume_command(program, o) << "\n";
    return 0;
}

int serve_find() {
    report_faults_on_stderr("sbtool-mpi find: rank " + std::to_string(own_rank()) + ": ");
    end_on_out_of_memory(false);
    cluster_settings settings;
    if (!share_settings(settings, false)) return 0;
    std::string fault;
    const std::string scratch = scratch_folder(fault);
    const int threads = settings.threads > 0 ? settings.threads : default_threads();
    {
        member_processes members(threads, nullptr);
        outbox ready;
        ready.send(0, tag_ready, ready_message(fault.empty() ? threads : 0, fault));
        ready.flush();
        if (share_decision(false)) serve_members(members, scratch);
    }
    std::error_code ignored;
    if (!scratch.empty()) std::filesystem::remove_all(scratch, ignored);
    return 0;
}
