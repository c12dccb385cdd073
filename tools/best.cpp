// sbtool best: the shortest program found for every S-box of a search output.
#include <algorithm>
#include <map>
#include <ostream>
#include <set>

#include "classes/quikfnd3.h"
#include "sbox/permute.h"
#include "tools/args.h"
#include "tools/record.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

const char* const help_text =
    "usage: sbtool best [FILE]\n"
    "\n"
    "Lists every S-box reached in a search output FILE (default prgs1b.txt) with the shortest\n"
    "program found for it, one line each, sorted by the S-box's values:\n"
    "\n"
    "  s S(0)  S(1)  ...  S(15)  r LENGTH  found REPORT[  t TOTAL]\n"
    "\n"
    "REPORT is the report number of the earliest record of that length. TOTAL is LENGTH plus\n"
    "the length of the shortest program for the inverse S-box, given when the inverse is\n"
    "reached too. As in the search, a program counts for the inverse when it computes it up to\n"
    "the order of the input bits and of the output bits, since renaming registers is free.\n"
    "A last record cut short (the search was stopped while writing it) is skipped; any other\n"
    "malformed record is an error (sbtool check says more).\n";

using coordinate_set = std::array<unsigned short, 4>;

struct shortest {
    long length;
    long number;
};

coordinate_set coordinates_of(const Sbox& s) {
    coordinate_set w = {bits_to_word(s.b[0]), bits_to_word(s.b[1]), bits_to_word(s.b[2]), bits_to_word(s.b[3])};
    std::sort(w.begin(), w.end());
    return w;
}

bool in_range(const std::array<int, 16>& v) {
    for (int x : v)
        if (x < 0 || x > 15) return false;
    return true;
}

}  // namespace

int best_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const command_line line = parse_command_line(args, {});
    if (line.help) {
        out << help_text;
        return 0;
    }
    const std::string path = output_operand(line);
    const output_file file = split_output(read_output_file(path));
    std::map<sbox_values, shortest> best;
    std::map<coordinate_set, long> by_set;  // shortest length per coordinate set
    for (const raw_record& raw : file.records) {
        if (is_cut_short(raw)) {
            err << "sbtool best: " << printable(path) << ": skipping the record at line " << raw.first_line
                << ", cut short by the end of the file\n";
            continue;
        }
        record r;
        std::string problem;
        if (!parse_record(raw, r, problem)) data_error(printable(path) + ": " + problem);
        if (!in_range(r.sbox) || repeated_value(r.sbox) >= 0)
            data_error(printable(path) + ": line " + std::to_string(r.first_line + 7) + ": not a bijective S-box");
        auto found = best.find(r.sbox);
        if (found == best.end() || r.length < found->second.length) best[r.sbox] = {r.length, r.number};
        const coordinate_set set = coordinates_of(make_sbox(r.sbox));
        auto known = by_set.find(set);
        if (known == by_set.end() || r.length < known->second) by_set[set] = r.length;
    }
    for (const auto& [values, shortest_program] : best) {
        out << "s ";
        for (int x = 0; x < 16; ++x) out << (x ? "  " : "") << values[x];
        out << "  r " << shortest_program.length << "  found " << shortest_program.number;
        const Sbox inverse = make_sbox(values).inverse();
        long inverse_length = -1;
        for (int k = 0; k < 24; ++k) {
            auto known = by_set.find(coordinates_of(permuteSB4(inverse, k, 0)));
            if (known != by_set.end() && (inverse_length < 0 || known->second < inverse_length))
                inverse_length = known->second;
        }
        if (inverse_length >= 0) out << "  t " << shortest_program.length + inverse_length;
        out << "\n";
    }
    return 0;
}
