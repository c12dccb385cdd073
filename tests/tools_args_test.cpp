// The shared command-line parser and S-box parser of sbtool, and the exit statuses and
// one-line errors of the program itself.
#include <gtest/gtest.h>

#include "child_process.h"
#include "tools/args.h"
#include "tools/sbox_text.h"
#include "tools/tool.h"
#include "tools_support.h"

namespace {

const std::vector<option_spec> emit_like = {{"lang", "LANG"}, {"inverse", nullptr}};

// The status and message of a call that is expected to throw a tool_error.
template <typename F>
std::pair<int, std::string> failure_of(F call) {
    try {
        call();
    } catch (const tool_error& e) {
        return {e.status(), e.what()};
    }
    return {0, ""};
}

TEST(CommandLine, OptionValuesFlagsAndOperands) {
    command_line a = parse_command_line({"--lang", "asm", "f", "--inverse", "7"}, emit_like);
    EXPECT_EQ(a.value_or("lang", "c"), "asm");
    EXPECT_TRUE(a.flag("inverse"));
    EXPECT_EQ(a.operands, (std::vector<std::string>{"f", "7"}));
    command_line b = parse_command_line({"--lang=dot", "--", "--inverse", "-"}, emit_like);
    EXPECT_EQ(b.value_or("lang", "c"), "dot");
    EXPECT_FALSE(b.flag("inverse"));
    EXPECT_EQ(b.operands, (std::vector<std::string>{"--inverse", "-"}));
    EXPECT_EQ(parse_command_line({}, emit_like).value_or("lang", "c"), "c");
    // An option given twice keeps both values; value_or gives the last.
    command_line twice = parse_command_line({"--lang", "c", "--lang=asm"}, emit_like);
    EXPECT_EQ(twice.values_of("lang"), (std::vector<std::string>{"c", "asm"}));
    EXPECT_EQ(twice.value_or("lang", ""), "asm");
    // A negative number is an operand, to be refused as a value by its reader.
    EXPECT_EQ(parse_command_line({"-1,2"}, emit_like).operands, (std::vector<std::string>{"-1,2"}));
    EXPECT_TRUE(parse_command_line({"x", "-h", "--bogus"}, emit_like).help);
}

TEST(CommandLine, UsageErrorsHaveStatusTwo) {
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--bogus=3"}, "unknown option --bogus"},
        {{"-x"}, "unknown option -x"},
        {{"--lang"}, "option --lang needs a value (LANG)"},
        {{"--inverse=yes"}, "option --inverse takes no value"},
        {{"--lang=-", "@-", "--", "-"}, "standard input (- or @-) is named 3 times; it can be read once"},
    };
    for (const auto& c : cases) {
        auto [status, message] = failure_of([&] { parse_command_line(c.args, emit_like); });
        EXPECT_EQ(status, status_usage) << c.message;
        EXPECT_EQ(message, c.message);
    }
    command_line two = parse_command_line({"a"}, emit_like);
    EXPECT_EQ(failure_of([&] { require_operands(two, 2, 2, {"FILE", "RECORD"}); }),
              std::make_pair(status_usage, std::string("missing argument RECORD")));
    EXPECT_EQ(failure_of([&] { require_operands(two, 0, 0, {}); }).first, status_usage);
    EXPECT_EQ(failure_of([&] { require_operands(two, 1, 1, {"FILE"}); }).first, 0);
}

TEST(SboxText, AcceptedForms) {
    const sbox_values present = {12, 5, 6, 11, 9, 0, 10, 13, 3, 14, 15, 8, 4, 7, 1, 2};
    for (const char* text : {"c56b90ad3ef84712", "C56B90AD3EF84712", "  c56b90ad3ef84712 ",
                             "12,5,6,11,9,0,10,13,3,14,15,8,4,7,1,2", "12 5 6 11 9 0 10 13 3 14 15 8 4 7 1 2",
                             "12, 5 ,6,\t11,9,0,10,13,3,14,15,8,4,7,1,2",
                             "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2", "0xc56b90ad3ef84712",
                             "0XC56B90AD3EF84712", " C5\t6b  90 ad 3e f8 47 12 ", "12 05 06 11 09 00 10 13 03 14 15 08 04 07 01 02"})
        EXPECT_EQ(parse_sbox_text(text, "t", true), present) << text;
    EXPECT_EQ(parse_sbox_text("10 11 12 13 14 15 00 01", "t", false)[1], 0) << "eight pairs are hexadecimal bytes";
    // Sixteen decimal digits are the hexadecimal form, not sixteen values.
    const sbox_values hex_digits = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 1, 2, 3, 4, 5};
    EXPECT_EQ(parse_sbox_text("0123456789012345", "t", false), hex_digits);
}

