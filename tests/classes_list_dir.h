// Loading list files in the class-table tests: a temporary directory holding "sb2.txt" and
// "sb3.txt", and the load run there, either as the program runs it (init_valid in a child
// process) or in this process (load_valid, phase lines dropped).
#pragma once

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <ostream>
#include <string>

#include "child_process.h"
#include "classes/quikfnd3.h"

namespace test_lists {

// The directory with the given files (a null text: no such file), removed when done.
class ListDir {
public:
    ListDir(const std::string* sb2, const std::string* sb3) : path_(make_temp_dir()) {
        if (sb2) write_file(path_ + "/sb2.txt", *sb2);
        if (sb3) write_file(path_ + "/sb3.txt", *sb3);
    }
    ~ListDir() {
        std::remove((path_ + "/sb2.txt").c_str());
        std::remove((path_ + "/sb3.txt").c_str());
        rmdir(path_.c_str());
    }
    ListDir(const ListDir&) = delete;
    ListDir& operator=(const ListDir&) = delete;
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// init_valid(x) in a child working in a directory with the given files.
inline ChildResult load_in_child(int x, const std::string* sb2, const std::string* sb3) {
    ListDir dir(sb2, sb3);
    return run_in_child([&] {
        change_dir(dir.path());
        init_valid(x);
    });
}

// load_valid(x) in this process, in a directory with the given files; returns to the
// working directory afterwards.
inline load_outcome load_here(int x, const std::string& sb2, const std::string& sb3 = "") {
    char cwd[PATH_MAX];
    if (!getcwd(cwd, sizeof cwd)) return {true, "getcwd failed\n", -1};
    ListDir dir(&sb2, &sb3);
    if (chdir(dir.path().c_str()) != 0) return {true, "chdir failed\n", -1};
    std::ostream quiet(nullptr);
    load_outcome result = load_valid(x, quiet);
    if (chdir(cwd) != 0) return {true, "chdir back failed\n", -1};
    return result;
}

}  // namespace test_lists
