// The library's runs driven through its API alone: however a run is stopped (a callback that
// throws, a cancel from another thread), a resumed run ends with the output of a run never
// stopped; while a run goes on, its list stays loaded.
#include <gtest/gtest.h>

#include <future>
#include <thread>

#include "api/sboxsearch.h"
#include "child_process.h"

namespace {

namespace sb = sboxsearch;

// A run of the loaded list in dir for `passes` passes with checkpoints (-1: until stopped).
sb::run_options in(const std::string& dir, long passes, bool resume = false) {
    sb::run_options o;
    o.dir = dir;
    o.passes = passes;
    o.checkpoints = true;
    o.resume = resume;
    return o;
}

TEST(LibraryRuns, StoppedRunsGoOnAsIfNeverStopped) {
    sb::load_targets(list_file("single.txt"));
    const std::string whole = make_temp_dir();
    EXPECT_EQ(sb::search(in(whole, 2)).run().figures.passes_done, 2);
    const auto stop_by_throwing = [](const std::string& dir) {
        const auto second_pass = [](const sb::progress& p) {
            EXPECT_THROW(sb::load_targets(list_file("single.txt")), sb::error) << "the run's list stays loaded";
            if (p.pass == 1) throw std::range_error("enough");
        };
        EXPECT_THROW(sb::search(in(dir, -1)).run({nullptr, second_pass}), std::range_error);
    };
    // The other thread cancels once told the run is in its second pass: on an event, not a
    // time, so the run cannot have ended its passes before.
    const auto cancel_from_a_thread = [](const std::string& dir) {
        sb::search run(in(dir, -1));
        std::promise<void> second_pass;
        std::thread canceller([&run, reached = second_pass.get_future()]() mutable {
            reached.wait();
            run.cancel();
        });
        bool told = false;
        const auto tell = [&](const sb::progress& p) {
            if (p.pass == 1 && !told) second_pass.set_value();
            told = told || p.pass == 1;
        };
        EXPECT_TRUE(run.run({nullptr, tell}).cancelled);
        canceller.join();
    };
    for (const auto& stop : {std::function<void(const std::string&)>(stop_by_throwing), {cancel_from_a_thread}}) {
        const std::string dir = make_temp_dir();
        stop(dir);
        const sb::run_summary resumed = sb::search(in(dir, 2, true)).run();
        EXPECT_FALSE(resumed.cancelled);
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), read_file(whole + "/prgs1b.txt"));
    }
}

}  // namespace
