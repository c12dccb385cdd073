#include "tools/search_setup.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/fatal.h"
#include "search/driver.h"
#include "search/interrupt.h"
#include "search/output.h"
#include "search/run.h"
#include "tools/input_file.h"
#include "tools/record.h"
#include "tools/target_list.h"
#include "tools/tool.h"

namespace {

// The help paragraphs on checkpoints, --resume, --force and seeds.
const char* const search_runs_help =
    "At the start of every pass the search writes prgs1b.txt.checkpoint beside the output.\n"
    "A run that stopped, however it stopped, goes on with --resume from the start of the pass\n"
    "it was in: the output is cut back to that point and the run ends as if it had never\n"
    "stopped. A DIR whose prgs1b.txt holds records is not started over without --force.\n"
    "\n"
    "Another --seed, or other limits than the defaults, give another search than prgs1's; the\n"
    "header of prgs1b.txt shows the seed (\"Parameters ... 0  SEED\") and the limits\n"
    "(\"Programs  N-1  A  B  C\") in force. Runs with other seeds cover other programs;\n"
    "sbtool best and report merge their output files.\n";

std::string where(const search_options& o) {
    return o.dir.empty() ? "here" : "in " + printable(o.dir);
}

// One search at a time in a directory: a second would write into the first one's output. The
// lock is held until the process ends.
void lock_directory(const search_options& o) {
    static int held = -1;
    if (held >= 0) return;
    held = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (held >= 0 && ::flock(held, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK)
        data_error("another search is running " + where(o) + ": let it end or stop it first");
}

// The output must be a file the run can write and read back (a checkpoint holds a hash of
// it), checked before the list is loaded so that a run fails at once.
void require_writable_output(const search_options& o) {
    struct stat info;
    const std::string cannot = std::string("cannot write ") + filename + " " + where(o) + ": ";
    if (::stat(filename, &info) != 0) {
        if (::access(".", W_OK) != 0) data_error(cannot + std::strerror(errno));
        return;
    }
    if (S_ISDIR(info.st_mode)) data_error(cannot + "it is a directory");
    if (!S_ISREG(info.st_mode)) data_error(cannot + "it is not a regular file");
    if (::access(filename, W_OK) != 0) data_error(cannot + std::strerror(errno));
}

// A new run must not overwrite the records, or the finished passes, of an earlier one unless
// asked to.
void refuse_overwriting(const search_options& o) {
    if (o.force) return;
    bool exists = false;
    const size_t records = split_output(read_if_present(filename, &exists)).records.size();
    checkpoint c;
    const bool passes_done = exists && read_checkpoint(checkpoint_name, c).empty() && c.pass > 0;
    if (records == 0 && !passes_done) return;
    const std::string held = records > 0 ? std::to_string(records) + " record" + (records == 1 ? "" : "s")
                                         : std::to_string(c.pass) + " finished pass" + (c.pass == 1 ? "" : "es");
    data_error(std::string(filename) + " " + where(o) + " already holds " + held +
               ": go on with that run with --resume, or start over with --force (which overwrites it)");
}

// The checkpoint of the run to go on with, checked against the list, the output and the
// options; a bad-data error, with nothing changed, when any of them does not match.
checkpoint checkpoint_to_resume(search_options& o, uint64_t list_hash) {
    checkpoint c;
    if (access(checkpoint_name, F_OK) != 0)
        data_error(std::string("cannot resume: no ") + checkpoint_name + " here (a run writes it at the start of "
                   "every pass)");
    const std::string fault = read_checkpoint(checkpoint_name, c);
    if (!fault.empty()) data_error("cannot resume: " + fault);
    if (c.list_hash != list_hash) data_error("cannot resume: sb2.txt is not the list the run searched");
    if (o.seed_given && o.seed != c.seed)
        data_error("cannot resume: the run used seed " + std::to_string(c.seed) + ", not " + std::to_string(o.seed));
    const search_limits& l = c.limits;
    const std::string run_limits = std::to_string(l.length) + " instructions, deadlines " +
                                   std::to_string(l.deadline[0]) + "," + std::to_string(l.deadline[1]) + "," +
                                   std::to_string(l.deadline[2]);
    const bool same_limits = o.limits.length == l.length && o.limits.deadline[0] == l.deadline[0] &&
                             o.limits.deadline[1] == l.deadline[1] && o.limits.deadline[2] == l.deadline[2];
    if (o.limits_given && !same_limits) data_error("cannot resume: the run searched with " + run_limits);
    if (o.exhaustive && !c.exhaustive) data_error("cannot resume: the run was not exhaustive");
    bool exists = false;
    const std::string output = read_if_present(filename, &exists);
    if (!exists || output.size() < c.output_size ||
        content_hash(output.substr(0, c.output_size)) != c.output_hash)
        data_error(std::string("cannot resume: ") + filename + " is not the output the checkpoint was written with");
    o.seed = c.seed;
    o.limits = c.limits;
    if (c.exhaustive) {
        o.exhaustive = true;
        o.passes = 1;
    }
    return c;
}

// Loads the list as the search does; a refused list is reported on the console as prgs1
// reports it, and as one line on standard error.
void load_or_fail() {
    const load_outcome outcome = prepare_search("sb2.txt");
    if (!outcome.failed) return;
    std::cout << outcome.message;
    std::cout.flush();
    throw tool_error(status_bad_data, one_line(outcome.message));
}

}  // namespace

void set_up_search(search_options& options, search_setup& setup, std::ostream& out) {
    if (!options.dir.empty() && chdir(options.dir.c_str()) != 0)
        data_error("cannot enter " + printable(options.dir) + ": " + std::strerror(errno));
    lock_directory(options);
    require_writable_output(options);
    bool list_exists = false;
    setup.list_text = read_if_present("sb2.txt", &list_exists);
    if (list_exists) check_target_list(setup.list_text, "sb2.txt");
    const uint64_t list_hash = content_hash(setup.list_text);
    if (options.resume) setup.resume_from = checkpoint_to_resume(options, list_hash);
    else refuse_overwriting(options);
    out.flush();
    install_clean_stop();
    limits = options.limits;
    load_or_fail();
    if (options.resume) {
        const std::string fault = fits_loaded_list(setup.resume_from);
        if (!fault.empty()) data_error("cannot resume: " + fault);
    }
    run.seed = options.seed;
    run.passes = options.passes;
    run.checkpoints = true;
    run.resume = options.resume ? &setup.resume_from : nullptr;
    run.list_hash = list_hash;
    run.quiet = options.quiet;
    run.exhaustive = options.exhaustive;
}

bool start_search_command(const std::vector<std::string>& args, const char* help_head, const char* help_tail,
                          std::ostream& out, search_options& options, search_setup& setup) {
    const command_line line = parse_command_line(args, search_option_specs());
    if (line.help) {
        out << help_head << search_options_help << "\n" << search_runs_help << help_tail;
        return false;
    }
    require_operands(line, 0, 0, {});
    options = read_search_options(line);
    set_up_search(options, setup, out);
    return true;
}
