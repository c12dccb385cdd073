#include "search/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

namespace {
std::atomic<int> writing{0};
std::atomic<int> pending{0};

// The handler notes the signal first and only then looks at the writer, and the writer clears
// its mark first and only then looks for a signal, so one of the two always ends the process.
void on_stop_signal(int signo) {
    pending.store(signo);
    if (writing.load() == 0) _exit(128 + signo);
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
    if (signo != 0) _exit(128 + signo);
}
