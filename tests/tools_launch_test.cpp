// Starting the search from the command line: tools/run-search.sh preparing run/sb2.txt from a
// list in any form, given from any directory, going on with a stopped search and never
// overwriting one, and prgs1 refusing arguments. Also the promises
// of the test helpers that every test relies on: a child that cannot enter its directory stops
// there, and temporary directories are removed by the process that made them.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "child_process.h"
#include "foundation/version.h"
#include "tools_support.h"

namespace {

namespace fs = std::filesystem;

void write_executable(const std::string& path, const std::string& text) {
    write_file(path, text);
    fs::permissions(path, fs::perms::owner_exec, fs::perm_options::add);
}

// The repository as run-search.sh sees it, with stand-ins: a prerequisites check that passes, a
// cmake that only notes the targets it was asked to build, the bundled list, and an sbtool that
// is the real one but for search, which says how and where it runs instead of searching. Lists
// live in a directory beside it.
struct script_tree {
    const std::string root = make_temp_dir();
    const std::string lists = make_temp_dir();

    script_tree() {
        for (const char* dir : {"/tools", "/bin", "/build", "/build/tools", "/data"})
            EXPECT_TRUE(make_dir(root + dir)) << dir;
        write_file(root + "/tools/run-search.sh", read_file(std::string(TEST_DATA_DIR) + "/../tools/run-search.sh"));
        write_file(root + "/tools/prerequisites.sh", "ensure_prerequisites() { :; }\n");
        write_file(root + "/data/ciphers.txt", read_file(std::string(TEST_DATA_DIR) + "/ciphers.txt"));
        write_executable(root + "/build/tools/sbtool", std::string("#!/bin/sh\n") +
                                                           "[ \"$1\" = search ] && echo \"sbtool $* in $(pwd)\" && exit 0\n" +
                                                           "exec " + quoted(SBTOOL_PATH) + " \"$@\"\n");
        write_executable(root + "/bin/cmake", "#!/bin/sh\necho \"$*\" > " + quoted(root + "/last-cmake") + "\n");
        EXPECT_TRUE(make_dir(lists + "/work"));
    }

