// Opening the files a user names on the command line: a directory or a file that cannot be
// opened is refused with one line that names it, before anything is read.
#pragma once

#include <fstream>
#include <string>

// The file opened for reading; a bad-data error "PATH: is a directory" or "PATH: cannot be
// opened" otherwise.
std::ifstream open_input(const std::string& path);

// The whole content of a file opened with open_input; a bad-data error naming the file when it
// cannot be read to its end.
std::string read_input(const std::string& path);

// The content of a file that may be missing or unreadable: empty then, and *exists false.
std::string read_if_present(const std::string& path, bool* exists);
