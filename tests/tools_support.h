// Helpers of the sbtool tests: running sbtool in-process or as the built program, and a real
// search output to check, summarise and emit from.
#pragma once

#include <string>

#include "child_process.h"
#include <vector>

struct tool_result {
    int status = -1;
    std::string out;  // standard output
    std::string err;  // standard error
};

// run_sbtool in this process, with both streams captured.
tool_result sbtool(const std::vector<std::string>& args);

// The built sbtool program run through the shell, both streams captured, with the working
// directory dir (the current one when empty).
tool_result sbtool_program(const std::vector<std::string>& args, const std::string& dir = "");

// A command line run through the shell; its exit status, standard output and error.
tool_result shell(const std::string& command);

// The output file ends with a whole record (its length says how many program lines follow
// the nine lines of its head) or with a "Starting " line.
bool ends_cleanly(const std::string& file);

// Waits until the file at path contains text; false when it does not within two minutes.
bool wait_for_text(const std::string& path, const std::string& text);

// Quotes text for the shell.
std::string quoted(const std::string& text);


// The S-boxes of the test target list, written by three short programs, so that the search
// reaches some of them within seconds.
extern const std::vector<std::string> easy_sboxes;

// The target list of the easy S-boxes with their inverses and input permutations.
std::string easy_target_list();

// The output file of a real search on the easy target list, cut after its first
// `real_run_records` records. The search runs in a child process until it has started a
// record beyond them and is then stopped; the text is cached beside the test program, keyed by
// the program's build, because the fixed seed makes it the same on every run. Empty when the
// search fails, with the reason in *problem.
constexpr int real_run_records = 3;
std::string real_search_output(std::string* problem = nullptr);
