// The sbtool entry: picks the subcommand, runs it, and turns a tool_error into one line on
// standard error and its exit status.
#include <cctype>
#include <new>
#include <ostream>

#include "foundation/init.h"
#include "foundation/version.h"
#include "tools/tool.h"

namespace {

struct subcommand {
    const char* name;
    subcommand_fn run;
    const char* summary;
};

const subcommand subcommands[] = {
    {"targets", targets_command, "write a target list (sb2.txt) from S-boxes and their variants"},
    {"check", check_command, "re-check every record of a search output (prgs1b.txt)"},
    {"best", best_command, "the shortest program found for every S-box of search outputs"},
    {"report", report_command, "the shortest programs for named S-boxes and their inverses, and their wiring"},
    {"emit", emit_command, "turn the program of one record into C, assembly or a Graphviz graph"},
    {"analyze", analyze_command, "cryptographic properties of S-boxes"},
    {"search", search_command, "the search of prgs1 on every core, with the same results"},
    {"find", find_command, "the shortest programs for S-boxes: a portfolio of searches on every core"},
};

const char* const general_help =
    "usage: sbtool SUBCOMMAND [OPTIONS] [ARGUMENTS]\n"
    "       sbtool --help | SUBCOMMAND --help\n"
    "       sbtool --version\n"
    "\n"
    "The companion of the search program prgs1: prepares its target list, checks and summarises\n"
    "its output file and turns a found program into code.\n"
    "\n"
    "Subcommands:\n";

const char* const general_help_tail =
    "\n"
    "S-boxes are given S(0) first. An S-box is hexadecimal when it is sixteen hexadecimal\n"
    "digits (\"c56b90ad3ef84712\"), the same after 0x or 0X (\"0xc56b90ad3ef84712\"), or eight\n"
    "groups of two hexadecimal digits separated by blanks (\"c5 6b 90 ad 3e f8 47 12\", quoted\n"
    "as one argument); otherwise it is sixteen decimal values separated by commas or blanks\n"
    "(\"12,5,6,11,9,0,10,13,3,14,15,8,4,7,1,2\" or \"12 5 6 11 ...\"). So sixteen values stay\n"
    "decimal and eight pairs are hexadecimal bytes. @FILE names a file of S-boxes, one a line,\n"
    "with blank lines and # comments allowed; a comment after an S-box names it.\n"
    "\n"
    "A file given as - (a search output, a target list) and a file of S-boxes given as @- are\n"
    "read from standard input; a command reads it once, so naming it twice is a usage error.\n"
    "\n"
    "Exit status: 0 success, 1 bad data (malformed value, non-bijective S-box, failed check),\n"
    "2 usage error (unknown option, missing argument). Errors are one line on standard error.\n";

void print_general_help(std::ostream& out) {
    out << general_help;
    for (const subcommand& c : subcommands) {
        std::string name = c.name;
        out << "  " << name << std::string(10 - name.size(), ' ') << c.summary << "\n";
    }
    out << general_help_tail;
}

// The function and word tables that get_ANF reads are built once per process.
void ensure_tables() {
    static bool built = false;
    if (!built) init_startup();
    built = true;
}

}  // namespace

std::string printable(const std::string& text) {
    std::string shown;
    for (size_t k = 0; k < text.size() && k < 60; ++k) {
        const unsigned char c = static_cast<unsigned char>(text[k]);
        shown += std::isprint(c) ? static_cast<char>(c) : '?';
    }
    return text.size() > 60 ? shown + "..." : shown;
}

int run_sbtool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) {
        err << "sbtool: missing subcommand (see sbtool --help)\n";
        return status_usage;
    }
    const std::string& name = args[0];
    if (name == "--help" || name == "-h") {
        print_general_help(out);
        return 0;
    }
    if (name == "--version") {
        out << "sbtool " << program_version << "\n";
        return 0;
    }
    for (const subcommand& c : subcommands) {
        if (name != c.name) continue;
        ensure_tables();
        try {
            return c.run(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
        } catch (const tool_error& e) {
            out.flush();
            err << "sbtool " << name << ": " << e.what() << "\n";
            return e.status();
        } catch (const std::bad_alloc&) {
            out.flush();
            err << "sbtool " << name << ": out of memory\n";
            return status_bad_data;
        } catch (const std::exception& e) {
            // A failure of the system (a file system call, memory): one line, bad-data status.
            out.flush();
            err << "sbtool " << name << ": " << e.what() << "\n";
            return status_bad_data;
        }
    }
    err << "sbtool: unknown subcommand " << printable(name) << " (see sbtool --help)\n";
    return status_usage;
}
