// sbtool find: from named S-boxes to their shortest programs in one command. Builds the target
// list of their variants and runs a portfolio of independent one-pass searches (find_schedule.h)
// on every thread, each in a directory of its own, keeping the shortest program found for each
// S-box and its inverse, with C code for both.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>

#include "foundation/fatal.h"
#include "search/checkpoint.h"
#include "search/directory_lock.h"
#include "search/driver.h"
#include "search/interrupt.h"
#include "tools/args.h"
#include "tools/find_command.h"
#include "tools/find_plan.h"
#include "tools/find_run.h"
#include "tools/search_options.h"
#include "tools/search_setup.h"
#include "tools/tool.h"

namespace {

const char* const help_head =
    "usage: sbtool find [--dir DIR] [--threads N] [--time DURATION] [--members M]\n"
    "                   [--variants LIST] [--resume] SBOX...\n"
    "\n"
    "Finds short programs for the S-boxes SBOX (in any form sbtool --help gives, or @FILE, whose\n"
    "\"# NAME\" comments name them) and their inverses, running members on every core: member K\n"
    "is one pass of the search, with limits and a seed of its own, for the target list of the\n"
    "variants of S-box K mod N (of the N named; as sbtool targets makes it), in DIR/members/K\n"
    "(an ordinary sbtool search directory). For each S-box, its first two members are the\n"
    "classic runs at the default limits and at 17 instructions with deadlines 8,12,15; later\n"
    "ones mix the defaults, 17/8,12,15 and 18/9,13,16 so that they take a quarter, a half and a\n"
    "quarter of the work. Member K runs the same pass in every find, so the findings after\n"
    "members 0..M-1 are the same on any number of cores; of two programs as short, the one of\n"
    "the lower member is named.\n"
    "\n";

}  // namespace

const char* const find_options_help =
    "  --dir DIR         where the find keeps its files (default: the current directory; made\n"
    "                    when it does not exist)\n"
    "  --threads N       members at once, each in a process of its own (default: the cores\n"
    "                    this process may use)\n"
    "  --time DURATION   end after DURATION: 90s, 10m, 2h or plain seconds; the members then\n"
    "                    running are stopped within their pass\n"
    "  --members M       end once members 0..M-1 are done (with --resume, those of earlier runs\n"
    "                    count)\n"
    "  --variants LIST   the variants searched for: none, or some of inverse, perms, in-xor and\n"
    "                    out-xor separated by commas (default inverse,perms; see sbtool targets).\n"
    "                    With in-xor or out-xor a program also counts for an S-box when it\n"
    "                    computes it up to constants XORed to its inputs or outputs; each bit set\n"
    "                    costs one not, which the length includes\n"
    "  --resume          go on with the find in DIR (its S-boxes and variants are kept there\n"
    "                    in sboxes.txt and variants.txt)\n"
    "\n"
    "Without --time or --members the find runs until stopped. DIR receives, whenever they\n"
    "change: find.txt (per S-box the shortest program found for it and for its inverse, the\n"
    "member and record that hold it and its wiring, as sbtool report gives it), find.json (the\n"
    "same, with each member's seed, limits, pass time and records) and NAME.c, C code for each\n"
    "S-box and its inverse as sbtool emit --sbox writes it, each checked on all 16 inputs. At\n"
    "the end find.txt is also written to standard output. On a terminal, standard error shows a\n"
    "live table of the best lengths.\n"
    "\n"
    "Ctrl-C (SIGINT) or SIGTERM stops the find at once (status 128 plus the signal number); the\n"
    "members running lose their pass, which --resume runs again.\n";

std::vector<option_spec> find_option_specs() {
    return {{"dir", "DIR"},   {"threads", "N"},      {"time", "DURATION"},
            {"members", "M"}, {"variants", "LIST"}, {"resume", nullptr}};
}

namespace {

// A whole number from 1 to most given to an option.
long count_of(const command_line& line, const std::string& option, long most) {
    const std::string text = line.value_or(option, "");
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || value < 1 || value > most)
        usage_error("--" + option + " takes a whole number from 1 to " + std::to_string(most) + ", not \"" +
                    printable(text) + "\"");
    return value;
}

// DIR as the find works in it: made when missing, refused when it cannot be entered.
void prepare_directory(const std::string& dir) {
    if (dir.empty()) return;
    struct stat info;
    if (::stat(dir.c_str(), &info) != 0) make_directory(dir);
    const int error = ::stat(dir.c_str(), &info) != 0                  ? errno
                      : !S_ISDIR(info.st_mode)                          ? ENOTDIR
                      : ::access(dir.c_str(), W_OK | X_OK) != 0 ? errno
                                                                        : 0;
    if (error != 0) data_error("cannot enter " + printable(dir) + ": " + std::strerror(error));
}

