// A small streaming JSON writer for sbtool's --json output: objects, arrays, strings, whole
// numbers, booleans and null, written compactly on one line as they are given.
#pragma once

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

class json_writer {
public:
    explicit json_writer(std::ostream& out) : out_(out) {}

    json_writer& begin_object();
    json_writer& end_object();
    json_writer& begin_array();
    json_writer& end_array();
    // The name of the next member of the current object.
    json_writer& key(const std::string& name);

    json_writer& value(const std::string& text);
    json_writer& value(const char* text) { return value(std::string(text)); }
    json_writer& value(long long number);
    json_writer& value(long number) { return value(static_cast<long long>(number)); }
    json_writer& value(int number) { return value(static_cast<long long>(number)); }
    json_writer& value(unsigned long number) { return value(static_cast<long long>(number)); }
    // A finite number with that many decimals.
    json_writer& value(double number, int decimals);
    json_writer& value(bool truth);
    json_writer& null();
    // An array of the numbers or strings.
    template <typename T, size_t N>
    json_writer& values(const std::array<T, N>& items) {
        begin_array();
        for (const T& item : items) value(item);
        return end_array();
    }
    template <typename T>
    json_writer& values(const std::vector<T>& items) {
        begin_array();
        for (const T& item : items) value(item);
        return end_array();
    }

    // Ends the document with a line end; every object and array must be closed.
    void finish();

private:
    // Writes the comma that separates this value from the previous one of its container.
    void before_value();

    std::ostream& out_;
    std::vector<bool> has_member_;  // per open container: whether it holds a value yet
    bool after_key_ = false;
};

// text as a JSON string, quotes included: quote, backslash and control characters escaped,
// bytes that are not UTF-8 replaced by U+FFFD.
std::string json_string(const std::string& text);
