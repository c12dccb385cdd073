#include "foundation/fatal.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <new>

#include <unistd.h>

namespace {
// How the process reports a fault on its way out: process-wide, like the exit it ends in.
std::string stderr_prefix;
bool to_stderr = false;
std::atomic<void (*)(void*)> before_fatal{nullptr};
std::atomic<void*> before_fatal_context{nullptr};

// Calls the hook set by call_before_fatal, if any.
void run_before_fatal() {
    if (void (*first)(void*) = before_fatal.load()) first(before_fatal_context.load());
}
}  // namespace

namespace {
// Writes text to fd, ignoring a failure: the process is about to end.
void write_raw(int fd, const char* text, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, text, size);
        if (n <= 0) return;
        text += n;
        size -= static_cast<size_t>(n);
    }
}

// Whether running out of memory is also reported on the console (worker ranks have none).
bool memory_fault_on_console = true;

void out_of_memory() {
    static const char message[] = "Out of memory\n";
    run_before_fatal();
    std::cout.flush();
    if (memory_fault_on_console) write_raw(1, message, sizeof message - 1);
    if (to_stderr) {
        std::cerr.flush();
        write_raw(2, stderr_prefix.data(), stderr_prefix.size());
        write_raw(2, "out of memory\n", 14);
    }
    std::_Exit(1);
}
}  // namespace

void end_on_out_of_memory(bool on_console) {
    memory_fault_on_console = on_console;
    std::set_new_handler(out_of_memory);
}

void call_before_fatal(void (*first)(void*), void* context) {
    before_fatal.store(nullptr);
    before_fatal_context.store(context);
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
    run_before_fatal();
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