TEST(SboxText, MalformedValuesNameTheArgument) {
    const struct {
        const char* text;
        const char* message;
    } cases[] = {
        {"1,2,3", "here: 3 values, expected 16 decimal values or 16 hexadecimal digits"},
        {"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 0", "here: 17 values, expected 16 decimal values or 16 hexadecimal digits"},
        {"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 16", "here: value 16 is out of range 0..15"},
        {"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 -1", "here: \"-1\" is not a value 0..15"},
        {"0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 0x", "here: \"0x\" is not a value 0..15"},
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,,14", "here: empty value before a comma"},
        {",0,1,2,3,4,5,6,7,8,9,10,11,12,13,14", "here: empty value before a comma"},
        {"0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,", "here: empty value after the last comma"},
        {"c56b90ad3ef8471g", "here: 1 values, expected 16 decimal values or 16 hexadecimal digits"},
        {"", "here: 0 values, expected 16 decimal values or 16 hexadecimal digits"},
        {"c56b90ad3ef84711", "here: not a bijection (value 1 occurs twice)"},
        {"0xc56b90ad3ef8471", "here: 1 values, expected 16 decimal values or 16 hexadecimal digits"},
    };
    for (const auto& c : cases) {
        auto [status, message] = failure_of([&] { parse_sbox_text(c.text, "here", true); });
        EXPECT_EQ(status, status_bad_data) << c.text;
        EXPECT_EQ(message, c.message) << c.text;
    }
    // Without the bijection demand a repeated value is accepted.
    EXPECT_EQ(parse_sbox_text("c56b90ad3ef84711", "here", false)[15], 1);
}

TEST(SboxText, FilesExpandInPlaceWithCommentsAndBlankLines) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/list.txt",
               "# header comment\n\n1a4c6f392db7508e  # GIFT\n   \n0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\r\n");
    const std::vector<sourced_sbox> got =
        expand_sbox_args({"c56b90ad3ef84712", "@" + dir + "/list.txt", "fedcba9876543210"}, true);
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].values[0], 12);
    EXPECT_EQ(got[1].values[0], 1);
    EXPECT_EQ(got[1].where, dir + "/list.txt:3");
    EXPECT_EQ(got[1].name, "GIFT") << "the comment after an S-box names it";
    EXPECT_EQ(got[2].name, "");
    EXPECT_EQ(got[2].values[15], 15);
    EXPECT_EQ(got[2].where, dir + "/list.txt:5");
    EXPECT_EQ(got[3].values[0], 15);

    write_file(dir + "/bad.txt", "c56b90ad3ef84712\n\n# two values\n1 2\n");
    EXPECT_EQ(failure_of([&] { expand_sbox_args({"@" + dir + "/bad.txt"}, true); }).second,
              dir + "/bad.txt:4: 2 values, expected 16 decimal values or 16 hexadecimal digits");
    EXPECT_EQ(failure_of([&] { expand_sbox_args({"@" + dir + "/missing.txt"}, true); }),
              std::make_pair(status_bad_data, dir + "/missing.txt: cannot be opened"));
}

