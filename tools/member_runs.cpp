#include "tools/member_runs.h"

#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <thread>

#include "search/checkpoint.h"
#include "search/directory_lock.h"
#include "search/driver.h"
#include "search/interrupt.h"
#include "search/output.h"
#include "search/run.h"
#include "tools/find_plan.h"
#include "tools/input_file.h"
#include "tools/tool.h"

namespace {

const char* const pass_time_name = "pass-time.txt";

// How a member's process ends: its pass done, or the list refused by the loader.
constexpr int pass_done_status = 0;
constexpr int list_refused_status = 3;

std::string in(const std::string& dir, const std::string& name) {
    return dir + "/" + name;
}

bool same_limits(const search_limits& a, const search_limits& b) {
    return a.length == b.length && a.deadline[0] == b.deadline[0] && a.deadline[1] == b.deadline[1] &&
           a.deadline[2] == b.deadline[2];
}

// Closes every descriptor the child inherited but the standard ones: the find's directory lock
// among them, which must end with the find, not with its last member.
void close_inherited_descriptors() {
    if (close_range(3, ~0u, 0) == 0) return;
    const long most = std::min(sysconf(_SC_OPEN_MAX), 65536L);
    for (int fd = 3; fd < most; fd++) close(fd);
}

// The child of a member: loads the list in dir, runs the pass, keeps its time and ends. It ends
// with its parent: a stop of the find stops it (cleanly, finishing a record it writes).
[[noreturn]] void run_member(const member_plan& p, const std::string& dir, pid_t parent, uint64_t list_hash) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (getppid() != parent) _exit(1);
    close_inherited_descriptors();
    // One search at a time in the directory: a member process of a find that was just stopped
    // may still be finishing its last record there, and so may a user's sbtool search.
    for (int tries = 0; !lock_directory(dir); tries++) {
        if (tries == 3000) _exit(1);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    set_stop_note("");
    install_clean_stop();
    std::ostream quiet(nullptr);
    if (prepare_search(in(dir, "sb2.txt"), quiet).failed) _exit(list_refused_status);
    run_context run;
    run.dir = dir;
    run.limits = p.limits;
    run.console = &quiet;
    run.settings.seed = p.seed;
    run.settings.passes = 1;
    run.settings.checkpoints = true;
    run.settings.list_hash = list_hash;
    run.settings.quiet = true;
    bool passed = false;
    run.observer.pass_done = [&passed](int, const search_counters&) { passed = true; };
    const auto begin = std::chrono::steady_clock::now();
    search_bounded(run, -1);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    run.ostr.close();
    if (!passed) _exit(1);
    try {
        keep_pass_time(dir, seconds);
    } catch (const tool_error& e) {
        std::fprintf(stderr, "sbtool find: %s\n", e.what());
        _exit(1);
    }
    _exit(pass_done_status);
}

long long size_of(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
}

}  // namespace

std::string member_dir(const std::string& base, long member) {
    return in(base, std::to_string(member));
}

void make_directory(const std::string& dir) {
    if (::mkdir(dir.c_str(), 0775) != 0 && errno != EEXIST)
        data_error("cannot make " + printable(dir) + ": " + std::strerror(errno));
}

member_on_disk inspect_member(const std::string& dir, const member_plan& p, uint64_t list_hash) {
    member_on_disk found;
    bool exists = false;
    found.output = read_if_present(in(dir, filename), &exists);
    const std::string kept = found.output.substr(0, found.output.find('\0'));
    const std::string header = header_text(p.seed, false, p.limits);
    const std::string other = "cannot resume: " + printable(dir) + " holds a run that is not member " +
                              std::to_string(p.member) + " of this find (";
    if (kept.compare(0, header.size(), header, 0, kept.size()) != 0)
        data_error(other + "its output's header shows another seed or other limits)");
    checkpoint c;
    if (!read_checkpoint(in(dir, checkpoint_name), c).empty()) return found;
    if (c.seed != p.seed || !same_limits(c.limits, p.limits) || c.exhaustive)
        data_error(other + "its checkpoint shows another seed or other limits)");
    if (c.list_hash != list_hash) data_error(other + "its checkpoint shows another list)");
    found.complete = c.pass >= 1 && c.output_size == found.output.size() &&
                     c.output_hash == content_hash(found.output);
    bool timed = false;
    const std::string seconds = read_if_present(in(dir, pass_time_name), &timed);
    if (found.complete && timed) found.seconds = std::strtod(seconds.c_str(), nullptr);
    return found;
}

void keep_pass_time(const std::string& dir, double seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f\n", seconds);
    write_whole_file(in(dir, pass_time_name), text);
}

member_processes::member_processes(int slots, output_sink sink) : slots_(slots), sink_(std::move(sink)) {}

member_processes::~member_processes() {
    cancel();
    for (running_member& m : running_) waitpid(m.pid, nullptr, 0);
}

void member_processes::start(const member_plan& p, const std::string& dir, const std::string& list_text) {
    make_directory(dir);
    bool exists = false;
    if (read_if_present(in(dir, "sb2.txt"), &exists) != list_text || !exists)
        write_whole_file(in(dir, "sb2.txt"), list_text);
    const pid_t parent = getpid();
    const uint64_t hash = content_hash(list_text);
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid < 0) data_error(std::string("cannot start a member's process: ") + std::strerror(errno));
    if (pid == 0) run_member(p, dir, parent, hash);
    running_.push_back({pid, {p.member, false, -1, dir}});
}

std::vector<member_end> member_processes::finished() {
    std::vector<member_end> ended;
    for (auto m = running_.begin(); m != running_.end();) {
        int status = 0;
        if (waitpid(m->pid, &status, WNOHANG) != m->pid) {
            const long long size = size_of(in(m->end.dir, filename));
            if (size != m->output_size && sink_) {
                bool exists = false;
                sink_(m->end.member, read_if_present(in(m->end.dir, filename), &exists));
            }
            m->output_size = size;
            ++m;
            continue;
        }
        const bool exited = WIFEXITED(status);
        if (exited && WEXITSTATUS(status) == list_refused_status)
            data_error("the search cannot load " + printable(in(m->end.dir, "sb2.txt")));
        if (sink_) {
            bool exists = false;
            sink_(m->end.member, read_if_present(in(m->end.dir, filename), &exists));
        }
        member_end e = m->end;
        e.complete = exited && WEXITSTATUS(status) == pass_done_status;
        if (e.complete) {
            bool timed = false;
            e.seconds = std::strtod(read_if_present(in(e.dir, pass_time_name), &timed).c_str(), nullptr);
        }
        ended.push_back(e);
        m = running_.erase(m);
    }
    return ended;
}

void member_processes::cancel() {
    for (running_member& m : running_) kill(m.pid, SIGTERM);
}
