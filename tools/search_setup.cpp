#include "tools/search_setup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>

#include "foundation/fatal.h"
#include "search/directory_lock.h"
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
    "At the start of every pass, and within a pass every --checkpoint-seconds as its results\n"
    "are merged, the search writes prgs1b.txt.checkpoint beside the output, once the output\n"
    "is on disk. A run that stopped, however it stopped, goes on with --resume from its last\n"
    "checkpoint: the output is cut back to that point and the run ends as if it had never\n"
    "stopped. A DIR whose prgs1b.txt holds records is not started over without --force.\n"
    "\n"
    "Another --seed, or other limits than the defaults, give another search than prgs1's; the\n"
    "header of prgs1b.txt shows the seed (\"Parameters ... 0  SEED\") and the limits\n"
    "(\"Programs  N-1  A  B  C\") in force. Runs with other seeds cover other programs;\n"
    "sbtool best and report merge their output files.\n";


std::string where(const search_options& o) {
    return o.dir.empty() ? "here" : "in " + printable(o.dir);
}

// The path of the run's file `name` in DIR.
std::string in_dir(const search_options& o, const std::string& name) {
    return o.dir.empty() ? name : o.dir + "/" + name;
}

// DIR must be a directory the run can work in; it is refused as entering it would fail.
void require_directory(const search_options& o) {
    if (o.dir.empty()) return;
    struct stat info;
    const int error = ::stat(o.dir.c_str(), &info) != 0 ? errno
                      : !S_ISDIR(info.st_mode)          ? ENOTDIR
                      : ::access(o.dir.c_str(), X_OK) != 0 ? errno
                                                           : 0;
    if (error != 0) data_error("cannot enter " + printable(o.dir) + ": " + std::strerror(error));
}

// One search at a time in a directory: a second would write into the first one's output.
void refuse_a_second_search(const search_options& o, directory_claim* claim) {
    const std::string dir = o.dir.empty() ? "." : o.dir;
    if (!(claim ? claim->take(dir) : ::lock_directory(dir)))
        data_error("another search is running " + (o.dir.empty() ? "in this directory" : "in " + printable(o.dir)) +
                   ": let it end or stop it first");
}

// The output must be a file the run can write and read back (a checkpoint holds a hash of
// it), checked before the list is loaded so that a run fails at once.
void require_writable_output(const search_options& o) {
    struct stat info;
    const std::string cannot = std::string("cannot write ") + filename + " " + where(o) + ": ";
    const std::string output = in_dir(o, filename);
    if (::stat(output.c_str(), &info) != 0) {
        if (::access(o.dir.empty() ? "." : o.dir.c_str(), W_OK) != 0) data_error(cannot + std::strerror(errno));
        return;
    }
    if (S_ISDIR(info.st_mode)) data_error(cannot + "it is a directory");
    if (!S_ISREG(info.st_mode)) data_error(cannot + "it is not a regular file");
    if (::access(output.c_str(), W_OK) != 0) data_error(cannot + std::strerror(errno));
}

// A new run must not overwrite the records, or the finished passes, of an earlier one unless
// asked to.
void refuse_overwriting(const search_options& o) {
    if (o.force) return;
    bool exists = false;
    const size_t records = split_output(read_if_present(in_dir(o, filename), &exists)).records.size();
    checkpoint c;
    const bool passes_done = exists && read_checkpoint(in_dir(o, checkpoint_name), c).empty() && c.pass > 0;
    if (records == 0 && !passes_done) return;
    const std::string held = records > 0 ? std::to_string(records) + " record" + (records == 1 ? "" : "s")
                                         : std::to_string(c.pass) + " finished pass" + (c.pass == 1 ? "" : "es");
    data_error(std::string(filename) + " " + where(o) + " already holds " + held +
               ": go on with that run with --resume, or start over with --force (which overwrites it)");
}