// The program itself: one line on standard error, nothing on standard output, and the status.
TEST(SbtoolProgram, ErrorsAreOneLineOnStandardErrorWithTheirStatus) {
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{}, 2, "sbtool: missing subcommand (see sbtool --help)\n"},
        {{"frobnicate"}, 2, "sbtool: unknown subcommand frobnicate (see sbtool --help)\n"},
        {{"targets"}, 2, "sbtool targets: missing argument SBOX\n"},
        {{"targets", "--reverse", "c56b90ad3ef84712"}, 2, "sbtool targets: unknown option --reverse\n"},
        {{"emit", "--lang"}, 2, "sbtool emit: option --lang needs a value (c|asm|dot)\n"},
        {{"emit", "prgs1b.txt"}, 2, "sbtool emit: missing argument RECORD\n"},
        {{"check", "a", "b"}, 2, "sbtool check: too many arguments: 1 more than expected\n"},
        {{"analyze", "1,2"}, 1, "sbtool analyze: argument \"1,2\": 2 values, expected 16 decimal values or 16 hexadecimal digits\n"},
        {{"targets", "c56b90ad3ef84711"}, 1, "sbtool targets: argument \"c56b90ad3ef84711\": not a bijection (value 1 occurs twice)\n"},
        {{"check", "/nonexistent/prgs1b.txt"}, 1, "sbtool check: /nonexistent/prgs1b.txt: cannot be opened\n"},
        {{"best", "a.txt", "a.txt"}, 2, "sbtool best: a.txt is given twice\n"},
        {{"emit", "--sbox", "@list.txt", "f", "1"}, 2,
         "sbtool emit: --sbox takes one S-box (sixteen decimal values or sixteen hexadecimal digits), not @FILE\n"},
        {{"emit", "--sbox", "0123456789abcdef", "--sbox", "0123456789abcdef", "f", "1"}, 2,
         "sbtool emit: --sbox names one S-box; give it once\n"},
    };
    for (const auto& c : cases) {
        const tool_result r = sbtool_program(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err);
        EXPECT_EQ(r.out, "") << c.err;
    }
}

// "-" (and "@-" for S-boxes) reads standard input: the same output as with the file named.
TEST(SbtoolProgram, StandardInputStandsForAFile) {
    const std::string data = TEST_DATA_DIR, pass = TEST_LIST_DIR "/ciphers-one-pass.prgs1b.txt";
    const struct { std::string piped, input, named; } cases[] = {
        {"best -", pass, "best " + pass},
        {"check --targets - " + pass, data + "/ciphers.txt", "check --targets " + data + "/ciphers.txt " + pass},
        {"report --sboxes @- " + pass, data + "/cipher-sboxes.txt", "report --sboxes @" + data + "/cipher-sboxes.txt " + pass},
        {"emit --sbox 0xe4b238091a7f6c5d - 3", pass, "emit --sbox e4b238091a7f6c5d " + pass + " 3"},
    };
    for (const auto& c : cases) {
        const tool_result piped = shell(quoted(SBTOOL_PATH) + " " + c.piped + " < " + quoted(c.input));
        EXPECT_EQ(piped.status, 0) << c.piped << ": " << piped.err;
        const tool_result named = shell(quoted(SBTOOL_PATH) + " " + c.named);
        EXPECT_EQ(piped.out + piped.err, named.out + named.err) << c.piped;
    }
}

TEST(SbtoolProgram, HelpDocumentsEveryOption) {
    const tool_result general = sbtool_program({"--help"});
    EXPECT_EQ(general.status, 0);
    for (const char* sub : {"targets", "check", "best", "report", "emit", "analyze"})
        EXPECT_NE(general.out.find(std::string("  ") + sub + " "), std::string::npos) << sub;
    const struct {
        const char* sub;
        std::vector<std::string> options;
    } documented[] = {
        {"targets", {"--inverse", "--perms", "--in-xor", "--out-xor"}},
        {"check", {"--targets", "--json"}},
        {"best", {"--json"}},
        {"report", {"--sboxes", "--json"}},
        {"emit", {"--lang", "--type", "--name", "--sbox", "--inverse"}},
        {"analyze", {"--tables", "--json"}},
    };
    for (const auto& d : documented) {
        const tool_result help = sbtool_program({d.sub, "--help"});
        EXPECT_EQ(help.status, 0) << d.sub;
        EXPECT_EQ(help.out.rfind(std::string("usage: sbtool ") + d.sub, 0), 0u) << d.sub;
        for (const std::string& o : d.options) EXPECT_NE(help.out.find("  " + o), std::string::npos) << d.sub << o;
    }
}

}  // namespace
