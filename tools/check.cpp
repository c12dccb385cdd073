// sbtool check: re-checks every record of a search output against the register machine, the
// algebraic normal form and, optionally, the target list the search ran on.
#include <algorithm>
#include <cstdio>
#include <deque>
#include <ostream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/anf.h"
#include "search/targets.h"
#include "tools/args.h"
#include "tools/class_load.h"
#include "tools/json.h"
#include "tools/record.h"
#include "tools/sbox_text.h"
#include "tools/target_list.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool check [--targets LIST] [--json] [FILE]\n"
    "\n"
    "Checks every record of a search output FILE (default prgs1b.txt, - for standard input) on\n"
    "its own: runs the program on the register machine from the start state and checks that the\n"
    "locked registers (the first numbers of lines 4 to 7) hold the truth tables printed, that the\n"
    "degree and ANF printed are those of each truth table and \" o \" their minimum (at most 3),\n"
    "that line 8 is the S-box of the four tables (a bijection) and line 9 its inverse, and that\n"
    "the program has the length given after \" r \".\n"
    "\n"
    "  --targets LIST   also load LIST (the sb2.txt the search ran on; - for standard input) as\n"
    "                   the search does and check the row after \" n \", the \" p \" rows (input\n"
    "                   permutations) and the \" in \" rows (input permutations of the inverse);\n"
    "                   the \" t \" totals depend on the search's history and are checked for\n"
    "                   their form only. A directory, a search output, a file without an S-box,\n"
    "                   a last S-box with fewer than sixteen values and a value that is not a\n"
    "                   decimal number 0..15 (such as +12 or 65548) are refused.\n"
    "  --json           print one JSON document instead: {\"file\", \"records\": [{\"line\",\n"
    "                   \"record\", \"result\", \"problem\", and for a record that could be read\n"
    "                   \"sbox\" (as printed, hexadecimal; null when a value is not 0..15),\n"
    "                   \"length\", \"program\"}], \"passed\", \"failed\"}\n"
    "\n"
    "Prints one line per record, OK or its first mismatch, and a final \"N passed, N failed\"\n"
    "line. A last record cut short (the search was stopped while writing it) is reported as\n"
    "incomplete and counts neither way. Exit status 1 when any record fails, and when FILE holds\n"
    "no record at all.\n";

const std::vector<option_spec> options = {{"targets", "LIST"}, {"json", nullptr}};

std::string streamed_form(ANF form) {
    std::ostringstream text;
    text << form;
    std::string s = text.str();
    if (!s.empty() && s.back() == ' ') s.pop_back();
    return s;
}

template <typename T>
std::string rows_text(const std::vector<T>& rows) {
    std::string text;
    for (const T& r : rows) text += (text.empty() ? "" : " ") + std::to_string(r);
    return text.empty() ? "none" : text;
}

// The first mismatch of a parsed record, or an empty string. with_targets: the class and
// target tables hold the search's target list.
std::string first_mismatch(const record& r, bool with_targets) {
    auto at = [&](size_t index, const std::string& what) { return "line " + std::to_string(r.first_line + index) + ": " + what; };
    const std::array<unsigned short, 8> regs = registers_after(r.program);
    unsigned short words[4];
    for (int i = 0; i < 4; ++i) {
        words[i] = regs[r.locks[i]];
        if (table_text(words[i]) != r.tables[i])
            return at(3 + i, "register " + std::to_string(r.locks[i]) + " holds " + table_text(words[i]) +
                                 " after the program, the record prints " + r.tables[i]);
    }
    int lowest = 3;
    for (int i = 0; i < 4; ++i) {
        ANF form = get_ANF(Bits(&words[i], 16));
        const std::string expected = streamed_form(form);
        if (expected != r.forms[i])
            return at(3 + i, "the ANF of the truth table is " + expected + ", the record prints " + r.forms[i]);
        const int degree = form.get_order();
        if (degree != r.degrees[i])
            return at(3 + i, "the degree of the truth table is " + std::to_string(degree) + ", the record prints " +
                                 std::to_string(r.degrees[i]));
        lowest = std::min(lowest, degree);
    }
    if (lowest != r.order)
        return at(0, "the lowest degree (at most 3) is " + std::to_string(lowest) + ", the record prints o " +
                         std::to_string(r.order));
    const std::array<int, 16> values = sbox_computed(r);
    if (values != r.sbox)
        return at(7, "the S-box of the four truth tables is " + values_text(values) + ", the record prints " +
                         values_text(r.sbox));
    const int twice = repeated_value(values);
    if (twice >= 0) return at(7, "the S-box is not a bijection (value " + std::to_string(twice) + " occurs twice)");
    const std::array<int, 16> inverse = inverse_of(values);
    if (inverse != r.inverse)
        return at(8, "the inverse S-box is " + values_text(inverse) + ", the record prints " + values_text(r.inverse));
    if (!with_targets) return "";
    const int row = get_sb4(words[0], words[1], words[2], words[3]);
    if (row < 0) return at(0, "the S-box is not on the target list");
    if (row != r.row)
        return at(0, "the S-box is row " + std::to_string(row) + " of the target list, the record prints n " +
                         std::to_string(r.row));
    std::vector<int> perms, inverses, printed_inverses;
    for (int k = 0; k < 24; ++k) {
        if (per[row][k] != -1) perms.push_back(per[row][k]);
        if (inv[row][k] != -1) inverses.push_back(inv[row][k]);
    }
    for (const inverse_entry& e : r.inverses) printed_inverses.push_back(e.row);
    if (inverses != printed_inverses)
        return at(1, "the inverse's permutation rows are " + rows_text(inverses) + ", the record prints " +
                         rows_text(printed_inverses));
    if (perms != r.perms)
        return at(2, "the permutation rows are " + rows_text(perms) + ", the record prints " + rows_text(r.perms));
    return "";
}

