#include "tools/member_runs.h"

#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

#include "search/checkpoint.h"
#include "search/driver.h"
#include "search/output.h"
#include "tools/find_plan.h"
#include "tools/input_file.h"
#include "tools/tool.h"

namespace {

const char* const pass_time_name = "pass-time.txt";

std::string in(const std::string& dir, const std::string& name) {
    return dir + "/" + name;
}

bool same_limits(const search_limits& a, const search_limits& b) {
    return a.length == b.length && a.deadline[0] == b.deadline[0] && a.deadline[1] == b.deadline[1] &&
           a.deadline[2] == b.deadline[2];
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
    const std::string header = header_text(p.seed, false, p.limits);
    const std::string other = "cannot resume: " + printable(dir) + " holds a run that is not member " +
                              std::to_string(p.member) + " of this find (";
    if (!found.output.empty() && found.output.compare(0, header.size(), header, 0, found.output.size()) != 0)
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
    std::ostringstream text;
    text.precision(3);
    text << std::fixed << seconds << "\n";
    write_whole_file(in(dir, pass_time_name), text.str());
}

member_threads::member_threads(int threads, const std::string& list_text, record_sink sink)
    : threads_(threads), list_text_(list_text), list_hash_(content_hash(list_text)), sink_(std::move(sink)) {}

member_threads::~member_threads() {
    cancel();
    for (running_member& m : running_) m.thread.join();
}

void member_threads::start(const member_plan& p, const std::string& dir) {
    make_directory(dir);
    bool exists = false;
    if (read_if_present(in(dir, "sb2.txt"), &exists) != list_text_ || !exists)
        write_whole_file(in(dir, "sb2.txt"), list_text_);
    running_.emplace_back();
    running_member& m = running_.back();
    m.run = std::make_unique<run_context>();
    run_context& run = *m.run;
    run.dir = dir;
    run.limits = p.limits;
    run.console = &m.quiet;
    run_settings& settings = run.settings;
    settings.seed = p.seed;
    settings.passes = 1;
    settings.checkpoints = true;
    settings.list_hash = list_hash_;
    settings.quiet = true;
    const long member = p.member;
    record_sink& sink = sink_;
    run.observer.record = [&sink, member](const record_event& e) { sink(member, *e.text); };
    run.observer.pass_done = [&m](int, const search_counters&) { m.passed = true; };
    m.end.member = member;
    m.end.dir = dir;
    try {
        m.thread = std::thread(run_member, std::ref(m), p);
    } catch (...) {
        running_.pop_back();
        throw;
    }
}

void member_threads::run_member(running_member& m, const member_plan&) {
    const auto begin = std::chrono::steady_clock::now();
    search_bounded(*m.run, -1);
    m.end.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    m.end.complete = m.passed.load();
    m.run->ostr.close();
    m.ended = true;
}

std::vector<member_end> member_threads::finished() {
    std::vector<member_end> ended;
    for (auto m = running_.begin(); m != running_.end();) {
        if (!m->ended.load()) {
            ++m;
            continue;
        }
        m->thread.join();
        if (m->end.complete) keep_pass_time(m->end.dir, m->end.seconds);
        else m->end.seconds = -1;
        ended.push_back(m->end);
        m = running_.erase(m);
    }
    return ended;
}

void member_threads::cancel() {
    for (running_member& m : running_) m.run->cancelled = true;
}
