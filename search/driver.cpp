#include "search/driver.h"

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "foundation/init.h"
#include "random/random.h"
#include "search/checkpoint.h"
#include "search/enumerate.h"
#include "search/interrupt.h"
#include "search/output.h"
#include "search/perm.h"
#include "search/status.h"
#include "search/targets.h"

void run_context::console_write(const std::string& text) {
    if (status) {
        status->write(*console, text);
    } else {
        *console << text;
        console->flush();
    }
}

void print_summary(run_context& run, const search_counters& c, double seconds) {
    std::ostringstream text;
    text << seconds << " ";
    for (int i = 2; i <= 8; i++) text << c.nodecnt[i] << (i < 8 ? "  " : "\n");
    for (int i = 9; i <= 16; i++) text << c.nodecnt[i] << (i < 16 ? "  " : "\n");
    for (int i = 17; i <= 20; i++) text << c.nodecnt[i] << (i < 20 ? "  " : "\n");
    text << c.l1 << "  " << c.l2 << "  " << c.l3 << "  " << c.l4 << "\n";
    run.console_write(text.str());
}

// Runs start pair `pair`: reset the machine, execute the pair, enumerate every continuation.
void run_start_pair(search_state& s, int pair) {
    select2(pair, s.prog);
    init_state(s);
    doinst(s, s.prog, start_pair_length);
    s.facts[start_pair_length] = facts_of(s.prog, start_pair_length);
    addop2(s, start_pair_length, -1);
}

load_outcome prepare_search(const std::string& list_path, std::ostream& console, const std::string& list_name) {
    init_startup();
    console << "Starting Test\n";
    const load_outcome outcome = load_valid(1, console, list_path, list_name);
    if (outcome.failed) return outcome;
    init_perm(console);
    init_dsi();
    return outcome;
}

void start_up(run_context& run) {
    const load_outcome outcome = prepare_search(run.path("sb2.txt"), *run.console);
    if (outcome.failed) fatal(outcome.message, outcome.status);
}

run_start begin_search(run_context& run) {
    run.dn.assign(sbcnt, {-1, -1});
    run_start start;
    if (!run.settings.resume) {
        srand_ansic(run.generators, run.settings.seed);
        rand_init2(run.generators);
        if (run.settings.checkpoints) remove_checkpoint(run);
        open_output(run);
        return start;
    }
    const checkpoint& c = *run.settings.resume;
    for (const checkpoint::reached_row& r : c.reached) run.dn[r.row] = {r.number, r.length};
    run.generators = c.generators;
    reopen_output(run, c.output_size);
    start.pass = c.pass;
    start.counters = c.counters;
    start.merged_subtrees = c.subtrees;
    return start;
}

namespace {

// Writes the checkpoint from which a run goes on with `pass`, when the run keeps one.
void keep_checkpoint(run_context& run, int pass, const search_counters& counters, const generator_state& generators) {
    if (!run.settings.checkpoints) return;
    write_checkpoint(run, checkpoint_now(run, pass, counters, generators));
    arm_stop_note();
}

}  // namespace

void begin_pass(run_context& run, int pass, const search_counters& counters, const generator_state& generators) {
    run.pass = pass;
    keep_checkpoint(run, pass, counters, generators);
    write_pass_start(run, pass);
    if (run.status) run.status->pass(pass, counters);
}

void keep_checkpoint_within_pass(run_context& run, int pass, uint64_t subtrees, const search_counters& walker_at_start,
                                 const search_counters& merged, const generator_state& generators) {
    if (!run.settings.checkpoints) return;
    checkpoint c = checkpoint_now(run, pass, walker_at_start + merged, generators);
    c.subtrees = subtrees;
    write_checkpoint(run, c);
    arm_stop_note();
}

void end_run(run_context& run, int next_pass, const search_counters& counters, const generator_state& generators) {
    keep_checkpoint(run, next_pass, counters, generators);
}

search_counters search_bounded(run_context& run, long max_start_pairs) {
    // The state is large (snapshots and facts per index); it lives on the heap, not the stack.
    const std::unique_ptr<search_state> state = std::make_unique<search_state>(search_for(run));
    search_state& s = *state;
    const run_start start = begin_search(run);
    s.counters() = start.counters;
    long done = 0;
    for (int pass = start.pass;; pass++) {
        if (run_ends_before(run, pass)) {
            end_run(run, pass, s, run.generators);
            return s;
        }
        if (max_start_pairs >= 0 && done == max_start_pairs) return s;
        begin_pass(run, pass, s, run.generators);
        const time_t begin = time(nullptr);
        for (int pair = 0; pair < start_pairs; pair++) {
            if (max_start_pairs >= 0 && done == max_start_pairs) return s;
            run_start_pair(s, pair);
            if (run.cancelled.load()) return s;
            done++;
        }
        print_summary(run, s, difftime(time(nullptr), begin));
        if (run.observer.pass_done) run.observer.pass_done(pass, s);
    }
}

void search(run_context& run) {
    search_bounded(run, -1);
    std::exit(0);
}
