#include "tools/portfolio.h"

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "tools/emit.h"
#include "tools/json.h"
#include "tools/tool.h"

namespace {

// A record's rank: its member, then its number, so that earlier members name a program first.
constexpr int number_bits = 32;

// "members/K/prgs1b.txt": the output of member K, relative to DIR.
std::string output_of(long member) {
    return "members/" + std::to_string(member) + "/prgs1b.txt";
}

// Letters, digits and underscores of a name as a C identifier: other characters become
// underscores; "sbox_" goes before one that would not be an identifier.
std::string identifier_of(const named_result& n) {
    if (n.name == hex_text(n.sbox)) return "sbox_" + n.name;
    std::string id;
    for (char c : n.name) {
        const bool word = std::isalnum(static_cast<unsigned char>(c)) != 0;
        if (word) id += c;
        else if (!id.empty() && id.back() != '_') id += '_';
    }
    while (!id.empty() && id.back() == '_') id.pop_back();
    return is_c_identifier(id) ? id : "sbox_" + id;
}

// Identifiers for the named S-boxes, made distinct with "_2", "_3", ... in order.
std::vector<std::string> distinct_identifiers(const std::vector<named_result>& results) {
    std::vector<std::string> ids;
    std::set<std::string> taken;
    for (const named_result& n : results) {
        const std::string base = identifier_of(n);
        std::string id = base;
        for (int k = 2; !taken.insert(id).second || !taken.insert(id + "_inverse").second; k++)
            id = base + "_" + std::to_string(k);
        ids.push_back(id);
    }
    return ids;
}

// "0-13, 15, 17-18": a set of members as ranges.
std::string ranges_text(const std::vector<long>& members) {
    std::string text;
    for (size_t i = 0; i < members.size();) {
        size_t j = i;
        while (j + 1 < members.size() && members[j + 1] == members[j] + 1) j++;
        text += (text.empty() ? "" : ", ") + std::to_string(members[i]) +
                (j > i ? "-" + std::to_string(members[j]) : "");
        i = j + 1;
    }
    return text;
}

std::string length_text(const shortest& s) {
    return s.holder ? std::to_string(s.length) : "-";
}

std::string member_text(const shortest& s) {
    return s.holder ? std::to_string(member_of(*s.holder)) : "-";
}

std::string number_text(const shortest& s) {
    return s.holder ? std::to_string(s.holder->fields.number) : "-";
}

std::string sum_text(const named_result& n) {
    if (!n.direct.holder || !n.of_inverse.holder) return "-";
    return std::to_string(n.direct.length + n.of_inverse.length);
}

void write_limits(json_writer& json, const search_limits& l) {
    json.key("max_length").value(l.length);
    json.key("deadlines").begin_array().value(l.deadline[0]).value(l.deadline[1]).value(l.deadline[2]).end_array();
}

void write_shortest(json_writer& json, const shortest& s, const std::string& code_file, const member_plan& plan) {
    if (!s.holder) {
        json.null();
        return;
    }
    const record& r = s.holder->fields;
    json.begin_object();
    json.key("length").value(s.length);
    json.key("member").value(plan.member);
    json.key("record").value(r.number);
    json.key("file").value(s.holder->file);
    json.key("seed").value(static_cast<long long>(plan.seed));
    write_limits(json, plan.limits);
    json.key("record_sbox").value(hex_text(r.sbox));
    json.key("wiring").begin_object();
    json.key("inputs").values(s.match.how.reads);
    json.key("outputs").values(output_registers(s.match.how, r.locks));
    json.key("input_xor").value(s.match.in_xor);
    json.key("output_xor").value(s.match.out_xor);
    json.key("text").value(match_wiring_text(s.match, r.locks));
    json.end_object();
    json.key("program").begin_array();
    for (const ot& x : r.program) json.value(instruction_text(x));
    json.end_array();
    json.key("code").value(code_file);
    json.end_object();
}

}  // namespace

long member_of(const located_record& r) {
    return static_cast<long>(r.rank >> number_bits);
}

portfolio::portfolio(const find_definition& d)
    : definition_(d), accepted_(constants_of(d.variants)), results_(named_results(d.named)) {
    code_names_ = distinct_identifiers(results_);
}

std::string portfolio::take_output(long member, const std::string& output) {
    std::lock_guard<std::mutex> hold(lock_);
    return take(member, output);
}

