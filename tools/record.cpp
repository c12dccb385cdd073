#include "tools/record.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "search/checkpoint.h"
#include "search/machine.h"
#include "tools/args.h"
#include "tools/input_file.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

bool starts_with(const std::string& s, const char* prefix) {
    return s.compare(0, std::char_traits<char>::length(prefix), prefix) == 0;
}

// Reads one line of a record field by field; every read demands the exact text.
class line_reader {
public:
    explicit line_reader(const std::string& text) : s_(text) {}

    bool literal(const char* text) {
        if (!starts_with(s_.substr(i_), text)) return false;
        i_ += std::char_traits<char>::length(text);
        return true;
    }
    bool peek(const char* text) const { return starts_with(s_.substr(i_), text); }
    // An optionally negative decimal number of at most nine digits.
    bool number(long& value) {
        size_t j = i_;
        bool negative = j < s_.size() && s_[j] == '-';
        if (negative) ++j;
        size_t start = j;
        while (j < s_.size() && s_[j] >= '0' && s_[j] <= '9') ++j;
        if (j == start || j - start > 9) return false;
        value = std::stol(s_.substr(start, j - start));
        if (negative) value = -value;
        i_ = j;
        return true;
    }
    bool number(int& value) {
        long v;
        if (!number(v)) return false;
        value = static_cast<int>(v);
        return true;
    }
    // Exactly 16 characters "0" or "1".
    bool bit_text(std::string& out) {
        if (s_.size() - i_ < 16) return false;
        for (size_t k = 0; k < 16; ++k)
            if (s_[i_ + k] != '0' && s_[i_ + k] != '1') return false;
        out = s_.substr(i_, 16);
        i_ += 16;
        return true;
    }
    bool done() const { return i_ == s_.size(); }

private:
    const std::string& s_;
    size_t i_ = 0;
};

bool parse_first_line(const std::string& text, record& r) {
    line_reader in(text);
    return in.literal("found ") && in.number(r.number) && r.number >= 0 && in.literal(" r ") &&
           in.number(r.length) && r.length >= 0 && in.literal(" o ") && in.number(r.order) &&
           in.literal(" n ") && in.number(r.row) && in.done();
}

bool parse_inverse_line(const std::string& text, std::vector<inverse_entry>& out) {
    line_reader in(text);
    while (!in.done()) {
        inverse_entry e{0, -1};
        if (!in.literal(" in ") || !in.number(e.row)) return false;
        if (in.literal(" t ") && (!in.number(e.total) || e.total < 0)) return false;
        out.push_back(e);
    }
    return true;
}

bool parse_perm_line(const std::string& text, std::vector<int>& out) {
    line_reader in(text);
    while (!in.done()) {
        int p;
        if (!in.literal(" p ") || !in.number(p)) return false;
        out.push_back(p);
    }
    return true;
}

// "REG  DEG  TABLE   ANF " with REG a machine register.
bool parse_locked_line(const std::string& text, int& reg_index, int& degree, std::string& table, std::string& form) {
    line_reader in(text);
    return in.number(reg_index) && reg_index >= 0 && reg_index <= 7 && in.literal("  ") && in.number(degree) &&
           in.literal("  ") && in.bit_text(table) && in.literal("   ") && in.bit_text(form) && in.literal(" ") &&
           in.done();
}

// "s " or "i " and sixteen values separated by two blanks.
bool parse_sbox_line(const std::string& text, const char* tag, std::array<int, 16>& values) {
    line_reader in(text);
    if (!in.literal(tag)) return false;
    for (int x = 0; x < 16; ++x)
        if ((x > 0 && !in.literal("  ")) || !in.number(values[x])) return false;
    return in.done();
}

// Whether the first line that is not blank holds sixteen whole numbers, as the lines of a
// target list do.
bool looks_like_target_list(const std::string& text) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream tokens(line);
        std::string token;
        int count = 0;
        while (tokens >> token) {
            if (token.find_first_not_of("0123456789") != std::string::npos) return false;
            ++count;
        }
        if (count) return count == 16;
    }
    return false;
}

}  // namespace

std::string table_text(unsigned short word) {
    std::string s;
    for (int x = 0; x < 16; ++x) s += ((word >> x) & 1) ? '1' : '0';
    return s;
}

