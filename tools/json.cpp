#include "tools/json.h"

#include <cassert>
#include <cmath>
#include <cstdio>
#include <ostream>

namespace {

// The length of the UTF-8 sequence that starts at text[i], or 0 when it is not one.
size_t utf8_length(const std::string& text, size_t i) {
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = 0;
    unsigned smallest = 0;
    if (lead >= 0xc2 && lead <= 0xdf) length = 2, smallest = 0x80;
    else if (lead >= 0xe0 && lead <= 0xef) length = 3, smallest = 0x800;
    else if (lead >= 0xf0 && lead <= 0xf4) length = 4, smallest = 0x10000;
    else return 0;
    if (i + length > text.size()) return 0;
    unsigned code = lead & (0x7f >> length);
    for (size_t k = 1; k < length; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[i + k]);
        if ((c & 0xc0) != 0x80) return 0;
        code = (code << 6) | (c & 0x3f);
    }
    const bool surrogate = code >= 0xd800 && code <= 0xdfff;
    return code < smallest || code > 0x10ffff || surrogate ? 0 : length;
}

}  // namespace

std::string json_string(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string quoted = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = utf8_length(text, i);
            quoted += length ? text.substr(i, length) : "\\ufffd";
            i += length ? length : 1;
            continue;
        }
        if (c == '"') quoted += "\\\"";
        else if (c == '\\') quoted += "\\\\";
        else if (c == '\n') quoted += "\\n";
        else if (c == '\t') quoted += "\\t";
        else if (c < 0x20 || c == 0x7f) quoted += std::string("\\u00") + hex[c >> 4] + hex[c & 15];
        else quoted += static_cast<char>(c);
        ++i;
    }
    return quoted + "\"";
}

void json_writer::before_value() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (!has_member_.empty()) {
        if (has_member_.back()) out_ << ",";
        has_member_.back() = true;
    }
}

json_writer& json_writer::begin_object() {
    before_value();
    out_ << "{";
    has_member_.push_back(false);
    return *this;
}

json_writer& json_writer::end_object() {
    assert(!has_member_.empty() && !after_key_);
    has_member_.pop_back();
    out_ << "}";
    return *this;
}

json_writer& json_writer::begin_array() {
    before_value();
    out_ << "[";
    has_member_.push_back(false);
    return *this;
}

json_writer& json_writer::end_array() {
    assert(!has_member_.empty());
    has_member_.pop_back();
    out_ << "]";
    return *this;
}

json_writer& json_writer::key(const std::string& name) {
    assert(!has_member_.empty() && !after_key_);
    if (has_member_.back()) out_ << ",";
    has_member_.back() = true;
    out_ << json_string(name) << ":";
    after_key_ = true;
    return *this;
}

json_writer& json_writer::value(const std::string& text) {
    before_value();
    out_ << json_string(text);
    return *this;
}

json_writer& json_writer::value(long long number) {
    before_value();
    out_ << number;
    return *this;
}

json_writer& json_writer::value(double number, int decimals) {
    assert(std::isfinite(number));
    before_value();
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, number);
    out_ << text;
    return *this;
}

json_writer& json_writer::value(bool truth) {
    before_value();
    out_ << (truth ? "true" : "false");
    return *this;
}

json_writer& json_writer::null() {
    before_value();
    out_ << "null";
    return *this;
}

void json_writer::finish() {
    assert(has_member_.empty() && !after_key_);
    out_ << "\n";
}
