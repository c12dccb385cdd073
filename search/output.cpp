#include "search/output.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iterator>
#include <sstream>
#include <string>

#include "foundation/anf.h"
#include "foundation/fatal.h"
#include "sbox/sbox.h"
#include "search/interrupt.h"
#include "search/limits.h"
#include "search/run.h"
#include "search/targets.h"

const char* const filename = "prgs1b.txt";

namespace {
// ": " and the text of errno, or nothing when errno names no fault.
std::string cause(int error) {
    return error != 0 ? std::string(": ") + std::strerror(error) : std::string();
}

// Ends the process with a one-line message, naming the cause, when the stream has failed to
// take what was written.
void check_output_written(const std::ofstream& ostr) {
    if (!ostr) fatal(std::string("Error writing ") + filename + cause(errno) + "\n", 1);
}

// Closes what an earlier run left open, so that a run can start again.
void close_output(std::ofstream& ostr) {
    if (ostr.is_open()) ostr.close();
    ostr.clear();
}
}  // namespace

void sync_output(run_context& run) {
    run.ostr.flush();
    check_output_written(run.ostr);
    // Any descriptor of the file syncs its data.
    const int fd = ::open(run.path(filename).c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) {
        const int error = errno;
        if (fd >= 0) ::close(fd);
        fatal(std::string("Error writing ") + filename + cause(error) + "\n", 1);
    }
    ::close(fd);
}

std::string header_text(uint32_t seed, bool exhaustive, const search_limits& l) {
    const bool classic = seed == default_seed;
    std::ostringstream t;
    t << "Parameters " << 1 << "  " << gate_after << "  " << gate_max_locks + 1 << "  "
      << (exhaustive ? 0xffffu : gate_threshold) << "  " << 1 << "  " << (classic ? default_seed_offset : 0) << "  "
      << (classic ? default_seed_base : seed) << (exhaustive ? "  exhaustive" : "") << "\n";
    t << "Programs  " << l.last_index() << "  " << l.deadline[0] << "  " << l.deadline[1] << "  " << l.deadline[2]
      << "\n";
    return t.str();
}

void open_output(run_context& run) {
    std::ofstream& ostr = run.ostr;
    close_output(ostr);
    const std::string path = run.path(filename);
    // Created first with its permission bits, which the stream cannot set.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0664);
    if (fd >= 0) ::close(fd);
    ostr.open(path, std::ios::out | std::ios::trunc);
    if (!ostr.is_open()) fatal(std::string("Error opening ") + filename, 1);
    ostr << header_text(run.settings.seed, run.settings.exhaustive, run.limits);
    ostr.flush();
    check_output_written(ostr);
}

void reopen_output(run_context& run, uint64_t size) {
    std::ofstream& ostr = run.ostr;
    close_output(ostr);
    const std::string path = run.path(filename);
    if (::truncate(path.c_str(), static_cast<off_t>(size)) != 0) fatal(std::string("Error opening ") + filename, 1);
    ostr.open(path, std::ios::out | std::ios::app);
    if (!ostr.is_open()) fatal(std::string("Error opening ") + filename, 1);
}

std::string output_so_far(run_context& run) {
    run.ostr.flush();
    check_output_written(run.ostr);
    std::ifstream in(run.path(filename), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) fatal(std::string("Error reading ") + filename + "\n", 1);
    return text;
}

void write_pass_start(run_context& run, int loops) {
    begin_record_write();
    run.ostr << "Starting " << loops << "\n";
    run.ostr.flush();
    check_output_written(run.ostr);
    end_record_write();
}

void write_record(run_context& run, int N, int number, int length, const ot* prog, const int* lock_regs,
                  const uint16_t* words) {
    Bits tables[4] = {Bits(&words[0], 16), Bits(&words[1], 16), Bits(&words[2], 16), Bits(&words[3], 16)};
    ANF forms[4] = {get_ANF(tables[0]), get_ANF(tables[1]), get_ANF(tables[2]), get_ANF(tables[3])};
    int degree[4];
    int dmin = 3;
    for (int i = 0; i < 4; i++) {
        degree[i] = forms[i].get_order();
        dmin = std::min(dmin, degree[i]);
    }
    // The record is made whole first and written in one piece.
    std::ostringstream r;
    r << "found " << number << " r " << length << " o " << dmin << " n " << N << "\n";
    for (int i = 0; i < 24; i++) {
        const int I = inv[N][i];
        if (I == -1) continue;
        r << " in " << I;
        if (run.dn[I][0] != -1) r << " t " << run.dn[I][1] + run.dn[N][1];
    }
    r << "\n";
    for (int i = 0; i < 24; i++) {
        if (per[N][i] != -1) r << " p " << per[N][i];
    }
    r << "\n";
    for (int i = 0; i < 4; i++) {
        r << lock_regs[i] << "  " << degree[i] << "  " << tables[i] << "  " << forms[i] << "\n";
    }
    const Sbox s(tables[0], tables[1], tables[2], tables[3]);
    r << "s " << s << "\n";
    r << "i " << s.inverse() << "\n";
    for (int i = 0; i < length; i++) r << prog[i] << "\n";
    const std::string text = r.str();
    begin_record_write();
    run.ostr << text;
    run.ostr.flush();
    check_output_written(run.ostr);
    end_record_write();
    if (run.observer.record) run.observer.record({number, N, length, prog, &text});
}
