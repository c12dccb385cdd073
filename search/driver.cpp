#include "search/driver.h"

#include <cstdlib>
#include <ctime>
#include <iostream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "foundation/init.h"
#include "random/random.h"
#include "search/enumerate.h"
#include "search/interrupt.h"
#include "search/output.h"
#include "search/perm.h"
#include "search/run.h"
#include "search/status.h"
#include "search/targets.h"

run_settings run;

void print_summary(const search_counters& c, double seconds) {
    std::ostringstream text;
    text << seconds << " ";
    for (int i = 2; i <= 8; i++) text << c.nodecnt[i] << (i < 8 ? "  " : "\n");
    for (int i = 9; i <= 16; i++) text << c.nodecnt[i] << (i < 16 ? "  " : "\n");
    for (int i = 17; i <= 20; i++) text << c.nodecnt[i] << (i < 20 ? "  " : "\n");
    text << c.l1 << "  " << c.l2 << "  " << c.l3 << "  " << c.l4 << "\n";
    console_write(text.str());
}

// Runs start pair `pair`: reset the machine, execute the pair, enumerate every continuation.
void run_start_pair(search_state& s, int pair) {
    select2(pair, s.prog);
    init_state(s);
    doinst(s, s.prog, start_pair_length);
    s.facts[start_pair_length] = facts_of(s.prog, start_pair_length);
    addop2(s, start_pair_length, -1);
}

load_outcome prepare_search(const std::string& list_path, std::ostream& console) {
    init_startup();
    console << "Starting Test\n";
    const load_outcome outcome = load_valid(1, console, list_path);
    if (outcome.failed) return outcome;
    init_perm(console);
    return outcome;
}

void start_up() {
    const load_outcome outcome = prepare_search("sb2.txt");
    if (outcome.failed) fatal(outcome.message, outcome.status);
}

run_start begin_search() {
    init_dsi();
    run_start start;
    if (!run.resume) {
        srand_ansic(run.seed);
        rand_init2();
        if (run.checkpoints) remove_checkpoint();
        open_output(run.seed, run.exhaustive);
        return start;
    }
    const checkpoint& c = *run.resume;
    for (const checkpoint::reached_row& r : c.reached) {
        dn[r.row][0] = r.number;
        dn[r.row][1] = r.length;
    }
    restore_generators(c.generators);
    reopen_output(c.output_size);
    start.pass = c.pass;
    start.counters = c.counters;
    start.merged_subtrees = c.subtrees;
    return start;
}

namespace {

// Writes the checkpoint from which a run goes on with `pass`, when the run keeps one.
void keep_checkpoint(int pass, const search_counters& counters, const generator_state& generators) {
    if (!run.checkpoints) return;
    write_checkpoint(checkpoint_now(pass, run.seed, run.exhaustive, run.list_hash, counters, generators));
    arm_stop_note();
}

}  // namespace

void begin_pass(int pass, const search_counters& counters, const generator_state& generators) {
    keep_checkpoint(pass, counters, generators);
    write_pass_start(pass);
    status_pass(pass, counters);
}

void keep_checkpoint_within_pass(int pass, uint64_t subtrees, const search_counters& walker_at_start,
                                 const search_counters& merged, const generator_state& generators) {
    if (!run.checkpoints) return;
    checkpoint c = checkpoint_now(pass, run.seed, run.exhaustive, run.list_hash, walker_at_start + merged, generators);
    c.subtrees = subtrees;
    write_checkpoint(c);
    arm_stop_note();
}

void end_run(int next_pass, const search_counters& counters, const generator_state& generators) {
    keep_checkpoint(next_pass, counters, generators);
}

search_counters search_bounded(long max_start_pairs) {
    static search_state s;
    s = search_state{};
    const run_start start = begin_search();
    s.counters() = start.counters;
    long done = 0;
    for (int pass = start.pass;; pass++) {
        if (run_ends_before(pass)) {
            end_run(pass, s, save_generators());
            return s;
        }
        if (max_start_pairs >= 0 && done == max_start_pairs) return s;
        begin_pass(pass, s, save_generators());
        const time_t begin = time(nullptr);
        for (int pair = 0; pair < start_pairs; pair++) {
            if (max_start_pairs >= 0 && done == max_start_pairs) return s;
            run_start_pair(s, pair);
            done++;
        }
        print_summary(s, difftime(time(nullptr), begin));
    }
}

void search() {
    search_bounded(-1);
    std::exit(0);
}
