// The one command-line parser of sbtool's subcommands: long options (flags or options with a
// value), operands, and --help.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

// One option a subcommand accepts: "--name", with a value when value_name is set.
struct option_spec {
    const char* name;        // without the leading "--"
    const char* value_name;  // nullptr for a flag
};

class command_line {
public:
    bool help = false;
    std::vector<std::string> operands;

    bool flag(const std::string& name) const { return flags_.count(name) != 0; }
    bool has(const std::string& name) const { return values_.count(name) != 0; }
    // The option's value, or fallback when the option was not given; the last one when it was
    // given several times.
    std::string value_or(const std::string& name, const std::string& fallback) const;
    // Every value given to the option, in command-line order.
    std::vector<std::string> values_of(const std::string& name) const;

private:
    friend command_line parse_command_line(const std::vector<std::string>&, const std::vector<option_spec>&);
    std::map<std::string, std::vector<std::string>> values_;
    std::set<std::string> flags_;
};

// Parses args against the accepted options. An option takes its value from "--name=VALUE" or
// from the next argument; "--" makes every later argument an operand. "--help" or "-h" sets
// help and stops the parse. An unknown option, a missing value or a value given to a flag is
// a usage error. An argument that starts with "-" followed by a digit is an operand (so that
// a malformed S-box such as "-1,2,..." is reported as bad data, not as an option). A lone "-"
// is an operand too; "-" and "@-" name standard input, and naming it twice (as operands or as
// option values) is a usage error, since it can be read once.
command_line parse_command_line(const std::vector<std::string>& args, const std::vector<option_spec>& options);

// Checks that the operand count lies in [at_least, at_most]; names the first missing operand
// from names, or says how many are too many. A usage error otherwise.
void require_operands(const command_line& line, size_t at_least, size_t at_most,
                      const std::vector<std::string>& names);
