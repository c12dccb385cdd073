// sbtool report: for each S-box the user names, the shortest program found for it and for its
// inverse in one or more search outputs, counting a program for every S-box it computes once its
// input bits and output bits are relabelled, and how to wire it for exactly that S-box.
#include <ostream>
#include <sstream>

#include "tools/args.h"
#include "tools/json.h"
#include "tools/record.h"
#include "tools/relabel.h"
#include "tools/sbox_text.h"
#include "tools/shortest.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool report --sboxes SBOX [--sboxes SBOX]... [--json] [FILE...]\n"
    "\n"
    "For each named S-box, the shortest program the search outputs FILE (default prgs1b.txt;\n"
    "- for standard input) hold for it and for its inverse. A record counts for an S-box T when\n"
    "its program computes T once its input bits and output bits are put in another order (which\n"
    "costs nothing): fed input bit reads[r] of T in register r, its output bit i is the record's\n"
    "output bit from[i]. No constant is added to inputs or outputs.\n"
    "\n"
    "  --sboxes SBOX  an S-box to report on, in any form sbtool --help gives, or @FILE (@- for\n"
    "                 standard input) for a file of them, one a line, where a \"# NAME\" comment\n"
    "                 after an S-box names it (otherwise its hexadecimal form is its name); may\n"
    "                 be given several times. Every S-box must be a bijection.\n"
    "  --json         print one JSON document instead: {\"files\", \"exhaustive\" (null, or the\n"
    "                 finished exhaustive FILE and its max_length), \"sboxes\": [{\"name\", \"sbox\",\n"
    "                 \"inverse\", \"shortest\", \"inverse_shortest\", \"sum\"}], \"unmatched\"}, each\n"
    "                 shortest program with its length, file, record, record_sbox (the S-box the\n"
    "                 record prints), wiring and instructions\n"
    "\n"
    "Prints a table, one line per named S-box: its name, its hexadecimal form, the length of the\n"
    "shortest program for it and the record that holds it, the same for its inverse, and the sum\n"
    "of the two lengths; \"-\" where none was found. Of programs of the same length the earliest\n"
    "record is named; with several FILEs a record is FILE:NUMBER. Then one line per program\n"
    "found, giving its wiring: \"rR=in[J]\", register R starts with input bit J, and\n"
    "\"out[I]=rR\", output bit I is read from register R. sbtool emit --sbox writes the code wired\n"
    "this way. The last line counts the records that compute none of the named S-boxes or their\n"
    "inverses.\n"
    "\n"
    "When a FILE comes from a finished exhaustive search (sbtool search --exhaustive, with its\n"
    "checkpoint FILE.checkpoint and the list it searched for, sb2.txt, beside it), every length\n"
    "shown for an S-box on that list is the shortest the search's rules allow, and \"none\" stands\n"
    "where no program within its limits exists.\n"
    "\n"
    "A record whose program does not compute the S-box it prints is an error (sbtool check says\n"
    "more), and so is a FILE with no record but that of a finished exhaustive search; a last\n"
    "record cut short is skipped.\n";

const std::vector<option_spec> options = {{"sboxes", "SBOX"}, {"json", nullptr}};

// What the files tell beyond their records: whether one of them searched the whole tree.
struct exhaustive_finding {
    std::string complete;    // a file of a complete exhaustive run, empty when none
    int max_length = 0;      // its length limit
    std::vector<sbox_values> listed;  // what that run searched for
    std::string unfinished;  // a file of an exhaustive run that has not finished
};

exhaustive_finding exhaustive_files(const std::vector<std::string>& files) {
    exhaustive_finding found;
    for (const std::string& f : files) {
        const run_kind kind = run_kind_of(f);
        if (kind.complete && !kind.listed.empty() && found.complete.empty()) {
            found.complete = f;
            found.max_length = kind.max_length;
            found.listed = kind.listed;
        } else if (kind.exhaustive && !kind.complete && found.unfinished.empty()) {
            found.unfinished = f;
        }
    }
    return found;
}

// Whether a complete exhaustive run searched for the S-box: it is on that run's list up to the
// order of its input and output bits.
bool searched_whole(const exhaustive_finding& e, const sbox_values& sbox) {
    for (const sbox_values& listed : e.listed)
        if (find_relabelling(sbox, listed)) return true;
    return false;
}

// "-" where no program was found; "none" where a complete exhaustive run that searched for the
// S-box shows that there is none.
std::string absent_text(const exhaustive_finding& e, const sbox_values& sbox) {
    return searched_whole(e, sbox) ? "none" : "-";
}

std::string length_text(const shortest& s, const exhaustive_finding& e, const sbox_values& sbox) {
    return s.holder ? std::to_string(s.holder->fields.length) : absent_text(e, sbox);
}

