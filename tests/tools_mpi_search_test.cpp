// sbtool-mpi search as a user runs it under mpirun: the sequential search's output file and
// console, byte for byte, on any number of ranks and threads; a job ended by a dead rank or a
// signal leaves a clean file and goes on with --resume on another number of ranks; a failure
// ends the whole job with one line. Skipped, and saying so, where CMake found no MPI.
#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "child_process.h"
#include "foundation/version.h"
#include "tools_support.h"

#if defined(SBTOOL_MPI_PATH) && defined(MPIEXEC_PATH)
constexpr bool mpi_built = true;
#else
#define SBTOOL_MPI_PATH ""
#define MPIEXEC_PATH ""
constexpr bool mpi_built = false;
#endif

#define SKIP_WITHOUT_MPI()                                                                            \
    if (!mpi_built)                                                                                   \
    GTEST_SKIP() << "sbtool-mpi is not in this build (CMake found no MPI library and mpirun, or "      \
                    "BUILD_MPI is OFF): install libopenmpi-dev and openmpi-bin and configure again"

namespace {

using strings = std::vector<std::string>;

strings operator+(strings a, const strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// mpirun's arguments for P ranks of sbtool-mpi search with the given options.
strings ranks(int count, const strings& options) {
    return strings{"-np", std::to_string(count), SBTOOL_MPI_PATH, "search"} + options;
}

// Starts mpirun with args, standard output and error in out_path and err_path.
pid_t start_job(const strings& args, const std::string& out_path, const std::string& err_path) {
    return start_program(strings{MPIEXEC_PATH, "--oversubscribe"} + args, out_path, err_path, true);
}

// The exit status of a job, or -1 when it does not end within three minutes (it is then
// stopped, so that a hanging job fails the test instead of the whole run).
int finish_job(pid_t pid) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(3);
    int wstatus = 0;
    while (waitpid(pid, &wstatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGTERM);
            waitpid(pid, &wstatus, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
}

tool_result run_job(const strings& args) {
    const std::string dir = make_temp_dir();
    tool_result r;
    r.status = finish_job(start_job(args, dir + "/out", dir + "/err"));
    r.out = read_file(dir + "/out");
    r.err = read_file(dir + "/err");
    return r;
}

// The process of rank `rank` among mpirun's children, or -1.
pid_t rank_process(pid_t mpirun, int rank) {
    const std::string wanted = "OMPI_COMM_WORLD_RANK=" + std::to_string(rank);
    DIR* proc = opendir("/proc");
    if (!proc) return -1;
    pid_t found = -1;
    while (dirent* entry = readdir(proc)) {
        const std::string pid = entry->d_name;
        if (pid.find_first_not_of("0123456789") != std::string::npos) continue;
        const std::string status = read_file("/proc/" + pid + "/status");
        if (status.find("\nPPid:\t" + std::to_string(mpirun) + "\n") == std::string::npos) continue;
        std::string environment = read_file("/proc/" + pid + "/environ");
        std::replace(environment.begin(), environment.end(), '\0', '\n');
        if (("\n" + environment).find("\n" + wanted + "\n") != std::string::npos) found = std::stoi(pid);
    }
    closedir(proc);
    return found;
}

// A fresh directory holding list as sb2.txt.
std::string dir_with(const std::string& list) {
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", list);
    return dir;
}

// What the sequential search writes on a list with the given options: the file and the
// console with the pass times masked.
struct outcome {
    std::string file, console;
};
outcome sequential(const std::string& list, const strings& options) {
    const std::string dir = dir_with(list);
    const tool_result r = sbtool_program(strings{"search", "--threads", "1", "--dir", dir} + options);
    EXPECT_EQ(r.status, 0) << r.err;
    return {read_file(dir + "/prgs1b.txt"), without_pass_times(r.out)};
}

struct same_output_case {
    const char* name;
    std::string (*list)();
    strings options;
};

void PrintTo(const same_output_case& c, std::ostream* out) {
    *out << c.name;
}

class ClusterSearch : public testing::TestWithParam<same_output_case> {};

// On two and three ranks, with one thread and with two a rank, the file and the console are
// the sequential search's.
TEST_P(ClusterSearch, WritesWhatTheSequentialSearchWrites) {
    SKIP_WITHOUT_MPI();
    const same_output_case& c = GetParam();
    const outcome expected = sequential(c.list(), c.options);
    for (int count : {2, 3}) {
        const std::string dir = dir_with(c.list());
        const strings threads = {"--threads", count == 2 ? "1" : "2"};
        const tool_result r = run_job(ranks(count, strings{"--dir", dir} + threads + c.options));
        ASSERT_EQ(r.status, 0) << count << " ranks: " << r.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), expected.file) << count << " ranks";
        EXPECT_EQ(without_pass_times(r.out), expected.console) << count << " ranks";
        EXPECT_EQ(r.err, "") << count << " ranks";
    }
}

std::string one_sbox() {
    return list_file("single.txt");
}
// Three S-boxes; the second pass writes a shorter program for a row the first reached.
std::string three_sboxes() {
    return list_file("few.txt") + list_file("single.txt");
}

INSTANTIATE_TEST_SUITE_P(
    Lists, ClusterSearch,
    // No pass of 8 instructions reaches PRESENT: a job that writes no record.
    testing::Values(same_output_case{"NothingReached", [] { return read_file(TEST_DATA_DIR "/present.txt"); },
                                     {"--passes", "2", "--max-length", "8", "--deadlines", "4,6,7"}},
                    same_output_case{"OneSbox", one_sbox, {"--passes", "2"}},
                    same_output_case{"ThreeSboxes", three_sboxes, {"--passes", "2"}},
                    same_output_case{"Exhaustive", easy_target_list,
                                     {"--exhaustive", "--max-length", "8", "--deadlines", "4,6,7"}}),
    [](const testing::TestParamInfo<same_output_case>& info) { return std::string(info.param.name); });

// The pass a stopped run's checkpoint goes on with, or -1 when there is none.
int checkpoint_pass(const std::string& dir) {
    const std::string text = read_file(dir + "/prgs1b.txt.checkpoint");
    const size_t at = text.find("\npass ");
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + 6);
}

