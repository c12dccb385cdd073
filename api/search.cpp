// The library's runs: one run of the search on a thread of its own, with its records and its
// progress handed to the thread that drives it.
#include <sys/stat.h>

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>
#include <utility>

#include "api/errors.h"
#include "api/loaded_list.h"
#include "api/sboxsearch.h"
#include "search/checkpoint.h"
#include "search/directory_lock.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/run.h"
#include "tools/input_file.h"
#include "tools/search_options.h"
#include "tools/search_setup.h"

namespace sboxsearch {

namespace {

using clock_type = std::chrono::steady_clock;

// The options as sbtool search would read them from its command line, checked as it checks
// them; seed and limits count as given when they are not the defaults.
search_options settings_of(const run_options& o) {
    if (o.threads < 0 || o.threads > 4096)
        throw error(status_usage, "threads must be 0 (one per core) to 4096, not " + std::to_string(o.threads));
    if (o.passes != -1 && (o.passes < 1 || o.passes > 1000000))
        throw error(status_usage,
                    "passes must be -1 (until cancelled) or 1 to 1000000, not " + std::to_string(o.passes));
    if (o.checkpoint_seconds < 0 || o.checkpoint_seconds > 86400)
        throw error(status_usage,
                    "checkpoint_seconds must be 0 to 86400, not " + std::to_string(o.checkpoint_seconds));
    if (o.resume && o.force)
        throw error(status_usage, "resume goes on with a run, force starts over: ask for one of them");
    search_options s;
    s.threads = o.threads == 0 ? default_threads() : o.threads;
    s.passes = o.passes;
    s.dir = o.dir;
    s.limits.length = o.max_length;
    for (int k = 0; k < 3; k++) s.limits.deadline[k] = o.deadlines[k];
    const std::string fault = limits_fault(s.limits);
    if (!fault.empty()) throw error(status_usage, fault);
    const search_limits defaults;
    s.limits_given = s.limits.length != defaults.length || s.limits.deadline[0] != defaults.deadline[0] ||
                     s.limits.deadline[1] != defaults.deadline[1] || s.limits.deadline[2] != defaults.deadline[2];
    s.seed = o.seed;
    s.seed_given = o.seed != default_seed;
    s.resume = o.resume;
    s.force = o.force;
    s.quiet = o.quiet;
    s.exhaustive = o.exhaustive;
    if (o.exhaustive && o.passes > 1)
        throw error(status_usage, "an exhaustive run is one pass, the whole tree: passes must be 1 or -1");
    if (o.exhaustive && s.seed_given)
        throw error(status_usage, "an exhaustive run draws no random numbers: leave the seed as it is");
    if (o.exhaustive) s.passes = 1;
    s.checkpoint_seconds = o.checkpoint_seconds;
    return s;
}

// "here" or "in DIR", as the messages name a run's directory.
std::string where(const std::string& dir) {
    return dir.empty() ? "here" : "in " + printable(dir);
}

// The run's directory keeps the list it searches as sb2.txt, so that sbtool can go on with the
// run and tell what it searched: written when missing, refused when it holds another list.
void keep_list(const std::string& dir, const std::string& text) {
    const std::string path = dir.empty() ? "sb2.txt" : dir + "/sb2.txt";
    bool exists = false;
    const std::string there = read_if_present(path, &exists);
    if (exists && there != text)
        throw error(status_bad_data, "sb2.txt " + where(dir) +
                                         " holds another list than the loaded one: load that list, or run elsewhere");
    if (exists) return;
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out) throw error(status_bad_data, "cannot write sb2.txt " + where(dir));
}

// A note as sbtool writes it on standard error, without its "note: " and its line end.
std::string plain_note(std::string note) {
    if (note.compare(0, 6, "note: ") == 0) note.erase(0, 6);
    while (!note.empty() && note.back() == '\n') note.pop_back();
    return note;
}

// The failure of a run's thread as the library's error.
[[noreturn]] void rethrow_as_error(const std::exception_ptr& failure) {
    try {
        std::rethrow_exception(failure);
    } catch (const error&) {
        throw;
    } catch (const tool_error& e) {
        throw error(e.status(), e.what());
    } catch (const std::exception& e) {
        throw error(status_bad_data, e.what());
    }
}

}  // namespace

struct search::impl {
    run_options options;
    search_options settings;
    directory_claim claim;
    run_context run;
    checkpoint resume_from;
    std::ostream nowhere{nullptr};  // the console of a run nobody watches
    std::string note;
    bool started = false;
    std::thread worker;
    clock_type::time_point began = clock_type::now();

    // What the run's thread hands over, guarded by lock.
    std::mutex lock;
    std::condition_variable changed;
    std::deque<record> records;   // written, not yet taken by next()
    progress figures;
    bool pair_begun = false;      // a start pair began since next() last gave the figures
    bool finished = false;
    std::exception_ptr failure;

    explicit impl(const run_options& o) : options(o), settings(settings_of(o)) {}

    // Everything before the run's thread starts, the loaded list's text given. False when a
    // resumed run has nothing left to do.
    bool prepare(const std::string& text);
    // Hands the run's records and figures over as the run reaches them.
    void observe();
    // The run itself, on its thread.
    void work();
    // The figures now.
    progress figures_now() {
        progress p = figures;
        p.seconds = std::chrono::duration<double>(clock_type::now() - began).count();
        return p;
    }
};

