// What sbtool find and sbtool-mpi find share before their members run: the options, and the
// find they set up in DIR.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "tools/args.h"
#include "tools/find_plan.h"
#include "tools/find_run.h"

struct find_options {
    std::string dir;  // empty: the current directory
    int threads = 1;
    find_bounds bounds;
    variant_options variants;
    bool variants_given = false;
    bool resume = false;
    std::vector<sourced_sbox> named;  // empty with --resume when none are given
};

// The option table of the find commands, and the help lines of their options and files.
std::vector<option_spec> find_option_specs();
extern const char* const find_options_help;

// A --time value: "90s", "10m", "2h" or plain seconds, above 0; a usage error otherwise.
double read_duration(const std::string& text);
// The options as given, checked; a usage error names the option and what it takes.
find_options read_find_options(const command_line& line);
// Makes DIR when missing and takes its lock; for a new find writes the definition's files
// (refusing a DIR that holds a find), with --resume reads and checks them. Every refusal is a
// tool_error of one line.
find_definition set_up_find(const find_options& o);
// The start of a find command: faults are reported on standard error as "NAME: ...", running
// out of memory ends it in one line, and the arguments are parsed into line and checked into o.
// False when --help was asked for: help_head and the options' help are then written to out.
bool start_find_command(const std::string& name, const char* help_head, const std::vector<std::string>& args,
                        std::ostream& out, command_line& line, find_options& o);
// The command that goes on with the find: "PROGRAM --resume --dir DIR [--members M]".
std::string resume_command(const std::string& program, const find_options& o);