output_file split_output(const std::string& text) {
    output_file file;
    raw_record* current = nullptr;
    size_t number = 0;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        const bool has_newline = end != std::string::npos;
        if (!has_newline) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = has_newline ? end + 1 : end;
        ++number;
        // The search stopped inside a "Starting " line or the first word of a record.
        const bool cut = !has_newline && !line.empty();
        if (cut && std::string("Starting ").compare(0, line.size(), line) == 0) continue;
        if (starts_with(line, "found ") || (cut && std::string("found ").compare(0, line.size(), line) == 0)) {
            file.records.push_back({});
            current = &file.records.back();
            current->first_line = number;
        } else if (starts_with(line, "Starting ")) {
            current = nullptr;
            continue;
        } else if (!current) {
            const bool header = file.records.empty() && (starts_with(line, "Parameters ") || starts_with(line, "Programs "));
            if (!header) file.stray.push_back({number, line});
            continue;
        }
        current->lines.push_back(line);
        current->ends_in_newline = has_newline;
    }
    if (!file.records.empty()) file.records.back().at_end = current == &file.records.back();
    return file;
}

bool is_cut_short(const raw_record& raw) {
    if (!raw.at_end) return false;
    if (!raw.ends_in_newline) return true;
    record head;
    if (raw.lines.empty() || !parse_first_line(raw.lines[0], head)) return false;
    return raw.lines.size() < record_head_lines + static_cast<size_t>(head.length);
}

std::string instruction_text(const ot& x) {
    std::ostringstream text;
    text << x;
    return text.str();
}

bool parse_instruction(const std::string& text, ot& out) {
    static const char* const two_operand[] = {"or ", "and ", "xor ", "mov "};
    static const int codes[] = {op_or, op_and, op_xor, op_mov};
    line_reader in(text);
    auto is_register = [](int r) { return r >= 0 && r <= 7; };
    if (text == "nop") {
        out = {op_nop, 0, 0};
        return true;
    }
    for (int k = 0; k < 4; ++k)
        if (in.literal(two_operand[k])) {
            out.o = codes[k];
            return in.number(out.r1) && is_register(out.r1) && in.literal(",") && in.number(out.r2) &&
                   is_register(out.r2) && in.done();
        }
    if (in.literal("not ")) {
        out = {op_not, 0, 0};
        return in.number(out.r1) && is_register(out.r1) && in.done();
    }
    if (in.literal("movc ")) {
        out.o = op_movc;
        return in.number(out.r1) && is_register(out.r1) && in.literal(",#") && in.number(out.r2) && in.done();
    }
    return false;
}

bool parse_record(const raw_record& raw, record& r, std::string& error) {
    r = record{};
    r.first_line = raw.first_line;
    auto fail = [&](size_t index, const std::string& what) {
        error = "line " + std::to_string(raw.first_line + index) + ": " + what;
        return false;
    };
    if (!parse_first_line(raw.lines[0], r)) return fail(0, "not a \"found N r LEN o D n ROW\" line");
    if (raw.lines.size() < record_head_lines)
        return fail(raw.lines.size(), "the record ends after " + std::to_string(raw.lines.size()) + " lines");
    if (!parse_inverse_line(raw.lines[1], r.inverses)) return fail(1, "not a line of \" in ROW [t TOTAL]\" entries");
    if (!parse_perm_line(raw.lines[2], r.perms)) return fail(2, "not a line of \" p ROW\" entries");
    for (int i = 0; i < 4; ++i)
        if (!parse_locked_line(raw.lines[3 + i], r.locks[i], r.degrees[i], r.tables[i], r.forms[i]))
            return fail(3 + i, "not a \"REG  DEG  TRUTHTABLE   ANF \" line");
    if (!parse_sbox_line(raw.lines[7], "s ", r.sbox)) return fail(7, "not an \"s\" line of sixteen values");
    if (!parse_sbox_line(raw.lines[8], "i ", r.inverse)) return fail(8, "not an \"i\" line of sixteen values");
    for (size_t k = record_head_lines; k < raw.lines.size(); ++k) {
        ot x{};
        if (!parse_instruction(raw.lines[k], x)) return fail(k, "not an instruction: \"" + printable(raw.lines[k]) + "\"");
        r.program.push_back(x);
    }
    if (static_cast<long>(r.program.size()) != r.length)
        return fail(0, "r " + std::to_string(r.length) + " but the program has " + std::to_string(r.program.size()) +
                           " instructions");
    return true;
}

std::array<unsigned short, 8> registers_after(const std::vector<ot>& program) {
    machine_state m;
    init_state(m);
    doinst(m, program.data(), static_cast<int>(program.size()));
    std::array<unsigned short, 8> out{};
    for (int i = 0; i < 8; ++i) out[i] = m.reg[i];
    return out;
}

std::string output_operand(const command_line& line) {
    require_operands(line, 0, 1, {"FILE"});
    return line.operands.empty() ? "prgs1b.txt" : line.operands[0];
}

std::vector<std::string> output_operands(const command_line& line) {
    if (line.operands.empty()) return {"prgs1b.txt"};
    // The same file twice would count its records twice.
    for (size_t i = 0; i < line.operands.size(); ++i)
        for (size_t k = 0; k < i; ++k)
            if (line.operands[i] == line.operands[k]) usage_error(printable(line.operands[i]) + " is given twice");
    return line.operands;
}

