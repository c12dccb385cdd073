// Runs a piece of code in a child process and captures what it writes to standard output,
// so that tests can check the exact text and exit status of the paths that end the process.
#pragma once

#include <sys/types.h>

#include <functional>
#include <sstream>
#include <string>
#include <vector>

struct ChildResult {
    std::string out;     // everything the child wrote to standard output
    int status = -1;     // exit status when the child exited, else -1
    bool returned = false;  // the code returned instead of ending the process
    int signal = 0;      // the signal that ended the child, if any
};

// Forks, runs body with standard output redirected into a pipe, and waits for the child.
ChildResult run_in_child(const std::function<void()>& body);

// Starts argv[0] with the arguments argv, its standard output in out_path and its standard
// error in err_path; returns its process. for_mpirun: Open MPI may run as root (as CI does),
// and under AddressSanitizer the leak check is left out, as it reports what the MPI library
// keeps until the process ends, which is not ours to free; every other check stays on.
pid_t start_program(const std::vector<std::string>& argv, const std::string& out_path, const std::string& err_path,
                    bool for_mpirun = false);

// Waits for a child process: its exit status, or 128 + the signal that ended it.
int wait_for_exit(pid_t pid);

// Runs body in a child process and expects it to end with exactly `out` on standard output
// and exit status `status`.
void expect_exit(const std::function<void()>& body, const std::string& out, int status);

// The text form of anything with a stream output operator.
template <typename T>
std::string text_of(const T& value) {
    std::ostringstream out;
    out << value;
    return out.str();
}

// The lines of a text, without their line ends.
std::vector<std::string> lines_of(const std::string& text);

// The console of a search with the pass times (the first number of a summary) masked.
std::string without_pass_times(const std::string& console);

// Makes a fresh empty directory under the system's temporary folder ($TMPDIR, else /tmp) and
// returns its path. The process that made it removes it, with everything in it, when it exits
// normally; a child that ends by _exit or a signal removes nothing, so the directories children
// work in are made by the parent.
std::string make_temp_dir();

// Reads a whole file; an empty string when it cannot be opened.
std::string read_file(const std::string& path);

// Writes text to path, replacing the file.
void write_file(const std::string& path, const std::string& text);

// The exit status of a child process that could not enter its working directory.
constexpr int cannot_enter_dir_status = 251;

// For a child process: makes dir the working directory, or says why not on standard error and
// ends the child with cannot_enter_dir_status, so that it never runs on in the test's directory.
void change_dir(const std::string& dir);

// Makes path a symbolic link to target; false when it cannot.
bool make_link(const std::string& target, const std::string& path);

// Makes the directory path; false when it cannot.
bool make_dir(const std::string& path);

// A target list of the tests' lists folder, by name.
#ifdef TEST_LIST_DIR
inline std::string list_file(const std::string& name) {
    return read_file(std::string(TEST_LIST_DIR) + "/" + name);
}
#endif
