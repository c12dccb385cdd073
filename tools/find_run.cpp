#include "tools/find_run.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <thread>

#include "foundation/fatal.h"
#include "search/checkpoint.h"
#include "tools/find_plan.h"
#include "tools/tool.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_since(clock_type::time_point begin) {
    return std::chrono::duration<double>(clock_type::now() - begin).count();
}

// "1:05:09" or "5:09".
std::string clock_text(double seconds) {
    const long s = static_cast<long>(seconds);
    char text[32];
    if (s >= 3600) std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
    else std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

// The live table on standard error when it is a terminal: redrawn in place, the cursor left on
// the line below it, so that a note written after a stop comes under the last table drawn.
class live_table {
public:
    live_table() : active_(isatty(2) == 1) {}
    void draw(const std::vector<std::string>& lines) {
        if (!active_) return;
        std::string text = drawn_ ? "\033[" + std::to_string(drawn_) + "A" : "";
        for (const std::string& line : lines) text += "\r\033[K" + line + "\n";
        text += "\033[J";
        drawn_ = lines.size();
        put(text);
    }
    void clear() {
        if (!active_ || drawn_ == 0) return;
        put("\033[" + std::to_string(drawn_) + "A\r\033[J");
        drawn_ = 0;
    }

private:
    static void put(const std::string& text) {
        if (::write(2, text.data(), text.size()) < 0) return;  // nothing to be done about a refused write
    }
    bool active_;
    size_t drawn_ = 0;
};

// Writes the findings that changed: find.txt and the C files at once, find.json (which changes
// with every member) at most once a second unless `now`.
class findings_writer {
public:
    explicit findings_writer(std::string dir) : dir_(std::move(dir)) {}
    void write(const portfolio& findings, bool now) {
        const uint64_t version = findings.version();
        if (version == written_version_ && !json_due_) return;
        if (version != written_version_) {
            put("find.txt", findings.text());
            for (const code_file& c : findings.code()) put(c.name, c.text);
            written_version_ = version;
            json_due_ = true;
        }
        if (json_due_ && (now || seconds_since(json_time_) >= 1)) {
            put("find.json", findings.json());
            json_due_ = false;
            json_time_ = clock_type::now();
        }
    }

private:
    void put(const std::string& name, const std::string& text) {
        std::string& last = written_[name];
        if (last == text) return;
        write_whole_file(dir_.empty() ? name : dir_ + "/" + name, text);
        last = text;
    }
    std::string dir_;
    std::map<std::string, std::string> written_;
    uint64_t written_version_ = ~uint64_t(0);
    bool json_due_ = false;
    clock_type::time_point json_time_;
};

// The first member from k on that is not done.
long next_to_run(const portfolio& findings, long k) {
    while (findings.complete(k)) k++;
    return k;
}

std::string members_path(const std::string& dir) {
    return dir.empty() ? "members" : dir + "/members";
}

}  // namespace

local_slots::local_slots(int slots, const std::string& dir, const find_definition& d, portfolio& findings)
    : members_dir_(members_path(dir)),
      definition_(d),
      members_(slots, [&findings](long member, const std::string& output) {
          const std::string fault = findings.take_output(member, output);
          if (!fault.empty()) fatal("internal error: " + fault + "\n", 3);
      }) {}

void local_slots::start(const member_plan& p) {
    make_directory(members_dir_);
    members_.start(p, member_dir(members_dir_, p.member), definition_.lists[static_cast<size_t>(p.sbox)]);
}

void take_members_on_disk(portfolio& findings, const std::string& dir, const find_definition& d) {
    const std::string base = members_path(dir);
    std::vector<long> members;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(base, error)) {
        const std::string name = entry.path().filename().string();
        if (name.empty() || name.size() > 9 || name.find_first_not_of("0123456789") != std::string::npos) continue;
        if (std::to_string(std::stol(name)) == name && entry.is_directory()) members.push_back(std::stol(name));
    }
    std::sort(members.begin(), members.end());
    for (long k : members) {
        const std::string at = member_dir(base, k);
        const member_plan p = findings.plan(k);
        const member_on_disk m = inspect_member(at, p, content_hash(d.lists[static_cast<size_t>(p.sbox)]));
        const std::string fault = findings.take_output(k, m.output.substr(0, m.output.find('\0')));
        // A member stopped within its pass runs again and writes its records again.
        if (!fault.empty() && m.complete) data_error("cannot resume: " + printable(dir.empty() ? fault : dir + "/" + fault));
        findings.member_ended(k, m.complete, m.seconds);
    }
}

bool run_find(portfolio& findings, const std::vector<member_slots*>& slots, const find_bounds& bounds,
              const std::string& dir) {
    findings_writer writer(dir);
    live_table table;
    const clock_type::time_point begin = clock_type::now();
    double drawn = -1;
    const auto wanted = [&bounds](long k) { return bounds.members < 0 || k < bounds.members; };
    long next = next_to_run(findings, 0);
    bool stopping = false;
    for (;;) {
        for (member_slots* s : slots)
            for (const member_end& e : s->finished()) findings.member_ended(e.member, e.complete, e.seconds);
        const double elapsed = seconds_since(begin);
        if (!stopping && bounds.seconds >= 0 && elapsed >= bounds.seconds) {
            stopping = true;
            for (member_slots* s : slots) s->cancel();
        }
        for (member_slots* s : slots)
            while (!stopping && s->free() > 0 && wanted(next)) {
                findings.member_started(next);
                s->start(findings.plan(next));
                next = next_to_run(findings, next + 1);
            }
        writer.write(findings, false);
        if (elapsed - drawn >= 1) {
            std::vector<std::string> lines = {"sbtool find  " + clock_text(elapsed) +
                                              (bounds.seconds >= 0 ? " of " + clock_text(bounds.seconds) : "")};
            for (const std::string& line : findings.live_lines()) lines.push_back(line);
            table.draw(lines);
            drawn = elapsed;
        }
        const bool busy = std::any_of(slots.begin(), slots.end(), [](member_slots* s) { return s->busy(); });
        if (!busy && (stopping || !wanted(next))) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    table.clear();
    writer.write(findings, true);
    return bounds.members >= 0 && next_to_run(findings, 0) >= bounds.members;
}

void write_findings(const portfolio& findings, const std::string& dir) {
    findings_writer(dir).write(findings, true);
}
