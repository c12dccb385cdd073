#include "tools/input_file.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <system_error>

#include "tools/tool.h"

namespace {

// Standard input, read to its end the first time it is asked for: it cannot be read twice,
// and a command may look at the same file more than once (its records, then its header). The
// text is kept for the process, as standard input is the process's.
const std::string& standard_input_text() {
    static bool read = false;
    static std::string text;
    if (read) return text;
    read = true;
    std::ostringstream all;
    if (std::cin.peek() != std::istream::traits_type::eof()) all << std::cin.rdbuf();
    if (std::cin.bad()) data_error(std::string(standard_input_name) + ": read error");
    text = all.str();
    return text;
}

}  // namespace

std::string read_if_present(const std::string& path, bool* exists) {
    std::ifstream in(path, std::ios::binary);
    std::error_code ignored;
    *exists = in && !std::filesystem::is_directory(path, ignored);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string read_input(const std::string& path) {
    if (path == standard_input_name) return standard_input_text();
    // Opening a directory succeeds on Linux and reads as an empty file, so it is asked first.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) data_error(printable(path) + ": is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) data_error(printable(path) + ": cannot be opened");
    std::ostringstream text;
    if (in.peek() != std::ifstream::traits_type::eof()) text << in.rdbuf();
    if (in.bad()) data_error(printable(path) + ": read error");
    return text.str();
}
