// What the fuzz targets share: a private working directory under /tmp, entered on the first
// input and removed with its files when the fuzzer ends, and writing an input to a file there.
// The fuzzer's corpus directories must therefore be given as absolute paths.
#pragma once

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fuzz_work_dir {

inline char path[] = "/tmp/fuzz_target.XXXXXX";

// Removes the directory and its files when the fuzzer ends.
inline void leave() {
    std::error_code ignored;
    if (chdir("/") == 0) std::filesystem::remove_all(path, ignored);
}

// Makes the private directory and works in it from now on; only the first call does anything.
inline void enter() {
    static const bool entered = [] {
        if (!mkdtemp(path) || chdir(path) != 0) std::abort();
        std::atexit(leave);
        return true;
    }();
    (void)entered;
}

// Writes bytes as the file `name` in the working directory.
inline void write(const char* name, const std::string& bytes) {
    FILE* file = std::fopen(name, "wb");
    if (!file) std::abort();
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) std::abort();
    std::fclose(file);
}

}  // namespace fuzz_work_dir
