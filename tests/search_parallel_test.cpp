// The parallel search must write exactly what the sequential search writes: the same output
// file and the same console lines apart from the pass time, whatever the thread count.
#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "search/driver.h"
#include "search/parallel.h"
#include "search/run.h"

namespace {

struct Outcome {
    std::string file;
    std::string console;
    int status;
};

// Runs the search on `list` in a new directory for `passes` passes; threads = 0 means the
// sequential driver.
Outcome run_on(const std::string& list, int threads, long passes) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", list);
    ChildResult run = run_in_child([&] {
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_run.settings.passes = passes;
        if (threads == 0) search_bounded(search_run, -1);
        else search_parallel(search_run, threads);
    });
    return {read_file(dir + "/prgs1b.txt"), without_pass_times(run.out), run.returned ? 0 : run.status};
}

// Returns the sequential run's outcome.
Outcome expect_same_as_sequential(const std::string& list, long passes) {
    const Outcome sequential = run_on(list, 0, passes);
    EXPECT_EQ(sequential.status, 0) << sequential.console;
    for (int threads : {1, 2, 7}) {
        const Outcome parallel = run_on(list, threads, passes);
        EXPECT_EQ(parallel.status, 0) << threads;
        EXPECT_EQ(parallel.file, sequential.file) << threads << " threads";
        EXPECT_EQ(parallel.console, sequential.console) << threads << " threads";
    }
    return sequential;
}

TEST(ParallelSearch, EmptyListTwoPasses) {
    expect_same_as_sequential("", 2);
}

// The second pass finds nothing new for rows the first pass reached, so this also checks
// that the merger applies the duplicate test in the sequential order.
TEST(ParallelSearch, OneSboxTwoPasses) {
    const Outcome sequential = expect_same_as_sequential(list_file("single.txt"), 2);
    EXPECT_NE(sequential.file.find("found 1 "), std::string::npos);
}

TEST(ParallelSearch, FewSboxesOnePass) {
    expect_same_as_sequential(list_file("few.txt"), 1);
}

}  // namespace
