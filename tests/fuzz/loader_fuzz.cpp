// Fuzz target for the list loader: every input is written as sb2.txt in a private temporary
// directory and loaded with load_valid(1). A fault that a list can cause (an input message
// naming sb2.txt, or two records with one coordinate set) is fine; any other failed
// self-check, a partial list reported incomplete, or a loaded row or triple that its own
// lookup does not find is a bug and aborts.
//
// Build and run for a bounded time (clang only):
//   cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DBUILD_BENCH=OFF
//   cmake --build build-fuzz -j2 --target loader_fuzz
//   mkdir -p /tmp/loader_corpus
//   printf '0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15\n' > /tmp/loader_corpus/identity
//   build-fuzz/tests/fuzz/loader_fuzz /tmp/loader_corpus -max_total_time=60 -max_len=8192
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "classes/quikfnd3.h"

namespace {

char work_dir[] = "/tmp/loader_fuzz.XXXXXX";

// Removes the list file and the directory when the fuzzer ends.
void leave_work_dir() {
    std::remove("sb2.txt");
    if (chdir("/") == 0) rmdir(work_dir);
}

// Makes a private directory and works in it from now on.
bool enter_work_dir() {
    if (!mkdtemp(work_dir) || chdir(work_dir) != 0) std::abort();
    std::atexit(leave_work_dir);
    return true;
}

bool starts_with(const std::string& text, const char* prefix) {
    return text.compare(0, std::string(prefix).size(), prefix) == 0;
}

// Every sc4 row is found at its own row number and every sb3 entry is found.
bool lookups_agree() {
    for (unsigned i = 0; i < sbcnt; ++i)
        if (get_sb4(sc4[i][3], sc4[i][1], sc4[i][0], sc4[i][2]) != int(i)) return false;
    for (unsigned e = 0; e < sb3cnt; ++e)
        if (!check_sb3(sb3[e][2], sb3[e][0], sb3[e][1])) return false;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool ready = enter_work_dir();
    (void)ready;
    FILE* file = std::fopen("sb2.txt", "wb");
    if (!file) std::abort();
    if (size && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);
    std::ostringstream out;
    load_outcome result = load_valid(1, out);
    if (out.str().find("Bad partial table") != std::string::npos) std::abort();
    if (result.failed) {
        if (result.status != 1) std::abort();
        if (!starts_with(result.message, "sb2.txt: record ") && !starts_with(result.message, "Bad sc4 at "))
            std::abort();
        return 0;
    }
    if (!lookups_agree()) std::abort();
    return 0;
}
