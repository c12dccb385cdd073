// Starting the search from the command line: prgs1 refusing arguments. Also the promises of
// the test helpers that every test relies on: a child that cannot enter its directory stops
// there, and temporary directories are removed by the process that made them.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "child_process.h"
#include "tools_support.h"

namespace {

namespace fs = std::filesystem;

// Any argument, even an empty one, gets the usage line and status 2, and the output of an
// earlier run stays as it was. Bounded by `timeout` in case prgs1 starts a search after all.
TEST(Prgs1CommandLine, AnyArgumentPrintsUsageAndTouchesNoFile) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n");
    write_file(dir + "/prgs1b.txt", "results of an earlier run\n");
    std::string usage;
    for (const std::string args : {"--help", "-h", "''", "sb2.txt more"}) {
        const tool_result r = shell("cd " + quoted(dir) + " && timeout 5 " + quoted(PRGS1_PATH) + " " + args);
        ASSERT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.err, "") << args;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 1) << r.out;
        EXPECT_EQ(r.out.rfind("usage: prgs1 ", 0), 0u) << r.out;
        EXPECT_NE(r.out.find("sbtool search"), std::string::npos) << r.out;
        if (usage.empty()) usage = r.out;
        EXPECT_EQ(r.out, usage) << args;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), "results of an earlier run\n") << args;
        EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2) << args;
    }
}

TEST(TestHelpers, ChildrenStopOutsideTheirDirectoryAndRemoveOnlyWhatTheyMade) {
    ChildResult lost;
    EXPECT_NONFATAL_FAILURE(lost = run_in_child([] {
                                change_dir("/nonexistent/dir/for/sure");
                                std::cout << "ran on in the wrong directory";
                            }),
                            "could not enter its working directory");
    EXPECT_EQ(lost.status, cannot_enter_dir_status);
    EXPECT_EQ(lost.out, "");
    // A child that ends by exit() removes the directory it made, not its parent's.
    const std::string parents = make_temp_dir();
    const ChildResult child = run_in_child([] {
        const std::string own = make_temp_dir();
        write_file(own + "/file", "text");
        std::cout << own;
        std::cout.flush();
        std::exit(0);
    });
    ASSERT_EQ(child.status, 0);
    ASSERT_FALSE(child.out.empty());
    EXPECT_FALSE(fs::exists(child.out)) << child.out;
    EXPECT_TRUE(fs::is_directory(parents));
}

}  // namespace