// How much of what a checkpoint covers the output still holds.
enum class output_support {
    whole,     // everything: the run goes on from the checkpoint
    lost_end,  // the run's start, but its end is cut off or zeroed, as a power cut leaves a
               // file whose last writes had not reached the disk: only the start of the run
    changed,   // something else: another file, or one changed after the run stopped
};

output_support support_of(const checkpoint& c, bool exists, const std::string& output) {
    if (exists && output.size() >= c.output_size && content_hash(output.substr(0, c.output_size)) == c.output_hash)
        return output_support::whole;
    const std::string kept = output.substr(0, output.find('\0'));
    const std::string header = header_text(c.seed, c.exhaustive, c.limits);
    const bool lost = !exists || kept.size() < c.output_size;
    const bool run_start = header.compare(0, kept.size(), kept, 0, header.size()) == 0;
    return lost && run_start ? output_support::lost_end : output_support::changed;
}

std::string limits_text(const search_limits& l) {
    return std::to_string(l.length) + " instructions, deadlines " + std::to_string(l.deadline[0]) + "," +
           std::to_string(l.deadline[1]) + "," + std::to_string(l.deadline[2]);
}

// The checkpoint of the run to go on with, checked against the list, the output and the
// options; a bad-data error, with nothing changed, when any of them does not match. The
// options take the run's seed, limits and exhaustiveness. When the output has lost its end,
// the run starts again from its first pass (*from_start), with a note on err: the search
// writes the same records again.
checkpoint checkpoint_to_resume(search_options& o, uint64_t list_hash, bool* from_start, std::ostream& err) {
    checkpoint c;
    const std::string path = in_dir(o, checkpoint_name);
    if (access(path.c_str(), F_OK) != 0)
        data_error(std::string("cannot resume: no ") + checkpoint_name + " " + where(o) +
                   " (a run writes it at the start of every pass): start the run without --resume");
    std::string fault = read_checkpoint(path, c);
    // The checkpoint is named as the run knows it, by its name alone.
    if (fault.rfind(path, 0) == 0) fault = checkpoint_name + fault.substr(path.size());
    if (!fault.empty()) data_error("cannot resume: " + fault + ": start over with --force");
    if (c.list_hash != list_hash) data_error("cannot resume: sb2.txt is not the list the run searched");
    if (o.seed_given && o.seed != c.seed)
        data_error("cannot resume: the run used seed " + std::to_string(c.seed) + ", not " + std::to_string(o.seed));
    const search_limits& l = c.limits;
    const bool same_limits = o.limits.length == l.length && o.limits.deadline[0] == l.deadline[0] &&
                             o.limits.deadline[1] == l.deadline[1] && o.limits.deadline[2] == l.deadline[2];
    if (o.limits_given && !same_limits) data_error("cannot resume: the run searched with " + limits_text(l));
    if (o.exhaustive && !c.exhaustive) data_error("cannot resume: the run was not exhaustive");
    bool exists = false;
    const std::string output = read_if_present(in_dir(o, filename), &exists);
    const output_support support = support_of(c, exists, output);
    if (support == output_support::changed)
        data_error(std::string("cannot resume: ") + filename + " is not the output the checkpoint was written with "
                   "(it was changed after the run stopped): put the run's output back, or start over with --force");
    o.seed = c.seed;
    o.limits = c.limits;
    if (c.exhaustive) {
        o.exhaustive = true;
        o.passes = 1;
    }
    *from_start = support == output_support::lost_end;
    if (*from_start)
        err << "note: " << filename << " " << where(o) << " has lost the end that its checkpoint of pass " << c.pass
            << " covers (" << output.substr(0, output.find('\0')).size() << " of " << c.output_size
            << " bytes are left, as after a power cut): the run starts again from pass 0 with its seed and limits "
               "and writes the same records again\n";
    return c;
}

