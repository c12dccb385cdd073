#include "foundation/fatal.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>

namespace {
std::string stderr_prefix;
bool to_stderr = false;
std::atomic<void (*)()> before_fatal{nullptr};
}  // namespace

void call_before_fatal(void (*first)()) {
    before_fatal.store(first);
}

void report_faults_on_stderr(const std::string& prefix) {
    stderr_prefix = prefix;
    to_stderr = true;
}

std::string one_line(std::string message) {
    while (!message.empty() && message.back() == '\n') message.pop_back();
    for (char& c : message)
        if (!std::isprint(static_cast<unsigned char>(c))) c = c == '\n' ? ' ' : '?';
    return message;
}

void fatal(const std::string& message, int status) {
    if (void (*first)() = before_fatal.load()) first();
    std::cout << message;
    std::cout.flush();
    if (to_stderr) {
        std::cerr << stderr_prefix << one_line(message) << "\n";
        std::cerr.flush();
    }
    std::fflush(nullptr);
    // Ends at once, without running destructors, so that a fault found while other threads
    // still run cannot race with the teardown of the streams and tables they use.
    std::_Exit(status);
}