std::string portfolio::take(long member, const std::string& output) {
    member_report& m = report_of(member);
    const std::string file = output_of(member);
    for (const raw_record& raw : split_output(output).records) {
        if (is_cut_short(raw)) continue;
        located_record located;
        record& r = located.fields;
        std::string problem;
        if (!parse_record(raw, r, problem)) return file + ": " + problem;
        if (r.number <= m.records) continue;
        if (r.number != m.records + 1 || r.number >= (1L << number_bits))
            return file + ": record " + std::to_string(r.number) + " follows record " + std::to_string(m.records);
        if (!computes_printed_sbox(r))
            return file + ": record " + std::to_string(r.number) + ": the program does not compute the S-box it prints";
        located.file = file;
        located.id = std::to_string(member) + ":" + std::to_string(r.number);
        located.rank = static_cast<uint64_t>(member) << number_bits | static_cast<uint64_t>(r.number);
        records_.push_back(std::move(located));
        if (!consider_record(records_.back(), results_, accepted_)) unmatched_++;
        m.records = r.number;
        version_++;
    }
    return "";
}

member_report& portfolio::report_of(long member) {
    auto at = members_.find(member);
    if (at == members_.end()) at = members_.emplace(member, member_report{plan(member)}).first;
    return at->second;
}

void portfolio::member_started(long member) {
    std::lock_guard<std::mutex> hold(lock_);
    report_of(member).running = true;
    version_++;
}

void portfolio::member_ended(long member, bool complete, double seconds) {
    std::lock_guard<std::mutex> hold(lock_);
    member_report& m = report_of(member);
    m.running = false;
    m.complete = complete;
    m.seconds = complete ? seconds : -1;
    version_++;
}

member_plan portfolio::plan(long member) const {
    return schedule_.plan_of(member, static_cast<int>(results_.size()));
}

member_plan portfolio::plan_of_holder(const shortest& s) const {
    return s.holder ? plan(member_of(*s.holder)) : member_plan{};
}

bool portfolio::complete(long member) const {
    std::lock_guard<std::mutex> hold(lock_);
    const auto at = members_.find(member);
    return at != members_.end() && at->second.complete;
}

long portfolio::members_done() const {
    std::lock_guard<std::mutex> hold(lock_);
    long done = 0;
    for (const auto& [k, m] : members_) done += m.complete;
    return done;
}

uint64_t portfolio::version() const {
    std::lock_guard<std::mutex> hold(lock_);
    return version_;
}

// "members done: 14 (0-13)", the same per limit setting, and the members running or stopped
// within their pass, whose records so far count.
std::string portfolio::done_text() const {
    std::vector<long> done, running, stopped;
    long per_setting[limit_settings] = {};
    for (const auto& [k, m] : members_) {
        if (m.complete) per_setting[m.plan.setting]++;
        (m.complete ? done : m.running ? running : stopped).push_back(k);
    }
    std::string text = "members done: " + std::to_string(done.size()) +
                       (done.empty() ? "" : " (" + ranges_text(done) + ")") + "\nby limits:";
    for (int s = 0; s < limit_settings; s++)
        text += (s ? ", " : " ") + limits_label(setting_of(s).limits) + " " + std::to_string(per_setting[s]);
    text += "\n";
    if (!running.empty()) text += "running (their records so far count): " + ranges_text(running) + "\n";
    if (!stopped.empty()) text += "stopped within their pass (their records so far count): " + ranges_text(stopped) + "\n";
    return text;
}

std::string portfolio::text() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::ostringstream out;
    out << "S-boxes: " << results_.size() << " named, member K searching the list of S-box K mod "
        << results_.size() << " (variants: " << variants_text(definition_.variants) << ")\n"
        << done_text() << "\n";
    std::vector<std::vector<std::string>> rows = {{"name", "sbox", "length", "member", "record", "inverse length",
                                                   "inverse member", "inverse record", "sum"}};
    for (const named_result& n : results_)
        rows.push_back({printable(n.name), hex_text(n.sbox), length_text(n.direct), member_text(n.direct),
                        number_text(n.direct), length_text(n.of_inverse), member_text(n.of_inverse),
                        number_text(n.of_inverse), sum_text(n)});
    print_columns(rows, out);
    std::string wirings;
    for (size_t i = 0; i < results_.size(); i++) {
        const named_result& n = results_[i];
        for (const shortest* s : {&n.direct, &n.of_inverse}) {
            if (!s->holder) continue;
            const member_plan by = plan(member_of(*s->holder));
            wirings += printable(n.name) + (s == &n.of_inverse ? " inverse" : "") + ": member " +
                       std::to_string(by.member) + " (" + limits_label(by.limits) + ", seed " +
                       std::to_string(by.seed) + ") record " + std::to_string(s->holder->fields.number) + ": " +
                       match_wiring_text(s->match, s->holder->fields.locks) + "  in " + code_names_[i] + ".c\n";
        }
    }
    if (!wirings.empty()) out << "\n" << wirings;
    out << "\nrecords that compute no named S-box: " << unmatched_ << "\n";
    return out.str();
}

