// The one way the system ends on a detected fault: the message, exactly as worded, on
// standard output, then the process ends with the given status.
#pragma once

#include <string>

[[noreturn]] void fatal(const std::string& message, int status);
