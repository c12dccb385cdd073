// Fuzz target for the reader of search outputs (prgs1b.txt) that sbtool's subcommands share:
// every input is written as prgs1b.txt in a private directory and read by sbtool check, best
// and emit in this process, and split and parsed record by record as they do. An exit status
// other than 0 or 1, a line on standard error that does not name its subcommand, a parsed
// record whose program is not as long as its "r" field says, or an instruction whose text does
// not read back as the same instruction is a bug and aborts, as does any sanitizer's finding.
//
// Run it with tools/run-fuzz.sh (clang only), which also seeds its corpus.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "fuzz_work_dir.h"
#include "tools/record.h"
#include "tools/tool.h"

namespace {

const std::vector<std::vector<std::string>> commands = {
    {"check", "prgs1b.txt"},
    {"best", "prgs1b.txt"},
    {"emit", "prgs1b.txt", "1"},
};

// Every line of err starts with "sbtool COMMAND: ".
bool names_its_command(const std::string& err, const std::string& command) {
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("sbtool " + command + ": ", 0) != 0) return false;
    return true;
}

bool same_instruction(const ot& a, const ot& b) {
    return a.o == b.o && a.r1 == b.r1 && a.r2 == b.r2;
}

// What the subcommands rely on in a record that parses.
void check_parsed_records(const std::string& text) {
    for (const raw_record& raw : split_output(text).records) {
        record r;
        std::string problem;
        if (is_cut_short(raw) || !parse_record(raw, r, problem)) continue;
        if (static_cast<long>(r.program.size()) != r.length) std::abort();
        for (const ot& x : r.program) {
            ot back{};
            if (!parse_instruction(instruction_text(x), back) || !same_instruction(x, back)) std::abort();
        }
        computes_printed_sbox(r);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_work_dir::enter();
    const std::string text(reinterpret_cast<const char*>(data), size);
    fuzz_work_dir::write("prgs1b.txt", text);
    for (const std::vector<std::string>& args : commands) {
        std::ostringstream out, err;
        const int status = run_sbtool(args, out, err);
        if ((status != 0 && status != 1) || !names_its_command(err.str(), args[0])) std::abort();
    }
    check_parsed_records(text);
    return 0;
}
