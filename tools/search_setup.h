// What a search command does before its first pass, shared by sbtool search and sbtool-mpi
// search: entering DIR, the checks that keep a run from overwriting records or from going on
// from the wrong checkpoint, loading the list as prgs1 does, and the run's settings.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "search/checkpoint.h"
#include "search/directory_lock.h"
#include "search/run.h"
#include "search/status.h"
#include "tools/search_options.h"

struct search_setup {
    std::string list_text;   // sb2.txt as it was read, for processes that load it too
    checkpoint resume_from;  // the checkpoint a resumed run goes on from; the run points here
    status_line status;      // the run's status line, started by the command
    run_context run;         // the run the options ask for
};

// The checks of DIR before a list is loaded: it can be entered, no other search works there
// (its lock is taken: until the process ends, or by `claim` when one is given), and prgs1b.txt
// there can be written. Every refusal is a tool_error with one line.
void claim_search_directory(const search_options& options, directory_claim* claim = nullptr);
// Where the run in DIR on a list of hash list_hash starts. A new run refuses to overwrite the
// records or finished passes of an earlier one unless --force; a resumed one reads the
// checkpoint into resume_from, checked against the list, the output and the options, which take
// the run's seed, limits and exhaustiveness. *resuming: the run goes on from resume_from (not
// when the output has lost its end: it starts again, with a note on err). False, with a note on
// err, when a resumed run has nothing left to do.
bool choose_run_start(search_options& options, uint64_t list_hash, checkpoint& resume_from, bool* resuming,
                      std::ostream& err);
// The run's limits and settings from the options, with checkpoints, once the list is loaded;
// a run that goes on from `resume` (null: none) must fit that list.
void configure_run(run_context& run, const search_options& options, uint64_t list_hash, const checkpoint* resume);

// Sets up the run the options ask for in setup.run: checks DIR and the run it would overwrite
// or go on with, installs the clean stop, loads DIR/sb2.txt with prgs1's console lines on
// standard output (after flushing out) and sets the run's limits and settings. A resumed run takes the
// checkpoint's seed, limits and exhaustiveness into options; one whose output has lost its end
// starts again from its first pass, with a note on err. Every refusal is a tool_error with one
// line; nothing has been written then. False, with a note on err, when a resumed run has
// nothing left to do.
bool set_up_search(search_options& options, search_setup& setup, std::ostream& out, std::ostream& err);

// The start of a search command: parses args against the search options. With --help,
// writes help_head, the options' help, the paragraphs on runs and help_tail to out and
// returns false; otherwise reads the options and sets the run up (set_up_search), returning
// whether a search is to run. A usage error or a refusal is a tool_error with one line.
// A stop after the first checkpoint then writes one line on standard error that says how to go
// on: "NAME: stopped; go on with: RESUME --resume --dir DIR".
struct search_command_texts {
    const char* name;        // "sbtool search"
    const char* help_head;
    const char* help_tail;
    std::string resume;      // the command that goes on, e.g. "mpirun -np 3 sbtool-mpi search"
};
// text as one word of a shell command line: quoted unless it is plain.
std::string shell_word(const std::string& text);

bool start_search_command(const std::vector<std::string>& args, const search_command_texts& texts,
                          std::ostream& out, std::ostream& err, search_options& options, search_setup& setup);
