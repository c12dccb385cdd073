#include "search/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace {
std::atomic<int> writing{0};
std::atomic<int> pending{0};
std::atomic<bool> clear_line{false};

void end_now(int signo) {
    if (clear_line.load() && ::write(2, "\r\033[K", 4) < 0) {
        // Nothing more can be done about a terminal that refuses the write.
    }
    _exit(128 + signo);
}

// The handler notes the signal first and only then looks at the writer, and the writer clears
// its mark first and only then looks for a signal, so one of the two always ends the process.
void on_stop_signal(int signo) {
    pending.store(signo);
    if (writing.load() == 0) end_now(signo);
}
}  // namespace

void install_clean_stop() {
    struct sigaction action = {};
    action.sa_handler = on_stop_signal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void begin_record_write() {
    writing.store(1);
}

void end_record_write() {
    writing.store(0);
    const int signo = pending.load();
    if (signo != 0) end_now(signo);
}

void clear_line_on_stop(bool on) {
    clear_line.store(on);
}