namespace {

// Refuses the output file at path, whose text holds no record, saying why there is none.
[[noreturn]] void refuse_without_record(const std::string& path, const std::string& text) {
    std::string why = "the file is empty";
    if (text.find_first_not_of(" \t\r\n") != std::string::npos) why = "no \"found\" line";
    if (starts_with(text, "Parameters "))
        why = run_kind_of(path, text).complete ? "the exhaustive search finished without reaching a listed S-box"
                                               : "the search has not reached a listed S-box yet";
    if (looks_like_target_list(text)) why = "it looks like a target list (sb2.txt), not a search output";
    data_error(printable(path) + ": no record: " + why);
}

}  // namespace

output_file load_search_output(const std::string& path) {
    const std::string text = read_input(path);
    output_file file = split_output(text);
    if (file.records.empty()) refuse_without_record(path, text);
    return file;
}

std::array<int, 16> sbox_computed(const record& r) {
    const std::array<unsigned short, 8> regs = registers_after(r.program);
    std::array<int, 16> values{};
    for (int x = 0; x < 16; ++x)
        for (int i = 0; i < 4; ++i) values[x] |= ((regs[r.locks[i]] >> x) & 1) << i;
    return values;
}

bool computes_printed_sbox(const record& r) {
    return in_range(r.sbox) && repeated_value(r.sbox) < 0 && sbox_computed(r) == r.sbox;
}

namespace {

// The S-boxes of the target list sb2.txt in the directory of `path`, when its hash is
// list_hash; empty otherwise.
std::vector<std::array<int, 16>> list_beside(const std::string& path, uint64_t list_hash) {
    const size_t slash = path.rfind('/');
    const std::string list_path = (slash == std::string::npos ? std::string() : path.substr(0, slash + 1)) + "sb2.txt";
    bool exists = false;
    const std::string text = read_if_present(list_path, &exists);
    if (!exists || content_hash(text) != list_hash) return {};
    std::vector<std::array<int, 16>> listed;
    std::istringstream values(text);
    std::array<int, 16> sbox{};
    int count = 0;
    for (long v; values >> v; count = (count + 1) % 16) {
        if (v < 0 || v > 15) return {};
        sbox[count] = static_cast<int>(v);
        if (count == 15) listed.push_back(sbox);
    }
    if (count != 0 || !values.eof()) return {};
    return listed;
}

}  // namespace

run_kind run_kind_of(const std::string& path) {
    return run_kind_of(path, read_input(path));
}

run_kind run_kind_of(const std::string& path, const std::string& text) {
    run_kind kind;
    const size_t first_end = text.find('\n');
    const std::string first = text.substr(0, first_end);
    kind.exhaustive = starts_with(first, "Parameters ") && first.size() >= 12 &&
                      first.compare(first.size() - 12, 12, "  exhaustive") == 0;
    // Standard input has no checkpoint beside it.
    checkpoint c;
    kind.complete = kind.exhaustive && path != standard_input_name && read_checkpoint(path + ".checkpoint", c).empty() &&
                    c.exhaustive && c.pass >= 1 && c.output_size == text.size() && c.output_hash == content_hash(text);
    if (kind.complete) {
        kind.max_length = c.limits.length;
        kind.listed = list_beside(path, c.list_hash);
    }
    return kind;
}

std::vector<located_record> read_records(const std::vector<std::string>& paths, const std::string& command,
                                         bool run_programs, std::ostream& err) {
    std::vector<located_record> records;
    for (const std::string& path : paths) {
        const std::string text = read_input(path);
        const output_file file = split_output(text);
        if (file.records.empty()) {
            // A finished exhaustive run that reached nothing has shown something all the same.
            if (run_kind_of(path, text).complete) continue;
            refuse_without_record(path, text);
        }
        for (const raw_record& raw : file.records) {
            if (is_cut_short(raw)) {
                err << "sbtool " << command << ": " << printable(path) << ": skipping the record at line "
                    << raw.first_line << ", cut short by the end of the file\n";
                continue;
            }
            located_record located;
            record& r = located.fields;
            std::string problem;
            if (!parse_record(raw, r, problem)) data_error(printable(path) + ": " + problem);
            if (!in_range(r.sbox) || repeated_value(r.sbox) >= 0)
                data_error(printable(path) + ": line " + std::to_string(r.first_line + 7) + ": not a bijective S-box");
            if (run_programs && !computes_printed_sbox(r))
                data_error(printable(path) + ": record " + std::to_string(r.number) +
                           ": the program does not compute the S-box it prints (sbtool check says more)");
            located.file = path;
            located.id = paths.size() == 1 ? std::to_string(r.number) : path + ":" + std::to_string(r.number);
            located.rank = records.size();
            records.push_back(std::move(located));
        }
    }
    return records;
}
