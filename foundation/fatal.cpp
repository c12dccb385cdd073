#include "foundation/fatal.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {
std::string stderr_prefix;
bool to_stderr = false;
}  // namespace

void report_faults_on_stderr(const std::string& prefix) {
    stderr_prefix = prefix;
    to_stderr = true;
}

void fatal(const std::string& message, int status) {
    std::cout << message;
    std::cout.flush();
    if (to_stderr) {
        std::string line = message;
        while (!line.empty() && line.back() == '\n') line.pop_back();
        for (char& c : line)
            if (c == '\n') c = ' ';
        std::cerr << stderr_prefix << line << "\n";
        std::cerr.flush();
    }
    std::fflush(nullptr);
    // Ends at once, without running destructors, so that a fault found while other threads
    // still run cannot race with the teardown of the streams and tables they use.
    std::_Exit(status);
}
