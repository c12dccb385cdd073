#include "tools/input_file.h"

#include <filesystem>
#include <sstream>
#include <system_error>

#include "tools/tool.h"

std::ifstream open_input(const std::string& path) {
    // Opening a directory succeeds on Linux and reads as an empty file, so it is asked first.
    std::error_code ignored;
    if (std::filesystem::is_directory(path, ignored)) data_error(printable(path) + ": is a directory");
    std::ifstream in(path, std::ios::binary);
    if (!in) data_error(printable(path) + ": cannot be opened");
    return in;
}

std::string read_if_present(const std::string& path, bool* exists) {
    std::ifstream in(path, std::ios::binary);
    *exists = static_cast<bool>(in);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string read_input(const std::string& path) {
    std::ifstream in = open_input(path);
    std::ostringstream text;
    if (in.peek() != std::ifstream::traits_type::eof()) text << in.rdbuf();
    if (in.bad()) data_error(printable(path) + ": read error");
    return text.str();
}
