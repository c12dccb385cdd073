// The promises of the test helpers that every test relies on: a child that cannot enter its
// directory stops there, and temporary directories are removed by the process that made them.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "child_process.h"

namespace {

namespace fs = std::filesystem;

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