// A resumed run that has done the passes it is asked for: says so on err.
bool nothing_left(const search_options& o, const checkpoint& c, std::ostream& err) {
    if (o.passes < 0 || c.pass < o.passes) return false;
    if (c.exhaustive)
        err << "note: nothing to do: the exhaustive pass " << where(o) << " is complete\n";
    else
        err << "note: nothing to do: the run " << where(o) << " has done its " << c.pass << " pass"
            << (c.pass == 1 ? "" : "es") << "; give --passes N with N above " << c.pass << " to add passes\n";
    return true;
}

// Loads the list as the search does; a refused list is reported on the console as prgs1
// reports it, and as one line on standard error.
void load_or_fail(const search_options& o) {
    const load_outcome outcome = prepare_search(in_dir(o, "sb2.txt"), std::cout, "sb2.txt");
    if (!outcome.failed) return;
    std::cout << outcome.message;
    std::cout.flush();
    throw tool_error(status_bad_data, one_line(outcome.message));
}

}  // namespace

// Text as one word of a shell command line: quoted unless it is plain.
std::string shell_word(const std::string& text) {
    if (!text.empty() && text.find_first_not_of("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789/._-+=:,@") ==
                             std::string::npos)
        return text;
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void claim_search_directory(const search_options& options, directory_claim* claim) {
    require_directory(options);
    refuse_a_second_search(options, claim);
    require_writable_output(options);
}

bool choose_run_start(search_options& options, uint64_t list_hash, checkpoint& resume_from, bool* resuming,
                      std::ostream& err) {
    *resuming = false;
    if (!options.resume) {
        refuse_overwriting(options);
        return true;
    }
    bool from_start = false;
    resume_from = checkpoint_to_resume(options, list_hash, &from_start, err);
    if (!from_start && nothing_left(options, resume_from, err)) return false;
    *resuming = !from_start;
    return true;
}

void configure_run(run_context& run, const search_options& options, uint64_t list_hash, const checkpoint* resume) {
    if (resume) {
        const std::string fault = fits_loaded_list(*resume);
        if (!fault.empty()) data_error("cannot resume: " + fault);
    }
    run.limits = options.limits;
    run.dir = options.dir;
    run_settings& settings = run.settings;
    settings.seed = options.seed;
    settings.passes = options.passes;
    settings.checkpoints = true;
    settings.resume = resume;
    settings.list_hash = list_hash;
    settings.quiet = options.quiet;
    settings.exhaustive = options.exhaustive;
    settings.checkpoint_seconds = options.checkpoint_seconds;
}

bool set_up_search(search_options& options, search_setup& setup, std::ostream& out, std::ostream& err) {
    claim_search_directory(options);
    bool list_exists = false;
    setup.list_text = read_if_present(in_dir(options, "sb2.txt"), &list_exists);
    if (list_exists) check_target_list(setup.list_text, "sb2.txt");
    const uint64_t list_hash = content_hash(setup.list_text);
    bool resuming = false;
    if (!choose_run_start(options, list_hash, setup.resume_from, &resuming, err)) return false;
    out.flush();
    install_clean_stop();
    load_or_fail(options);
    configure_run(setup.run, options, list_hash, resuming ? &setup.resume_from : nullptr);
    setup.run.status = &setup.status;
    return true;
}

bool start_search_command(const std::vector<std::string>& args, const search_command_texts& texts,
                          std::ostream& out, std::ostream& err, search_options& options, search_setup& setup) {
    const command_line line = parse_command_line(args, search_option_specs());
    if (line.help) {
        out << texts.help_head << search_options_help << "\n" << search_runs_help << texts.help_tail;
        return false;
    }
    require_operands(line, 0, 0, {});
    options = read_search_options(line);
    std::string go_on = texts.resume + " --resume";
    if (!options.dir.empty()) go_on += " --dir " + shell_word(options.dir);
    if (options.passes >= 0 && !options.exhaustive) go_on += " --passes " + std::to_string(options.passes);
    set_stop_note(std::string(texts.name) + ": stopped; go on with: " + go_on + "\n");
    return set_up_search(options, setup, out, err);
}
