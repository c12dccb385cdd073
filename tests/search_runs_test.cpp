// Runs as objects: two runs with their own seeds and limits share one process and its class
// tables, each writing what it writes alone; a cancelled run leaves files it goes on from; and
// whole runs write, byte for byte, the output and console kept in tests/lists, which the
// search wrote before any of its pruning was made faster.
#include <gtest/gtest.h>

#include <sstream>
#include <thread>

#include "child_process.h"
#include "search/checkpoint.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/run.h"

namespace {

// What a run leaves: its output file, and its console after the list was loaded.
struct outcome {
    std::string file, console;
};

// The settings of the runs below.
struct run_plan {
    uint32_t seed;
    search_limits limits;
    int threads;  // 0: the sequential driver
};

outcome result_of(const std::string& dir, const std::string& console) {
    return {read_file(dir + "/prgs1b.txt"), without_pass_times(console)};
}

// Runs plan in dir (which holds the list as sb2.txt) for two passes, the list being loaded.
void run_in(const std::string& dir, const run_plan& plan, std::ostream& console) {
    run_context run;
    run.dir = dir;
    run.console = &console;
    run.limits = plan.limits;
    run.settings.seed = plan.seed;
    run.settings.passes = 2;
    if (plan.threads == 0) search_bounded(run, -1);
    else search_parallel(run, plan.threads);
}

// Each plan run alone in a process of its own, then both at once on two threads of one
// process (the list loaded once): the same bytes.
TEST(Runs, TwoRunsShareAProcess) {
    search_limits shorter;
    shorter.length = 15;
    shorter.deadline[0] = 6;
    shorter.deadline[1] = 10;
    shorter.deadline[2] = 13;
    const run_plan plans[2] = {{default_seed, search_limits{}, 0}, {7, shorter, 2}};
    const std::string list = list_file("few.txt");
    outcome alone[2];
    for (int k = 0; k < 2; k++) {
        const std::string dir = make_temp_dir();
        write_file(dir + "/sb2.txt", list);
        const ChildResult r = run_in_child([&] {
            std::ostringstream quiet;
            ASSERT_FALSE(prepare_search(dir + "/sb2.txt", quiet).failed);
            run_in(dir, plans[k], std::cout);
        });
        ASSERT_TRUE(r.returned) << r.out;
        alone[k] = result_of(dir, r.out);
    }
    const std::string dirs[2] = {make_temp_dir(), make_temp_dir()};
    for (const std::string& dir : dirs) write_file(dir + "/sb2.txt", list);
    const std::string consoles[2] = {dirs[0] + "/console", dirs[1] + "/console"};
    const ChildResult together = run_in_child([&] {
        std::ostringstream quiet;
        ASSERT_FALSE(prepare_search(dirs[0] + "/sb2.txt", quiet).failed);
        std::ostringstream console[2];
        std::thread first(run_in, dirs[0], plans[0], std::ref(console[0]));
        run_in(dirs[1], plans[1], console[1]);
        first.join();
        for (int k = 0; k < 2; k++) write_file(consoles[k], console[k].str());
    });
    ASSERT_TRUE(together.returned) << together.out;
    for (int k = 0; k < 2; k++) {
        const outcome shared = result_of(dirs[k], read_file(consoles[k]));
        EXPECT_EQ(shared.file, alone[k].file) << "run " << k;
        EXPECT_EQ(shared.console, alone[k].console) << "run " << k;
    }
    EXPECT_NE(alone[0].file, alone[1].file) << "the two runs differ";
}

// A run cancelled in its second pass, sequential or parallel, ends soon with files that a
// resumed run takes up, ending with the output of a run that was never cancelled.
TEST(Runs, CancelledRunsGoOn) {
    const std::string list = list_file("single.txt");
    const std::string whole = make_temp_dir();
    write_file(whole + "/sb2.txt", list);
    const ChildResult uninterrupted = run_in_child([&] {
        ASSERT_FALSE(prepare_search(whole + "/sb2.txt", std::cout).failed);
        run_in(whole, {default_seed, search_limits{}, 0}, std::cout);
    });
    ASSERT_TRUE(uninterrupted.returned);
    for (int threads : {0, 2}) {
        const std::string dir = make_temp_dir();
        write_file(dir + "/sb2.txt", list);
        const ChildResult r = run_in_child([&] {
            std::ostringstream quiet;
            ASSERT_FALSE(prepare_search(dir + "/sb2.txt", quiet).failed);
            for (bool resume : {false, true}) {
                checkpoint c;
                run_context run;
                run.dir = dir;
                run.console = &quiet;
                run.settings.passes = 2;
                run.settings.checkpoints = true;
                if (resume) {
                    ASSERT_EQ(read_checkpoint(dir + "/" + checkpoint_name, c), "");
                    ASSERT_EQ(c.pass, 1) << "the checkpoint of the pass cancelled";
                    run.settings.resume = &c;
                } else {
                    run.observer.start_pair = [&run](int pass, int pair, const search_counters&) {
                        if (pass == 1 && pair == 4) run.cancelled = true;
                    };
                }
                if (threads == 0) search_bounded(run, -1);
                else search_parallel(run, threads);
            }
        });
        ASSERT_TRUE(r.returned) << threads << " threads: " << r.out;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), read_file(whole + "/prgs1b.txt")) << threads << " threads";
    }
}

// The kept runs: a gated search of two passes, and an exhaustive pass under short limits whose
// outputs get fixed one, two and three at a time (every kind of call that must fix an output).
TEST(Runs, WriteTheKeptOutputs) {
    search_limits eight;
    eight.length = 8;
    eight.deadline[0] = 4;
    eight.deadline[1] = 6;
    eight.deadline[2] = 7;
    const struct {
        const char* list;
        const char* kept;
        search_limits limits;
        bool exhaustive;
        long passes;
    } runs[] = {
        {"few.txt", "few.two-passes", search_limits{}, false, 2},
        {"easy.txt", "easy.exhaustive-8", eight, true, 1},
    };
    for (const auto& k : runs) {
        for (int threads : {0, 2}) {
            const std::string dir = make_temp_dir();
            write_file(dir + "/sb2.txt", list_file(k.list));
            const ChildResult r = run_in_child([&] {
                run_context run;
                run.dir = dir;
                run.limits = k.limits;
                run.settings.exhaustive = k.exhaustive;
                run.settings.passes = k.passes;
                start_up(run);
                if (threads == 0) search_bounded(run, -1);
                else search_parallel(run, threads);
            });
            ASSERT_TRUE(r.returned) << k.kept << ": " << r.out;
            EXPECT_EQ(read_file(dir + "/prgs1b.txt"), list_file(std::string(k.kept) + ".prgs1b.txt"))
                << k.kept << ", " << threads << " threads";
            EXPECT_EQ(without_pass_times(r.out), without_pass_times(list_file(std::string(k.kept) + ".console")))
                << k.kept << ", " << threads << " threads";
        }
    }
}

}  // namespace
