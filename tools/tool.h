// What every sbtool subcommand shares: the error that ends a subcommand with its exit status,
// the subcommands themselves, and the entry that dispatches to them.
#pragma once

#include <iosfwd>
#include <stdexcept>
#include <string>
#include <vector>

// Exit statuses: 1 for bad data (a malformed value, a non-bijective S-box, a failed check),
// 2 for a usage error (unknown option, missing argument).
constexpr int status_bad_data = 1;
constexpr int status_usage = 2;

// Ends the current subcommand: run_sbtool prints the message as one line on standard error,
// prefixed with the command name, and returns the status.
class tool_error : public std::runtime_error {
public:
    tool_error(int status, const std::string& message) : std::runtime_error(message), status_(status) {}
    int status() const { return status_; }

private:
    int status_;
};

[[noreturn]] inline void usage_error(const std::string& message) {
    throw tool_error(status_usage, message);
}
[[noreturn]] inline void data_error(const std::string& message) {
    throw tool_error(status_bad_data, message);
}

// A subcommand takes its arguments (after its name) and returns the exit status; normal
// output goes to out, summaries and diagnostics to err.
using subcommand_fn = int (*)(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int targets_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int check_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int report_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int best_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int emit_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int analyze_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int search_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
int find_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs sbtool on its arguments (without the program name) and returns the exit status.
int run_sbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Text from the command line or a file as it may appear in a one-line message: at most 60
// characters, anything but a printable character shown as '?'.
std::string printable(const std::string& text);