// A job that loses a rank, or is stopped by a signal to mpirun, mid-pass leaves prgs1b.txt
// ending cleanly; --resume on another number of ranks then ends it exactly as the sequential
// search would have. The job has no pass limit, so it is still running whenever the signal
// lands; the resumed run ends after the pass it goes on with.
TEST(ClusterJobs, StoppedJobsLeaveCleanFilesAndGoOn) {
    SKIP_WITHOUT_MPI();
    struct stop {
        const char* what;
        int ranks, threads, killed_rank, signal, resume_ranks, resume_threads;
    } stops[] = {{"worker rank killed", 3, 1, 2, SIGKILL, 2, 2}, {"Ctrl-C to mpirun", 2, 2, -1, SIGINT, 1, 1}};
    for (const stop& s : stops) {
        SCOPED_TRACE(s.what);
        const std::string dir = dir_with(one_sbox());
        const pid_t job = start_job(ranks(s.ranks, strings{"--dir", dir, "--threads", std::to_string(s.threads)}),
                                    dir + "/first.out", dir + "/first.err");
        ASSERT_TRUE(wait_for_text(dir + "/prgs1b.txt", "Starting 1\n"));
        const pid_t target = s.killed_rank < 0 ? job : rank_process(job, s.killed_rank);
        ASSERT_GT(target, 0);
        kill(target, s.signal);
        EXPECT_NE(finish_job(job), 0);
        if (s.signal == SIGINT) {
            EXPECT_NE(read_file(dir + "/first.err")
                          .find("sbtool-mpi search: stopped; go on with: mpirun -np 2 sbtool-mpi search --resume --dir " +
                                dir + "\n"),
                      std::string::npos)
                << read_file(dir + "/first.err");
        }
        const int pass = checkpoint_pass(dir);
        ASSERT_GE(pass, 1) << read_file(dir + "/prgs1b.txt.checkpoint");
        const strings passes = {"--passes", std::to_string(pass + 1)};
        const outcome expected = sequential(one_sbox(), passes);
        const std::string stopped = read_file(dir + "/prgs1b.txt");
        EXPECT_TRUE(ends_cleanly(stopped)) << stopped.substr(stopped.size() - std::min<size_t>(200, stopped.size()));
        EXPECT_EQ(expected.file.rfind(stopped, 0), 0u) << "the file is a prefix of the whole run's";
        const tool_result resumed = run_job(
            ranks(s.resume_ranks,
                  strings{"--resume", "--dir", dir, "--threads", std::to_string(s.resume_threads)} + passes));
        ASSERT_EQ(resumed.status, 0) << resumed.err;
        EXPECT_EQ(read_file(dir + "/prgs1b.txt"), expected.file);
        const std::string console = without_pass_times(resumed.out);
        const size_t pass_start = console.find("addop2 2  xor 0,1 xor 1,2");
        ASSERT_NE(pass_start, std::string::npos) << console;
        EXPECT_NE(expected.console.find(console.substr(pass_start)), std::string::npos)
            << "the resumed console goes on as the whole run's";
    }
}

