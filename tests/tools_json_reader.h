// A strict JSON reader for the tests of sbtool's --json output: parses a whole document into a
// tree, so a test can check both that the text is valid JSON and what it says.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

struct json_value {
    enum kind_type { null_value, boolean, number, string, array, object } kind = null_value;
    bool truth = false;
    double count = 0;
    std::string text;
    std::vector<json_value> items;               // array
    std::map<std::string, json_value> members;   // object

    // The member of an object; a null value when absent.
    const json_value& operator[](const std::string& name) const;
    const json_value& operator[](size_t index) const { return items.at(index); }
    long integer() const { return static_cast<long>(count); }
};

// Parses a complete document (surrounding blanks allowed). False, with where it failed in
// *error, when the text is not valid JSON.
bool parse_json(const std::string& text, json_value& out, std::string* error = nullptr);
