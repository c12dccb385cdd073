// sbtool best: the shortest program found for every S-box of one or more search outputs.
#include <algorithm>
#include <map>
#include <ostream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "sbox/permute.h"
#include "tools/args.h"
#include "tools/json.h"
#include "tools/record.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool best [--json] [FILE...]\n"
    "\n"
    "Lists every S-box reached in the search output FILEs (default prgs1b.txt; - for standard\n"
    "input) with the shortest program found for it, one line each, sorted by the S-box's values:\n"
    "\n"
    "  s S(0)  S(1)  ...  S(15)  r LENGTH  found REPORT[  t TOTAL]  hex HEX\n"
    "\n"
    "REPORT is the report number of the earliest record of that length. TOTAL is LENGTH plus\n"
    "the length of the shortest program for the inverse S-box, given when the inverse is\n"
    "reached too. HEX is the S-box as sixteen hexadecimal digits, S(0) first. As in the search, a program counts for the inverse when it computes it up to\n"
    "the order of the input bits and of the output bits, since renaming registers is free.\n"
    "\n"
    "Several FILEs (say, runs with different seeds) are merged: REPORT is then FILE:NUMBER, and\n"
    "of programs of the same length the one of the earlier FILE is named.\n"
    "\n"
    "  --json  print one JSON document instead: {\"sboxes\": [...]}, one object per line above\n"
    "          with the S-box in hexadecimal and as values, the length, the file and report\n"
    "          number, the total (or null) and the program as instruction strings\n"
    "\n"
    "A last record cut short (the search was stopped while writing it) is skipped; any other\n"
    "malformed record and a record whose program does not compute the S-box it prints are\n"
    "errors (sbtool check says more), and so is a FILE with no record (but that of a finished\n"
    "exhaustive search, which shows that there is none).\n";

const std::vector<option_spec> options = {{"json", nullptr}};

using coordinate_set = std::array<unsigned short, 4>;

coordinate_set coordinates_of(const Sbox& s) {
    coordinate_set w = {bits_to_word(s.b[0]), bits_to_word(s.b[1]), bits_to_word(s.b[2]), bits_to_word(s.b[3])};
    std::sort(w.begin(), w.end());
    return w;
}

}  // namespace

int best_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const command_line line = parse_command_line(args, options);
    if (line.help) {
        out << help_text;
        return 0;
    }
    const std::vector<located_record> records = read_records(output_operands(line), "best", true, err);
    std::map<sbox_values, const located_record*> best;
    std::map<coordinate_set, long> by_set;  // shortest length per coordinate set
    for (const located_record& located : records) {
        const record& r = located.fields;
        auto found = best.find(r.sbox);
        if (found == best.end() || r.length < found->second->fields.length) best[r.sbox] = &located;
        const coordinate_set set = coordinates_of(make_sbox(r.sbox));
        auto known = by_set.find(set);
        if (known == by_set.end() || r.length < known->second) by_set[set] = r.length;
    }
    std::ostringstream text;
    json_writer json(text);
    const bool as_json = line.flag("json");
    if (as_json) json.begin_object().key("sboxes").begin_array();
    for (const auto& [values, shortest] : best) {
        const record& r = shortest->fields;
        const Sbox inverse = make_sbox(values).inverse();
        long inverse_length = -1;
        for (int k = 0; k < 24; ++k) {
            auto known = by_set.find(coordinates_of(permuteSB4(inverse, k, 0)));
            if (known != by_set.end() && (inverse_length < 0 || known->second < inverse_length))
                inverse_length = known->second;
        }
        if (as_json) {
            json.begin_object();
            json.key("sbox").value(hex_text(values));
            json.key("values").values(values);
            json.key("length").value(r.length);
            json.key("file").value(shortest->file);
            json.key("record").value(r.number);
            json.key("total");
            if (inverse_length >= 0)
                json.value(r.length + inverse_length);
            else
                json.null();
            json.key("program").begin_array();
            for (const ot& x : r.program) json.value(instruction_text(x));
            json.end_array().end_object();
            continue;
        }
        text << "s " << values_text(values) << "  r " << r.length << "  found " << shortest->id;
        if (inverse_length >= 0) text << "  t " << r.length + inverse_length;
        text << "  hex " << hex_text(values) << "\n";
    }
    if (as_json) json.end_array().end_object().finish();
    out << text.str();
    return 0;
}