// Whatever keeps the job from running ends every rank, with one line from sbtool-mpi and
// nothing written.
TEST(ClusterJobs, FailuresEndTheJobWithOneLine) {
    SKIP_WITHOUT_MPI();
    const std::string no_list = make_temp_dir();
    const std::string listed = dir_with(one_sbox());
    const strings on_listed = {"search", "--passes", "1", "--dir", listed};
    struct failure {
        const char* what;
        strings args;
        int status;
        std::string line;
    } failures[] = {
        {"no list", ranks(2, {"--dir", no_list}), 1, "sbtool-mpi search: sb2.txt: cannot be opened"},
        {"empty list", ranks(2, {"--dir", dir_with("")}), 1,
         "sbtool-mpi search: sb2.txt: no S-box (a target list holds sixteen values per S-box)"},
        {"bad option", ranks(3, {"--threads", "0"}), 2,
         "sbtool-mpi search: --threads takes a whole number from 1 to 4096, not 0"},
        {"a rank cannot load the list",
         strings{"-np", "1", SBTOOL_MPI_PATH} + on_listed +
             strings{":", "-np", "1", "env", "TMPDIR=/nonexistent/folder", SBTOOL_MPI_PATH} + on_listed,
         1,
         "sbtool-mpi search: rank 1 cannot load the lists: cannot make a folder under /nonexistent/folder: No such "
         "file or directory"},
    };
    for (const failure& f : failures) {
        const tool_result r = run_job(f.args);
        EXPECT_EQ(r.status, f.status) << f.what << ": " << r.err;
        std::string ours;
        for (const std::string& l : lines_of(r.err))
            if (l.rfind("sbtool-mpi", 0) == 0) ours += l + "\n";
        EXPECT_EQ(ours, f.line + "\n") << f.what << ": " << r.err;
    }
    EXPECT_EQ(read_file(listed + "/prgs1b.txt"), "") << "no output file is started";
}

// --version is printed by rank 0 alone, however many ranks run; the usage names it.
TEST(ClusterJobs, VersionComesFromRankZeroAlone) {
    SKIP_WITHOUT_MPI();
    const tool_result r = run_job({"-np", "3", SBTOOL_MPI_PATH, "--version"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, std::string("sbtool-mpi ") + program_version + "\n");
    EXPECT_NE(run_job({"-np", "1", SBTOOL_MPI_PATH, "--help"}).out.find("sbtool-mpi --version"), std::string::npos);
}

}  // namespace
