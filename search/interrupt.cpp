#include "search/interrupt.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>

namespace {
// What the signal handler reads: process-wide, because a signal stops the whole process.
std::atomic<int> writing{0};
std::atomic<int> pending{0};
std::atomic<bool> clear_line{false};
// The note on how to go on, copied where the handler can write it without allocating.
char stop_note[1024];
size_t stop_note_size = 0;
std::atomic<bool> stop_note_armed{false};

// Writes what the handler has to say; nothing more can be done about a refused write.
void write_quietly(const char* text, size_t size) {
    if (::write(2, text, size) < 0) return;
}

void end_now(int signo) {
    if (clear_line.load()) write_quietly("\r\033[K", 4);
    if (stop_note_armed.load()) write_quietly(stop_note, stop_note_size);
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

void set_stop_note(const std::string& line) {
    stop_note_armed.store(false);
    stop_note_size = std::min(line.size(), sizeof stop_note);
    std::copy(line.data(), line.data() + stop_note_size, stop_note);
}

void arm_stop_note() {
    if (stop_note_size > 0) stop_note_armed.store(true);
}