    // The script run from lists/work with `args`.
    tool_result run(const std::string& args) const {
        return shell("cd " + quoted(lists + "/work") + " && PATH=" + quoted(root + "/bin") + ":\"$PATH\" bash " +
                     quoted(root + "/tools/run-search.sh") + " " + args);
    }
};

TEST(RunSearchScript, CopiesADecimalListAndConvertsAnyOther) {
    const std::string decimal = "12  5  6  11  9  0  10  13  3  14  15  8  4  7  1  2 1 10 4 12 6 15 3 9\r\n"
                                "2 13 11 7 5 0 8 14\n\n0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15";
    const struct {
        std::string name;
        std::string text;
        bool converted;
    } cases[] = {
        {"decimal.txt", decimal, false},
        {"hex.txt", "# two ciphers\nc56b90ad3ef84712  # PRESENT\n1a4c6f392db7508e\n", true},
        {"commented.txt", "# one S-box\n" + decimal.substr(0, decimal.find(" 1 10")) + "\n", true},
        {"commas.txt", "0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15\n", true},
    };
    const script_tree tree;
    for (const auto& c : cases) {
        write_file(tree.lists + "/" + c.name, c.text);
        const std::string list = fs::canonical(tree.lists + "/" + c.name).string();
        const tool_result r = tree.run(quoted("../" + c.name));
        const std::vector<std::string> out = lines_of(r.out);
        const tool_result converted = sbtool({"targets", "--inverse", "--perms", "@" + list});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        ASSERT_EQ(out.size(), 3u) << r.out;
        EXPECT_EQ(out[0], c.converted ? "searching for every S-box of " + list +
                                            " with its inverse and the input-bit permutations of both (" +
                                            converted.err.substr(0, converted.err.size() - 1) + ")"
                                      : "searching for the 3 S-boxes of " + list + " as listed, no variants added "
                                        "(for inverses and input-bit permutations, make the list with sbtool targets "
                                        "--inverse --perms)");
        EXPECT_EQ(out[1].rfind("running sbtool search in run/ on all ", 0), 0u) << r.out;
        EXPECT_EQ(out[2], "sbtool search --dir run in " + tree.root);
        EXPECT_EQ(read_file(tree.root + "/run/sb2.txt"), c.converted ? converted.out : c.text) << c.name;
        EXPECT_NE(read_file(tree.root + "/last-cmake").find("--target sbtool"), std::string::npos);
    }
}

// A search in run/ goes on where it stopped, without a list or with its own, and results that
// cannot go on are never overwritten.
TEST(RunSearchScript, GoesOnAndNeverOverwrites) {
    const script_tree tree;
    write_file(tree.lists + "/hex.txt", "c56b90ad3ef84712\n");
    write_file(tree.lists + "/other.txt", "1a4c6f392db7508e\n");
    const std::string own = sbtool({"targets", "--inverse", "--perms", "@" + tree.lists + "/hex.txt"}).out;
    const std::string going_on = "sbtool search --resume --dir run in " + tree.root;
    const struct {
        const char* what;
        bool checkpoint, records;
        std::string args;
        int status;
        std::string last_line;  // of standard output, or of standard error on a refusal
    } cases[] = {
        {"stopped, no list", true, true, "", 0, going_on},
        {"stopped, its list", true, false, "../hex.txt", 0, going_on},
        {"stopped, another list", true, true, "../other.txt", 1,
         "run-search.sh: run/ holds a search on another list: run the script without a list to go on with it, or "
         "move run/ away to start a new one"},
        {"results without a checkpoint", false, true, "../other.txt", 1,
         "run-search.sh: run/prgs1b.txt holds the results of a search that cannot go on (no checkpoint): move run/ "
         "away to start a new one"},
    };
    for (const auto& c : cases) {
        fs::remove_all(tree.root + "/run");
        ASSERT_TRUE(make_dir(tree.root + "/run"));
        write_file(tree.root + "/run/sb2.txt", own);
        const std::string results = c.records ? "Starting 0\nfound 1 r 16 o 2 n 0\n" : "Starting 0\n";
        write_file(tree.root + "/run/prgs1b.txt", results);
        if (c.checkpoint) write_file(tree.root + "/run/prgs1b.txt.checkpoint", "pass 1\n");
        const tool_result r = tree.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        const std::vector<std::string> lines = lines_of(c.status == 0 ? r.out : r.err);
        ASSERT_FALSE(lines.empty()) << c.what;
        EXPECT_EQ(lines.back(), c.last_line) << c.what;
        EXPECT_EQ(read_file(tree.root + "/run/sb2.txt"), own) << c.what;
        EXPECT_EQ(read_file(tree.root + "/run/prgs1b.txt"), results) << c.what;
        EXPECT_FALSE(fs::exists(tree.root + "/run/sb2.txt.new")) << c.what;
    }
}

TEST(RunSearchScript, RefusedListsKeepTheEarlierOne) {
    const script_tree tree;
    ASSERT_TRUE(make_dir(tree.root + "/run"));
    write_file(tree.root + "/run/sb2.txt", "the earlier list\n");
    write_file(tree.lists + "/twice.txt", "c56b90ad3ef84711\n");
    write_file(tree.lists + "/empty.txt", "");
    write_file(tree.lists + "/seventeen.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16\n");
    // A list that is not in decimal form is sbtool's to refuse, in its words.
    const auto refusal = [&](const std::string& name) {
        return sbtool({"targets", "--inverse", "--perms", "@" + fs::canonical(tree.lists + "/" + name).string()}).err;
    };
    const struct {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {"../missing.txt", 1, "run-search.sh: cannot read the target list ../missing.txt\n"},
        {"..", 1, "run-search.sh: cannot read the target list ..\n"},
        {"../twice.txt", 1, refusal("twice.txt")},
        {"../empty.txt", 1, refusal("empty.txt")},
        {"../seventeen.txt", 1, refusal("seventeen.txt")},
        {"--help", 2, "usage: tools/run-search.sh [LIST]\n"},
        {"../twice.txt ../empty.txt", 2, "usage: tools/run-search.sh [LIST]\n"},
    };
    for (const auto& c : cases) {
        const tool_result r = tree.run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err) << c.args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(r.out, "") << c.args;
        EXPECT_EQ(read_file(tree.root + "/run/sb2.txt"), "the earlier list\n") << c.args;
        EXPECT_FALSE(fs::exists(tree.root + "/run/sb2.txt.new")) << c.args;
    }
}

// Any argument but --version alone, even an empty one, gets the usage line and status 2, and the
// output of an earlier run stays as it was. Bounded by `timeout` in case prgs1 starts a search
// after all.
TEST(Prgs1CommandLine, AnyArgumentPrintsUsageAndTouchesNoFile) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", "0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n");
    write_file(dir + "/prgs1b.txt", "results of an earlier run\n");
    std::string usage;
    for (const std::string args : {"--help", "-h", "''", "sb2.txt more", "--version more", "-version"}) {
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

// --version prints the program's name and version, status 0, touching no file; the help names it.
TEST(Versions, EachProgramPrintsItsNameAndVersion) {
    const std::string dir = make_temp_dir();
    for (const char* path : {PRGS1_PATH, SBTOOL_PATH}) {
        const std::string name = fs::path(path).filename().string();
        const tool_result r = shell("cd " + quoted(dir) + " && timeout 5 " + quoted(path) + " --version");
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_EQ(r.out, name + " " + program_version + "\n");
        EXPECT_EQ(r.err, "") << name;
        EXPECT_NE(shell(quoted(path) + " --help").out.find(name + " --version"), std::string::npos) << name;
    }
    EXPECT_TRUE(fs::is_empty(dir));
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
