#include "search/merge.h"

#include <algorithm>

#include "search/driver.h"
#include "search/enumerate.h"
#include "search/run.h"
#include "search/status.h"
#include "search/verify.h"

void walk_merger::checkpoint_when_due(const event& batch) {
    // Once the run is cancelled, the walk may have left subtrees out: no checkpoint covers them.
    if (run_.cancelled.load()) return;
    const auto now = std::chrono::steady_clock::now();
    if (std::chrono::duration<double>(now - last_checkpoint_).count() < run_.settings.checkpoint_seconds) return;
    keep_checkpoint_within_pass(run_, pass_, batch.subtrees_handed, walker_at_pass_start_, merged_, pass_generators_);
    last_checkpoint_ = now;
}

bool walk_merger::apply(const event& e) {
    if (e.kind != batch_event) walker_ = e.walker;
    switch (e.kind) {
    case batch_event:
        merged_ += e.result.delta;
        for (const found_sbox& f : e.result.found)
            record_reached(run_, merged_, f.N, f.length, f.prog, f.lock_regs, f.words);
        if (run_.status) {
            run_.status->counters(walker_ + merged_);
            run_.status->batch_merged(e.result.delta.verify_calls, e.subtrees_handed);
        }
        checkpoint_when_due(e);
        return false;
    case progress_event:
        if (!e.replayed) print_progress(run_, e.walker + merged_, e.prog, e.j);
        return false;
    case pass_start_event:
        pass_ = e.pass;
        walker_at_pass_start_ = e.walker;
        pass_generators_ = *e.generators;
        if (e.replayed) {
            run_.pass = e.pass;
            if (run_.status) run_.status->pass(e.pass, e.walker + merged_);
        } else {
            begin_pass(run_, e.pass, e.walker + merged_, *e.generators);
        }
        if (run_.status) run_.status->pass_subtrees(e.pair_subtrees, e.replayed ? resumed_subtrees_ : 0);
        pass_start_ = time(nullptr);
        last_checkpoint_ = std::chrono::steady_clock::now();
        return false;
    case pass_end_event:
        print_summary(run_, e.walker + merged_, difftime(time(nullptr), pass_start_));
        if (run_.observer.pass_done) run_.observer.pass_done(pass_, e.walker + merged_);
        return false;
    case finish_event:
        if (!e.cancelled) end_run(run_, e.pass, e.walker + merged_, *e.generators);
        figures_.walker_verify_calls = e.walker.verify_calls;
        figures_.total = e.walker + merged_;
        return true;
    }
    return false;
}
