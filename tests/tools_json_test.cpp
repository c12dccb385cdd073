// The JSON writer of sbtool's --json output: separators in nested containers, escaping, and
// bytes that are not UTF-8.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/json.h"
#include "tools_json_reader.h"

namespace {

TEST(JsonWriter, NestedContainersGetTheirSeparators) {
    std::ostringstream out;
    json_writer json(out);
    json.begin_object();
    json.key("empty").begin_object().end_object();
    json.key("none").begin_array().end_array();
    json.key("list").begin_array().value(1).begin_array().value(-2).end_array().begin_object().end_object().null().end_array();
    json.key("flags").begin_array().value(true).value(false).end_array();
    json.key("values").values(std::array<int, 3>{0, 15, 7});
    json.key("names").values(std::vector<std::string>{"a", "b"});
    json.end_object().finish();
    EXPECT_EQ(out.str(),
              "{\"empty\":{},\"none\":[],\"list\":[1,[-2],{},null],\"flags\":[true,false],\"values\":[0,15,7],"
              "\"names\":[\"a\",\"b\"]}\n");
    json_value parsed;
    std::string error;
    ASSERT_TRUE(parse_json(out.str(), parsed, &error)) << error;
    EXPECT_EQ(parsed["values"][1].integer(), 15);
    EXPECT_EQ(parsed["list"][1][0].integer(), -2);
}

TEST(JsonWriter, StringsAreEscaped) {
    const struct {
        std::string text;
        std::string written;
    } cases[] = {
        {"plain", "\"plain\""},
        {"quote \" backslash \\", "\"quote \\\" backslash \\\\\""},
        {"line\nend\ttab", "\"line\\nend\\ttab\""},
        {std::string("nul \0 bell \a del \x7f", 18), "\"nul \\u0000 bell \\u0007 del \\u007f\""},
        {"PRINCE \xe2\x80\x93 \xc3\xa9", "\"PRINCE \xe2\x80\x93 \xc3\xa9\""},               // UTF-8 kept
        {"cut \xe2\x80 lone \x80 overlong \xc0\xaf", "\"cut \\ufffd\\ufffd lone \\ufffd overlong \\ufffd\\ufffd\""},
        {"surrogate \xed\xa0\x80", "\"surrogate \\ufffd\\ufffd\\ufffd\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(json_string(c.text), c.written) << c.text;
        json_value parsed;
        EXPECT_TRUE(parse_json(c.written, parsed)) << c.written;
    }
}

}  // namespace
