#include "tools/target_list.h"

#include <cctype>

#include "tools/input_file.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"

namespace {

// The search writes "Parameters " first and a "found " line for every record.
bool looks_like_search_output(const std::string& text) {
    return text.compare(0, 11, "Parameters ") == 0 || text.compare(0, 6, "found ") == 0 ||
           text.find("\nfound ") != std::string::npos;
}

bool is_separator(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

void check_target_list(const std::string& text, const std::string& name) {
    const std::string shown = printable(name);
    if (looks_like_search_output(text))
        data_error(shown + ": it looks like a search output (prgs1b.txt), not a target list");
    size_t line = 1, values = 0, record_line = 0;
    for (size_t i = 0; i < text.size();) {
        if (is_separator(text[i])) {
            line += text[i++] == '\n';
            continue;
        }
        const size_t start = i;
        while (i < text.size() && !is_separator(text[i])) ++i;
        parse_decimal_value(text.substr(start, i - start), shown + ": line " + std::to_string(line));
        if (values++ % 16 == 0) record_line = line;
    }
    if (values == 0) data_error(shown + ": no S-box (a target list holds sixteen values per S-box)");
    if (values % 16 != 0)
        data_error(shown + ": line " + std::to_string(record_line) + ": S-box " + std::to_string(values / 16 + 1) +
                   " ends after " + std::to_string(values % 16) + " of its sixteen values (the list is cut short)");
}

std::string read_target_list(const std::string& path) {
    std::string text = read_input(path);
    check_target_list(text, path);
    return text;
}
