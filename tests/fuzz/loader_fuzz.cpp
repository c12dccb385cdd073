// Fuzz target for the list loader: every input is written as sb2.txt in a private temporary
// directory and loaded with load_valid(1). A fault that a list can cause (an input message
// naming sb2.txt, or two records with one coordinate set) is fine; any other failed
// self-check, a partial list reported incomplete, or a loaded row or triple that its own
// lookup does not find is a bug and aborts.
//
// Run it with tools/run-fuzz.sh (clang only), which also seeds its corpus.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "classes/quikfnd3.h"
#include "fuzz_work_dir.h"

namespace {

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
    fuzz_work_dir::enter();
    fuzz_work_dir::write("sb2.txt", std::string(reinterpret_cast<const char*>(data), size));
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
