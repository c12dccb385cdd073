#include "search/driver.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <iostream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "foundation/init.h"
#include "random/random.h"
#include "search/enumerate.h"
#include "search/interrupt.h"
#include "search/perm.h"
#include "search/targets.h"
#include "search/verify.h"

const char* filename = "prgs1b.txt";
std::ofstream ostr;
int cutdepth[24];

namespace {
constexpr int last_index = 15;

// Opens the output file and writes the two header lines.
void open_output(int t, int seed) {
    // Created first with its permission bits, which the stream cannot set.
    const int fd = ::open(filename, O_WRONLY | O_CREAT | O_TRUNC, 0664);
    if (fd >= 0) ::close(fd);
    ostr.open(filename, std::ios::out | std::ios::trunc);
    if (!ostr.is_open()) fatal(std::string("Error opening ") + filename, 1);
    ostr << "Parameters " << 1 << "  " << 4 << "  " << 3 << "  " << 20000 << "  " << 1 << "  " << t << "  " << seed
         << "\n";
    ostr << "Programs  " << last_index << "  " << 7 << "  " << 11 << "  " << 14 << "\n";
    ostr.flush();
    check_output_written();
}

}  // namespace

// Writes the duration and the cumulative counters after a pass.
void print_summary(double seconds) {
    std::cout << seconds << " ";
    for (int i = 2; i <= 8; i++) std::cout << nodecnt[i] << (i < 8 ? "  " : "\n");
    for (int i = 9; i <= 16; i++) std::cout << nodecnt[i] << (i < 16 ? "  " : "\n");
    for (int i = 17; i <= 20; i++) std::cout << nodecnt[i] << (i < 20 ? "  " : "\n");
    std::cout << l1 << "  " << l2 << "  " << l3 << "  " << l4 << "\n";
    std::cout.flush();
}

// Runs start pair s: reset the machine, execute the pair, enumerate every continuation.
void run_start_pair(int s, ot* prog) {
    select2(s, prog);
    init_state();
    doinst(prog, 2);
    addop2(2, prog, -1);
}

void check_output_written() {
    if (!ostr) fatal(std::string("Error writing ") + filename + "\n", 1);
}

void start_up() {
    init_startup();
    std::cout << "Starting Test\n";
    init_valid(1);
    init_state();
    init_perm();
    for (int i = 0; i < 24; i++) {
        nodecnt[i] = 0;
        cutdepth[i] = 0;
    }
    cutdepth[7] = cutdepth[11] = cutdepth[14] = cutdepth[15] = 1;
}

void begin_search() {
    init_dsi();
    int seed = 0x33AD6;
    seed = (seed << 10) + 1;
    const int t = 29;
    srand_ansic(static_cast<unsigned long>(seed + t));
    rand_init2();
    open_output(t, seed);
}

void write_pass_start(int loops) {
    begin_record_write();
    ostr << "Starting " << loops << "\n";
    ostr.flush();
    check_output_written();
    end_record_write();
}

void search_bounded(long max_start_pairs) {
    ot prog[24] = {};
    int loops = 0;
    begin_search();
    long done = 0;
    while (max_start_pairs < 0 || done < max_start_pairs) {
        write_pass_start(loops);
        loops++;
        const time_t start = time(nullptr);
        for (int s = 0; s < start_pairs; s++) {
            if (max_start_pairs >= 0 && done == max_start_pairs) return;
            run_start_pair(s, prog);
            done++;
        }
        const time_t end = time(nullptr);
        print_summary(difftime(end, start));
    }
}

void search() {
    search_bounded(-1);
    std::exit(0);
}
