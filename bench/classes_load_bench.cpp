// Times the loading of the class tables, self-checks included, for lists at capacity:
//   full sb2.txt: 36900 S-boxes, 2670 components (x = 1, as the program runs);
//   both files:   36900 + as many S-boxes in sb3.txt as keep 250000 triples (x = 3).
// Prints the best and the median of several loads and the table counts as a signature.
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <string>
#include <unordered_set>
#include <vector>

#include "classes/quikfnd3.h"
#include "tests/classes_lists.h"

namespace {

using test_lists::Values;

void write_text(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

// How many records of the list, from the first, hold at most `limit` distinct triples.
size_t records_within_triples(const std::vector<Values>& sboxes, size_t limit) {
    std::unordered_set<uint64_t> triples;
    for (size_t r = 0; r < sboxes.size(); ++r) {
        test_lists::Words w = test_lists::coordinate_set(sboxes[r]);
        for (int omit = 0; omit < 4; ++omit) {
            uint64_t key = 0;
            for (int k = 0; k < 4; ++k)
                if (k != omit) key = (key << 16) | w[k];
            triples.insert(key);
        }
        if (triples.size() > limit) return r;
    }
    return sboxes.size();
}

// Loads the lists `rounds` times and prints the timings and counts.
void time_loads(const char* name, int x, const std::string& sb2, const std::string& sb3, int rounds) {
    write_text("sb2.txt", sb2);
    write_text("sb3.txt", sb3);
    std::ostream quiet(nullptr);
    std::vector<double> ms;
    for (int k = 0; k < rounds; ++k) {
        auto start = std::chrono::steady_clock::now();
        load_outcome r = load_valid(x, quiet);
        auto elapsed = std::chrono::steady_clock::now() - start;
        ms.push_back(std::chrono::duration<double, std::milli>(elapsed).count());
        if (r.failed) {
            std::printf("%s: load failed: %s", name, r.message.c_str());
            std::exit(1);
        }
    }
    std::sort(ms.begin(), ms.end());
    std::printf("%-10s best %7.1f ms  median %7.1f ms  (lcnt %u  sbcnt %u  sb3cnt %u)\n", name, ms[0],
                ms[ms.size() / 2], lcnt, sbcnt, sb3cnt);
}

}  // namespace

int main() {
    char dir[] = "/tmp/classes_bench.XXXXXX";
    if (!mkdtemp(dir) || chdir(dir) != 0) return 1;
    std::vector<Values> all = test_lists::cluster_list(89, sbox_capacity, 7);
    std::vector<Values> first(all.begin(), all.begin() + sb2_capacity);
    time_loads("sb2 full", 1, test_lists::list_text(first), "", 7);
    size_t fit = std::min(records_within_triples(all, triple_capacity), size_t(sbox_capacity));
    std::vector<Values> second(all.begin() + sb2_capacity, all.begin() + fit);
    time_loads("both", 3, test_lists::list_text(first), test_lists::list_text(second), 7);
    std::remove("sb2.txt");
    std::remove("sb3.txt");
    if (chdir("/") == 0) rmdir(dir);
    return 0;
}
