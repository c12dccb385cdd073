#include "search/merge.h"

#include <algorithm>

#include "search/driver.h"
#include "search/enumerate.h"
#include "search/run.h"
#include "search/status.h"
#include "search/verify.h"

bool walk_merger::apply(const event& e) {
    if (e.kind != batch_event) walker_ = e.walker;
    switch (e.kind) {
    case batch_event:
        merged_ += e.result.delta;
        for (const found_sbox& f : e.result.found) record_reached(merged_, f.N, f.length, f.prog, f.lock_regs, f.words);
        status_counters(walker_ + merged_);
        return false;
    case progress_event:
        print_progress(e.walker + merged_, e.prog, e.j);
        return false;
    case pass_start_event:
        begin_pass(e.pass, e.walker + merged_, *e.generators);
        pass_start_ = time(nullptr);
        return false;
    case pass_end_event:
        print_summary(e.walker + merged_, difftime(time(nullptr), pass_start_));
        return false;
    case finish_event:
        end_run(e.pass, e.walker + merged_, *e.generators);
        figures_.walker_verify_calls = e.walker.verify_calls;
        figures_.total = e.walker + merged_;
        return true;
    }
    return false;
}
