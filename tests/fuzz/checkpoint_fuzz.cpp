// Fuzz target for the checkpoint reader: every input is read as a checkpoint as it is, and once
// more with the check line that matches its hash appended, so that the fields behind the check
// are fuzzed too. A refusal must be one line that names the file. A checkpoint that reads is
// written back with write_checkpoint and read again: written once more, it must give the same
// bytes, or the reader and the writer disagree on a field. Any other fault (a sanitizer's
// finding, a failed assertion) aborts.
//
// Run it with tools/run-fuzz.sh (clang only), which also seeds its corpus with a checkpoint that
// a short search writes.
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "fuzz_work_dir.h"
#include "search/checkpoint.h"
#include "search/run.h"

namespace {

std::string read_all(const char* name) {
    std::ifstream file(name, std::ios::binary);
    std::ostringstream all;
    all << file.rdbuf();
    return all.str();
}

// Reads the input as a checkpoint and, when it reads, checks that it survives writing.
void read_and_write_back(const std::string& input) {
    fuzz_work_dir::write("input", input);
    checkpoint c;
    const std::string fault = read_checkpoint("input", c);
    if (!fault.empty()) {
        if (fault.rfind("input ", 0) != 0 || fault.find('\n') != std::string::npos) std::abort();
        return;
    }
    const run_context here;  // a run in the working directory
    write_checkpoint(here, c);
    const std::string written = read_all(checkpoint_name);
    checkpoint again;
    if (!read_checkpoint(checkpoint_name, again).empty()) std::abort();
    write_checkpoint(here, again);
    if (read_all(checkpoint_name) != written) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz_work_dir::enter();
    const std::string text(reinterpret_cast<const char*>(data), size);
    read_and_write_back(text);
    read_and_write_back(text + "end " + std::to_string(content_hash(text)) + "\n");
    return 0;
}
