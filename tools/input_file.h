// Opening the files a user names on the command line: a directory or a file that cannot be
// opened is refused with one line that names it, before anything is read. "-" names standard
// input.
#pragma once

#include <string>

// The name that stands for standard input wherever sbtool reads a file ("-", and "@-" for an
// S-box list).
constexpr const char* standard_input_name = "-";

// The whole content of a file, or of standard input for "-" (read once; a later read of "-"
// in the same process gives the same text). A bad-data error "PATH: is a directory",
// "PATH: cannot be opened" or "PATH: read error" otherwise.
std::string read_input(const std::string& path);

// The content of a file that may be missing or unreadable (a directory is not one): empty then,
// and *exists false.
std::string read_if_present(const std::string& path, bool* exists);
