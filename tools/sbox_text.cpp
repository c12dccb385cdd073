#include "tools/sbox_text.h"

#include <cassert>
#include <cctype>
#include <sstream>

#include "tools/input_file.h"
#include "tools/tool.h"

namespace {

bool is_blank(char c) {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && is_blank(s[b])) ++b;
    while (e > b && is_blank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

bool is_hex_digits(const std::string& s, size_t count) {
    if (s.size() != count) return false;
    for (char c : s)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

// The sixteen digits of a hexadecimal S-box, S(0) first, or "" when the text is none: sixteen
// digits, with "0x" or "0X" before them or not, or eight groups of two digits separated by
// blanks ("c5 6b 90 ad 3e f8 47 12"). Sixteen blank-separated values are never hexadecimal.
std::string hex_digits_of(const std::string& text) {
    const bool prefixed = text.size() == 18 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (is_hex_digits(prefixed ? text.substr(2) : text, 16)) return prefixed ? text.substr(2) : text;
    std::istringstream groups(text);
    std::string group, digits;
    int count = 0;
    while (groups >> group) {
        if (!is_hex_digits(group, 2)) return "";
        digits += group;
        ++count;
    }
    return count == 8 ? digits : "";
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    return std::tolower(static_cast<unsigned char>(c)) - 'a' + 10;
}

// Decimal values separated by blanks, or by one comma with blanks around it allowed.
std::vector<std::string> decimal_tokens(const std::string& s, const std::string& where) {
    std::vector<std::string> tokens;
    size_t i = 0;
    bool need_value = false;  // a comma was read and no value has followed it yet
    while (i < s.size()) {
        if (is_blank(s[i])) {
            ++i;
            continue;
        }
        if (s[i] == ',') {
            if (tokens.empty() || need_value) data_error(where + ": empty value before a comma");
            need_value = true;
            ++i;
            continue;
        }
        size_t start = i;
        while (i < s.size() && !is_blank(s[i]) && s[i] != ',') ++i;
        tokens.push_back(s.substr(start, i - start));
        need_value = false;
    }
    if (need_value) data_error(where + ": empty value after the last comma");
    return tokens;
}

std::string file_where(const std::string& path, size_t line) {
    return printable(path) + ":" + std::to_string(line);
}

// The S-box lines of a file, each with its location and the comment that follows it;
// comment lines and blank lines dropped.
void expand_file(const std::string& path, bool require_bijection, std::vector<sourced_sbox>& out) {
    std::istringstream in(read_input(path));
    std::string line;
    size_t number = 0;
    while (std::getline(in, line)) {
        ++number;
        const size_t hash = line.find('#');
        std::string comment;
        if (hash != std::string::npos) {
            comment = trimmed(line.substr(hash + 1));
            line.erase(hash);
        }
        const std::string text = trimmed(line);
        if (text.empty()) continue;
        const std::string where = file_where(path, number);
        out.push_back({parse_sbox_text(text, where, require_bijection), where, comment});
    }
}

}  // namespace

int parse_decimal_value(const std::string& token, const std::string& where) {
    bool digits = !token.empty() && token.size() <= 6;
    for (char c : token) digits = digits && std::isdigit(static_cast<unsigned char>(c));
    if (!digits) data_error(where + ": \"" + printable(token) + "\" is not a value 0..15");
    int v = std::stoi(token);
    if (v > 15) data_error(where + ": value " + token + " is out of range 0..15");
    return v;
}

int repeated_value(const sbox_values& v) {
    assert(in_range(v));
    unsigned seen = 0;
    for (int x : v) {
        if (seen & (1u << x)) return x;
        seen |= 1u << x;
    }
    return -1;
}

sbox_values parse_sbox_text(const std::string& raw, const std::string& where, bool require_bijection) {
    const std::string text = trimmed(raw);
    sbox_values v{};
    const std::string hex = hex_digits_of(text);
    if (!hex.empty()) {
        for (int x = 0; x < 16; ++x) v[x] = hex_value(hex[x]);
    } else {
        const std::vector<std::string> tokens = decimal_tokens(text, where);
        if (tokens.size() != 16)
            data_error(where + ": " + std::to_string(tokens.size()) +
                       " values, expected 16 decimal values or 16 hexadecimal digits");
        for (int x = 0; x < 16; ++x) v[x] = parse_decimal_value(tokens[x], where);
    }
    if (require_bijection) {
        const int twice = repeated_value(v);
        if (twice >= 0) data_error(where + ": not a bijection (value " + std::to_string(twice) + " occurs twice)");
    }
    return v;
}

std::vector<sourced_sbox> expand_sbox_args(const std::vector<std::string>& args, bool require_bijection) {
    std::vector<sourced_sbox> out;
    for (const std::string& arg : args) {
        if (!arg.empty() && arg[0] == '@') {
            expand_file(arg.substr(1), require_bijection, out);
            continue;
        }
        const std::string where = "argument \"" + printable(arg) + "\"";
        out.push_back({parse_sbox_text(arg, where, require_bijection), where, ""});
    }
    return out;
}

Sbox make_sbox(const sbox_values& v) {
    return Sbox(v.data());
}

bool in_range(const sbox_values& v) {
    for (int x : v)
        if (x < 0 || x > 15) return false;
    return true;
}

std::string values_text(const sbox_values& v) {
    std::string text;
    for (int x = 0; x < 16; ++x) text += (x ? "  " : "") + std::to_string(v[x]);
    return text;
}

std::string hex_text(const sbox_values& v) {
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (int x : v) text += digits[x & 15];
    return text;
}

sbox_values inverse_of(const sbox_values& v) {
    sbox_values inverse{};
    for (int x = 0; x < 16; ++x) inverse[v[x]] = x;
    return inverse;
}
