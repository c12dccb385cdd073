#include "tools/args.h"

#include <cctype>

#include "tools/tool.h"

namespace {

const option_spec* find_option(const std::vector<option_spec>& options, const std::string& name) {
    for (const option_spec& o : options)
        if (name == o.name) return &o;
    return nullptr;
}

// An option is "--x..." or "-x" with x not a digit; a lone "-" is an operand.
bool looks_like_option(const std::string& arg) {
    if (arg.size() < 2 || arg[0] != '-') return false;
    return arg[1] == '-' || !std::isdigit(static_cast<unsigned char>(arg[1]));
}

// Whether an argument names standard input: "-" for a file, "@-" for a file of S-boxes.
bool names_standard_input(const std::string& arg) {
    return arg == "-" || arg == "@-";
}

// Standard input can be read once: a second argument that names it is a usage error.
void require_one_standard_input(const command_line& line, const std::map<std::string, std::vector<std::string>>& values) {
    size_t named = 0;
    for (const std::string& operand : line.operands) named += names_standard_input(operand);
    for (const auto& [name, given] : values)
        for (const std::string& value : given) named += names_standard_input(value);
    if (named > 1) usage_error("standard input (- or @-) is named " + std::to_string(named) + " times; it can be read once");
}

}  // namespace

std::string command_line::value_or(const std::string& name, const std::string& fallback) const {
    auto it = values_.find(name);
    return it == values_.end() ? fallback : it->second.back();
}

std::vector<std::string> command_line::values_of(const std::string& name) const {
    auto it = values_.find(name);
    return it == values_.end() ? std::vector<std::string>() : it->second;
}

command_line parse_command_line(const std::vector<std::string>& args, const std::vector<option_spec>& options) {
    command_line line;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            line.operands.insert(line.operands.end(), args.begin() + static_cast<long>(i) + 1, args.end());
            break;
        }
        if (arg == "--help" || arg == "-h") {
            line.help = true;
            return line;
        }
        if (!looks_like_option(arg)) {
            line.operands.push_back(arg);
            continue;
        }
        if (arg.compare(0, 2, "--") != 0) usage_error("unknown option " + arg);
        const size_t equals = arg.find('=');
        const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
        const option_spec* accepted = find_option(options, name);
        if (!accepted) usage_error("unknown option --" + name);
        if (!accepted->value_name) {
            if (equals != std::string::npos) usage_error("option --" + name + " takes no value");
            line.flags_.insert(name);
            continue;
        }
        if (equals != std::string::npos) {
            line.values_[name].push_back(arg.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            line.values_[name].push_back(args[++i]);
        } else {
            usage_error("option --" + name + " needs a value (" + accepted->value_name + ")");
        }
    }
    require_one_standard_input(line, line.values_);
    return line;
}

void require_operands(const command_line& line, size_t at_least, size_t at_most,
                      const std::vector<std::string>& names) {
    const size_t n = line.operands.size();
    if (n < at_least) {
        const std::string missing = n < names.size() ? names[n] : "operand";
        usage_error("missing argument " + missing);
    }
    if (n > at_most) usage_error("too many arguments: " + std::to_string(n - at_most) + " more than expected");
}