std::string portfolio::json() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::ostringstream out;
    json_writer json(out);
    json.begin_object();
    json.key("variants").value(variants_text(definition_.variants));
    json.key("sboxes").begin_array();
    for (size_t i = 0; i < results_.size(); i++) {
        const named_result& n = results_[i];
        const std::string file = code_names_[i] + ".c";
        json.begin_object();
        json.key("name").value(n.name);
        json.key("sbox").value(hex_text(n.sbox));
        json.key("inverse").value(hex_text(n.inverse));
        json.key("shortest");
        write_shortest(json, n.direct, file, plan_of_holder(n.direct));
        json.key("inverse_shortest");
        write_shortest(json, n.of_inverse, file, plan_of_holder(n.of_inverse));
        json.key("sum");
        if (n.direct.holder && n.of_inverse.holder) json.value(n.direct.length + n.of_inverse.length);
        else json.null();
        json.end_object();
    }
    json.end_array();
    json.key("unmatched").value(unmatched_);
    json.key("members").begin_array();
    for (const auto& [k, m] : members_) {
        json.begin_object();
        json.key("member").value(k);
        json.key("sbox").value(hex_text(results_[static_cast<size_t>(m.plan.sbox)].sbox));
        json.key("seed").value(static_cast<long long>(m.plan.seed));
        write_limits(json, m.plan.limits);
        json.key("complete").value(m.complete);
        json.key("pass_seconds");
        if (m.seconds >= 0) json.value(m.seconds, 3);
        else json.null();
        json.key("records").value(m.records);
        json.end_object();
    }
    json.end_array().end_object().finish();
    return out.str();
}

std::vector<code_file> portfolio::code() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<code_file> files;
    for (size_t i = 0; i < results_.size(); i++) {
        const named_result& n = results_[i];
        if (!n.direct.holder && !n.of_inverse.holder) continue;
        std::string text = "/* " + printable(n.name) + " (" + hex_text(n.sbox) + ") and its inverse (" +
                           hex_text(n.inverse) + "): the shortest programs sbtool find has found. */\n"
                           "#include <stdint.h>\n";
        for (const shortest* s : {&n.direct, &n.of_inverse}) {
            const bool inverse = s == &n.of_inverse;
            text += "\n";
            if (!s->holder) {
                text += "/* No program for the " + std::string(inverse ? "inverse" : "S-box") + " has been found yet. */\n";
                continue;
            }
            const long member = member_of(*s->holder);
            text += c_function_for(s->holder->fields, s->match, inverse ? n.inverse : n.sbox,
                                   code_names_[i] + (inverse ? "_inverse" : ""),
                                   "member " + std::to_string(member) + ", report " +
                                       std::to_string(s->holder->fields.number));
        }
        files.push_back({code_names_[i] + ".c", text});
    }
    return files;
}

std::vector<std::string> portfolio::live_lines() const {
    std::lock_guard<std::mutex> hold(lock_);
    std::vector<std::vector<std::string>> rows = {{"name", "sbox", "length", "member", "inverse", "member"}};
    for (const named_result& n : results_)
        rows.push_back({printable(n.name), hex_text(n.sbox), length_text(n.direct), member_text(n.direct),
                        length_text(n.of_inverse), member_text(n.of_inverse)});
    std::ostringstream table;
    print_columns(rows, table);
    std::vector<std::string> lines;
    std::string line;
    for (std::istringstream in(table.str()); std::getline(in, line);) lines.push_back(line);
    long done[limit_settings] = {}, running[limit_settings] = {};
    for (const auto& [k, m] : members_) {
        if (m.complete) done[m.plan.setting]++;
        if (m.running) running[m.plan.setting]++;
    }
    line = "members done (running):";
    for (int s = 0; s < limit_settings; s++)
        line += (s ? ",  " : " ") + limits_label(setting_of(s).limits) + " " + std::to_string(done[s]) + " (" +
                std::to_string(running[s]) + ")";
    lines.push_back(line);
    return lines;
}