bool search::impl::prepare(const std::string& text) {
    keep_list(settings.dir, text);
    std::ostringstream notes;
    bool resuming = false;
    const bool go =
        translated([&] { return choose_run_start(settings, content_hash(text), resume_from, &resuming, notes); });
    note = plain_note(notes.str());
    if (!go) return false;
    translated([&] { configure_run(run, settings, content_hash(text), resuming ? &resume_from : nullptr); });
    run.settings.checkpoints = options.checkpoints || options.resume;
    run.settings.quiet = options.quiet || !options.console;
    run.console = options.console ? options.console : &nowhere;
    if (resuming) {
        figures.pass = resume_from.pass;
        figures.passes_done = resume_from.pass;
        figures.records = static_cast<long>(resume_from.counters.l5);
    }
    observe();
    return true;
}

void search::impl::observe() {
    run.observer.record = [this](const record_event& e) {
        record r;
        r.number = e.number;
        r.row = e.row;
        r.length = e.length;
        for (int i = 0; i < e.length; i++) {
            std::ostringstream instruction;
            instruction << e.prog[i];
            r.program.push_back(instruction.str());
        }
        r.text = *e.text;
        std::lock_guard<std::mutex> hold(lock);
        figures.records = e.number;
        records.push_back(std::move(r));
        changed.notify_all();
    };
    run.observer.start_pair = [this](int pass, int pair, const search_counters& c) {
        std::lock_guard<std::mutex> hold(lock);
        figures.pass = pass;
        figures.start_pair = pair;
        figures.verifications = c.verify_calls;
        pair_begun = true;
        changed.notify_all();
    };
    run.observer.pass_done = [this](int pass, const search_counters& c) {
        std::lock_guard<std::mutex> hold(lock);
        figures.passes_done = pass + 1;
        figures.verifications = c.verify_calls;
    };
}

void search::impl::work() {
    std::exception_ptr caught;
    try {
        // An exhaustive pass writes checkpoints within the pass, which the parallel search does.
        if (settings.threads == 1 && !settings.exhaustive) search_bounded(run, -1);
        else search_parallel(run, settings.threads);
    } catch (...) {
        caught = std::current_exception();
    }
    end_run_on_loaded_list();
    claim.release();
    std::lock_guard<std::mutex> hold(lock);
    failure = caught;
    finished = true;
    changed.notify_all();
}

search::search(const run_options& options) : impl_(std::make_unique<impl>(options)) {
    // A missing directory is made (its parent must exist); one that cannot be is refused below.
    if (!options.dir.empty()) ::mkdir(options.dir.c_str(), 0777);
    translated([&] { claim_search_directory(impl_->settings, &impl_->claim); });
}

search::~search() {
    if (!impl_->worker.joinable()) return;
    cancel();
    impl_->worker.join();
}

void search::start() {
    impl& m = *impl_;
    if (m.started) throw error(status_usage, "this run has begun already: a run runs once");
    m.started = true;
    m.finished = true;  // until its thread runs: a run refused here has ended
    const std::string text = begin_run_on_loaded_list();
    bool go = false;
    try {
        go = m.prepare(text);
    } catch (...) {
        end_run_on_loaded_list();
        m.claim.release();
        throw;
    }
    if (!go) {
        end_run_on_loaded_list();
        m.claim.release();
        return;
    }
    m.finished = false;
    m.began = clock_type::now();
    m.worker = std::thread([&m] { m.work(); });
}

search::event search::next(double seconds) {
    impl& m = *impl_;
    if (!m.started) throw error(status_usage, "the run has not begun: start it first");
    std::unique_lock<std::mutex> hold(m.lock);
    m.changed.wait_for(hold, std::chrono::duration<double>(seconds),
                       [&m] { return !m.records.empty() || m.pair_begun || m.finished; });
    event e;
    e.progress = m.figures_now();
    if (!m.records.empty()) {
        e.kind = event::record_event;
        e.record = std::move(m.records.front());
        m.records.pop_front();
    } else if (m.finished) {
        e.kind = event::end_event;
    } else {
        e.kind = event::progress_event;
        m.pair_begun = false;
    }
    return e;
}

run_summary search::finish() {
    impl& m = *impl_;
    if (!m.started) throw error(status_usage, "the run has not begun: start it first");
    if (m.worker.joinable()) m.worker.join();
    if (m.failure) rethrow_as_error(std::exchange(m.failure, nullptr));
    run_summary summary;
    summary.cancelled = m.run.cancelled.load();
    summary.figures = m.figures_now();
    summary.note = m.note;
    return summary;
}

run_summary search::run(const run_callbacks& callbacks) {
    start();
    // Without a progress callback nothing needs the thread between the records.
    const double wait = callbacks.on_progress ? impl_->options.progress_seconds : 3600;
    try {
        for (;;) {
            const event e = next(wait);
            if (e.kind == event::record_event) {
                if (callbacks.on_record) callbacks.on_record(e.record);
            } else if (callbacks.on_progress) {
                callbacks.on_progress(e.progress);
            }
            if (e.kind == event::end_event) break;
        }
    } catch (...) {
        cancel();
        if (impl_->worker.joinable()) impl_->worker.join();
        throw;
    }
    return finish();
}

void search::cancel() {
    impl_->run.cancelled = true;
}

}  // namespace sboxsearch
