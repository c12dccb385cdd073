// The one way the system ends on a detected fault: the message, exactly as worded, on
// standard output, then the process ends with the given status.
#pragma once

#include <string>

[[noreturn]] void fatal(const std::string& message, int status);

// A message as one printable line: trailing line ends dropped, inner ones as blanks, any other
// byte that is not a printable character as '?'.
std::string one_line(std::string message);

// A function fatal calls, with `context`, before it writes anything (a live status line on the
// terminal clears itself there), or nullptr for none.
void call_before_fatal(void (*first)(void*), void* context);

// From now on fatal also writes its message as one line on standard error, after `prefix`
// (a program whose errors belong there, while its console keeps the system's own texts).
void report_faults_on_stderr(const std::string& prefix);

// From now on a failed allocation, in any thread, ends the process with status 1 and one line,
// "Out of memory" on standard output unless on_console is false, and "out of memory" after the
// standard-error prefix when one is set, instead of an uncaught exception. Nothing is allocated
// on the way out.
void end_on_out_of_memory(bool on_console = true);