std::string where(const std::string& dir) {
    return dir.empty() ? "here" : "in " + printable(dir);
}

// Whether two lists of named S-boxes are the same, names included.
bool same_sboxes(const std::vector<sourced_sbox>& a, const std::vector<sourced_sbox>& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++)
        if (a[i].values != b[i].values || a[i].name != b[i].name) return false;
    return true;
}

}  // namespace

double read_duration(const std::string& text) {
    const std::string units = "smh";
    const size_t digits = text.find_first_not_of("0123456789");
    const bool unit = digits != std::string::npos && digits + 1 == text.size() && units.find(text.back()) != std::string::npos;
    const std::string number = text.substr(0, unit ? digits : std::string::npos);
    const double scale = !unit ? 1 : text.back() == 'm' ? 60 : text.back() == 'h' ? 3600 : 1;
    if (number.empty() || number.size() > 9 || (digits != std::string::npos && !unit) || std::stol(number) == 0)
        usage_error("--time takes a duration such as 90s, 10m or 2h (or plain seconds), not \"" + printable(text) + "\"");
    return static_cast<double>(std::stol(number)) * scale;
}

find_options read_find_options(const command_line& line) {
    find_options o;
    o.dir = line.value_or("dir", "");
    o.threads = line.has("threads") ? static_cast<int>(count_of(line, "threads", 4096)) : default_threads();
    if (line.has("time")) o.bounds.seconds = read_duration(line.value_or("time", ""));
    if (line.has("members")) o.bounds.members = count_of(line, "members", 1000000000);
    o.variants_given = line.has("variants");
    o.variants = read_variants(line.value_or("variants", "inverse,perms"));
    o.resume = line.flag("resume");
    if (!o.resume) require_operands(line, 1, SIZE_MAX, {"SBOX"});
    o.named = expand_sbox_args(line.operands, true);
    if (!line.operands.empty() && o.named.empty()) data_error("no S-boxes given (the files hold none)");
    return o;
}

find_definition set_up_find(const find_options& o) {
    prepare_directory(o.dir);
    if (!lock_directory(o.dir.empty() ? "." : o.dir))
        data_error("another find or search is running " + where(o.dir) + ": let it end or stop it first");
    find_definition d;
    if (o.resume) {
        d = load_definition(o.dir);
        if (!o.named.empty() && !same_sboxes(o.named, d.named))
            data_error("cannot resume: the find " + where(o.dir) + " is for other S-boxes (see its sboxes.txt)");
        if (o.variants_given && variants_text(o.variants) != variants_text(d.variants))
            data_error("cannot resume: the find " + where(o.dir) + " searches the variants " +
                       variants_text(d.variants));
    } else {
        if (holds_find(o.dir))
            data_error((o.dir.empty() ? std::string("the current directory") : printable(o.dir)) +
                       " already holds a find: go on with it with --resume, or give another --dir");
        d = define_find(o.named, o.variants);
        save_definition(o.dir, d);
    }
    return d;
}

std::string resume_command(const std::string& program, const find_options& o) {
    std::string text = program + " --resume";
    if (!o.dir.empty()) text += " --dir " + shell_word(o.dir);
    if (o.bounds.members >= 0) text += " --members " + std::to_string(o.bounds.members);
    return text;
}

bool start_find_command(const std::string& name, const char* help_head, const std::vector<std::string>& args,
                        std::ostream& out, command_line& line, find_options& o) {
    report_faults_on_stderr(name + ": ");
    end_on_out_of_memory();
    line = parse_command_line(args, find_option_specs());
    if (line.help) {
        out << help_head << find_options_help;
        return false;
    }
    o = read_find_options(line);
    return true;
}

int find_command(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    command_line line;
    find_options o;
    if (!start_find_command("sbtool find", help_head, args, out, line, o)) return 0;
    const find_definition d = set_up_find(o);
    install_clean_stop();
    set_stop_note("sbtool find: stopped; go on with: " + resume_command("sbtool find", o) + "\n");
    arm_stop_note();
    portfolio findings(d);
    take_members_on_disk(findings, o.dir, d);
    local_slots threads(o.threads, o.dir, d, findings);
    const bool all_done = run_find(findings, {&threads}, o.bounds, o.dir);
    out << findings.text();
    if (!all_done)
        err << "sbtool find: " << findings.members_done() << " members done " << where(o.dir)
            << "; go on with: " << resume_command("sbtool find", o) << "\n";
    return 0;
}