std::string sum_text(const named_result& n, const exhaustive_finding& e) {
    if (!n.direct.holder) return absent_text(e, n.sbox);
    if (!n.of_inverse.holder) return absent_text(e, n.inverse);
    return std::to_string(n.direct.holder->fields.length + n.of_inverse.holder->fields.length);
}

void print_text(const std::vector<named_result>& results, const std::vector<const located_record*>& unmatched,
                const exhaustive_finding& e, std::ostream& out) {
    std::vector<std::vector<std::string>> rows = {
        {"name", "sbox", "length", "record", "inverse length", "inverse record", "sum"}};
    for (const named_result& n : results)
        rows.push_back({printable(n.name), hex_text(n.sbox), length_text(n.direct, e, n.sbox),
                        n.direct.holder ? n.direct.holder->id : "-", length_text(n.of_inverse, e, n.inverse),
                        n.of_inverse.holder ? n.of_inverse.holder->id : "-", sum_text(n, e)});
    print_columns(rows, out);
    std::string wirings;
    for (const named_result& n : results)
        for (const shortest* s : {&n.direct, &n.of_inverse}) {
            if (!s->holder) continue;
            wirings += printable(n.name) + (s == &n.of_inverse ? " inverse" : "") + ": record " + s->holder->id +
                       ": " + match_wiring_text(s->match, s->holder->fields.locks) + "\n";
        }
    if (!wirings.empty()) out << "\n" << wirings;
    if (!e.complete.empty())
        out << "\n" << printable(e.complete) << " searched the whole tree of programs of up to " << e.max_length
            << " instructions\nfor the S-boxes of its list: every length above is the shortest the search's\n"
               "rules allow, and \"none\" means that no such program computes the S-box.\n";
    else if (!e.unfinished.empty())
        out << "\n" << printable(e.unfinished) << " is an exhaustive search that has not finished its pass.\n";
    std::string ids;
    for (const located_record* r : unmatched) ids += (ids.empty() ? " (" : " ") + r->id;
    out << "\nrecords that compute no named S-box: " << unmatched.size() << (ids.empty() ? "" : ids + ")") << "\n";
}

void write_shortest(json_writer& json, const shortest& s) {
    if (!s.holder) {
        json.null();
        return;
    }
    const record& r = s.holder->fields;
    json.begin_object();
    json.key("length").value(r.length);
    json.key("file").value(s.holder->file);
    json.key("record").value(r.number);
    json.key("record_sbox").value(hex_text(r.sbox));
    json.key("wiring").begin_object();
    json.key("inputs").values(s.match.how.reads);
    json.key("outputs").values(output_registers(s.match.how, r.locks));
    json.key("text").value(match_wiring_text(s.match, r.locks));
    json.end_object();
    json.key("program").begin_array();
    for (const ot& x : r.program) json.value(instruction_text(x));
    json.end_array().end_object();
}

void write_json(const std::vector<std::string>& files, const std::vector<named_result>& results,
                const std::vector<const located_record*>& unmatched, const exhaustive_finding& e,
                std::ostream& out) {
    json_writer json(out);
    json.begin_object();
    json.key("files").values(files);
    // With a complete exhaustive run, a null shortest means that no program exists.
    json.key("exhaustive");
    if (e.complete.empty()) json.null();
    else json.begin_object().key("file").value(e.complete).key("max_length").value(e.max_length).end_object();
    json.key("sboxes").begin_array();
    for (const named_result& n : results) {
        json.begin_object();
        json.key("name").value(n.name);
        json.key("sbox").value(hex_text(n.sbox));
        json.key("inverse").value(hex_text(n.inverse));
        json.key("shortest");
        write_shortest(json, n.direct);
        json.key("inverse_shortest");
        write_shortest(json, n.of_inverse);
        json.key("sum");
        if (n.direct.holder && n.of_inverse.holder)
            json.value(n.direct.holder->fields.length + n.of_inverse.holder->fields.length);
        else
            json.null();
        json.end_object();
    }
    json.end_array();
    json.key("unmatched").begin_array();
    for (const located_record* r : unmatched)
        json.begin_object().key("file").value(r->file).key("record").value(r->fields.number).end_object();
    json.end_array().end_object().finish();
}

}  // namespace

int report_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    if (!line.has("sboxes")) usage_error("missing option --sboxes");
    const std::vector<sourced_sbox> named = expand_sbox_args(line.values_of("sboxes"), true);
    if (named.empty()) data_error("no S-boxes given (the files hold none)");
    const std::vector<std::string> files = output_operands(line);
    const std::vector<located_record> records = read_records(files, "report", true, err);
    std::vector<named_result> results = named_results(named);
    std::vector<const located_record*> unmatched;
    for (const located_record& located : records)
        if (!consider_record(located, results, {})) unmatched.push_back(&located);
    const exhaustive_finding e = exhaustive_files(files);
    std::ostringstream text;
    if (line.flag("json"))
        write_json(files, results, unmatched, e, text);
    else
        print_text(results, unmatched, e, text);
    out << text.str();
    return 0;
}