// One line of check's report: a record or a stray line, and its verdict.
struct verdict {
    size_t line;
    long number;          // the record's report number, -1 for a stray line or an unreadable first line
    const char* result;   // "OK", "FAIL" or "incomplete"
    std::string problem;  // what failed, empty otherwise
    std::string text;     // the report line
    const record* fields = nullptr;  // the record as read, when it could be read
};

void write_json(const std::string& path, const std::vector<verdict>& verdicts, size_t passed, size_t failed,
                std::ostream& out) {
    json_writer json(out);
    json.begin_object().key("file").value(path).key("records").begin_array();
    for (const verdict& v : verdicts) {
        json.begin_object().key("line").value(static_cast<long>(v.line)).key("record");
        if (v.number >= 0)
            json.value(v.number);
        else
            json.null();
        json.key("result").value(v.result).key("problem");
        if (v.problem.empty())
            json.null();
        else
            json.value(v.problem);
        if (v.fields) {
            // A record may print values outside 0..15, which have no hexadecimal digit.
            json.key("sbox");
            if (in_range(v.fields->sbox))
                json.value(hex_text(v.fields->sbox));
            else
                json.null();
            json.key("length").value(v.fields->length);
            json.key("program").begin_array();
            for (const ot& x : v.fields->program) json.value(instruction_text(x));
            json.end_array();
        }
        json.end_object();
    }
    json.end_array();
    json.key("passed").value(static_cast<long>(passed)).key("failed").value(static_cast<long>(failed)).end_object();
    json.finish();
}

// The report number of a "found N ..." line, or -1.
long report_number_of(const std::string& first_line) {
    long number = -1;
    if (std::sscanf(first_line.c_str(), "found %ld", &number) != 1) return -1;
    return number;
}

}  // namespace

int check_command(const std::vector<std::string>& args, std::ostream& out, std::ostream&) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    const std::string path = output_operand(line);
    const bool with_targets = line.has("targets");
    if (with_targets) {
        const std::string list = line.value_or("targets", "");
        load_target_list(read_target_list(list), list);
    }
    const output_file file = load_search_output(path);
    size_t passed = 0, failed = 0;
    std::vector<verdict> verdicts;
    std::deque<record> read_fields;  // the records the verdicts point to
    for (const stray_line& s : file.stray) {
        const std::string problem = "not part of a record: \"" + printable(s.text) + "\"";
        verdicts.push_back({s.line, -1, "FAIL", problem, "line " + std::to_string(s.line) + ": FAIL " + problem});
        ++failed;
    }
    for (const raw_record& raw : file.records) {
        const std::string name = printable(raw.lines[0].substr(0, raw.lines[0].find(" r ")));
        const std::string head = name + " (line " + std::to_string(raw.first_line) + "): ";
        const long number = report_number_of(raw.lines[0]);
        if (is_cut_short(raw)) {
            verdicts.push_back({raw.first_line, number, "incomplete", "",
                                head + "incomplete (the file ends inside the record)"});
            continue;
        }
        record r;
        std::string problem;
        const bool readable = parse_record(raw, r, problem);
        if (readable) {
            problem = first_mismatch(r, with_targets);
            read_fields.push_back(r);
        }
        verdicts.push_back({raw.first_line, number, problem.empty() ? "OK" : "FAIL", problem,
                            head + (problem.empty() ? "OK" : "FAIL " + problem),
                            readable ? &read_fields.back() : nullptr});
        ++(problem.empty() ? passed : failed);
    }
    std::stable_sort(verdicts.begin(), verdicts.end(),
                     [](const verdict& a, const verdict& b) { return a.line < b.line; });
    std::ostringstream text;
    if (line.flag("json")) {
        write_json(path, verdicts, passed, failed, text);
    } else {
        for (const verdict& v : verdicts) text << v.text << "\n";
        text << passed << " passed, " << failed << " failed\n";
    }
    out << text.str();
    return failed ? status_bad_data : 0;
}
