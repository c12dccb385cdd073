// Runs sbtool and the search for the sbtool tests. Kept apart from the tests that include the
// register machine, whose global `read` clashes with the POSIX read() declared here.
#include "tools_support.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <fcntl.h>
#include <sstream>
#include <thread>

#include "child_process.h"
#include "search/driver.h"
#include "tools/tool.h"

namespace {

// Where the n-th (from 0) line starting with "found " begins, or npos.
size_t nth_record(const std::string& text, size_t n) {
    size_t seen = 0;
    for (size_t at = 0; at < text.size();) {
        if (text.compare(at, 6, "found ") == 0 && seen++ == n) return at;
        const size_t end = text.find('\n', at);
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return std::string::npos;
}

// Runs the search on sb2.txt in dir until the output holds `records` complete records; stops it
// and returns the output cut after them. Empty when the search does not get there, with the
// reason in problem.
std::string run_search_until(const std::string& dir, size_t records, std::string& problem) {
    std::fflush(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        run_context search_run;
        search_run.dir = dir;
        start_up(search_run);
        search_bounded(search_run, -1);
        _exit(0);
    }
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(8);
    bool enough = false;
    problem = "the search did not reach " + std::to_string(records + 1) + " S-boxes within 8 minutes";
    while (!enough && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        text = read_file(dir + "/prgs1b.txt");
        enough = nth_record(text, records) != std::string::npos;
        int status;
        if (!enough && waitpid(pid, &status, WNOHANG) == pid) {
            problem = "the search ended early, " + (WIFEXITED(status) ? "status " + std::to_string(WEXITSTATUS(status))
                                                                      : "signal " + std::to_string(WTERMSIG(status)));
            return "";
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    if (!enough) return "";
    problem.clear();
    return text.substr(0, nth_record(text, records));
}

// A key that changes whenever the test program is rebuilt.
std::string build_key() {
    struct stat info;
    if (stat("/proc/self/exe", &info) != 0) return "";
    return std::to_string(info.st_mtime) + "-" + std::to_string(info.st_size);
}

}  // namespace

tool_result sbtool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    tool_result r;
    r.status = run_sbtool(args, out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
}

bool ends_cleanly(const std::string& file) {
    if (file.empty() || file.back() != '\n') return false;
    const std::vector<std::string> lines = lines_of(file);
    if (lines.back().rfind("Starting ", 0) == 0) return true;
    for (size_t i = lines.size(); i-- > 0;) {
        if (lines[i].rfind("found ", 0) != 0) continue;
        std::smatch m;
        if (!std::regex_search(lines[i], m, std::regex(R"( r ([0-9]+) )"))) return false;
        return lines.size() - i == 9 + std::stoul(m[1]);
    }
    return false;
}

bool wait_for_text(const std::string& path, const std::string& text) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (read_file(path).find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

std::string quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

tool_result shell(const std::string& command) {
    const std::string dir = make_temp_dir();
    const std::string full = command + " > " + quoted(dir + "/out") + " 2> " + quoted(dir + "/err");
    const int status = std::system(full.c_str());
    tool_result r;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = read_file(dir + "/out");
    r.err = read_file(dir + "/err");
    return r;
}

tool_result sbtool_program(const std::vector<std::string>& args, const std::string& dir) {
    std::string command = dir.empty() ? "" : "cd " + quoted(dir) + " && ";
    command += quoted(SBTOOL_PATH);
    for (const std::string& a : args) command += " " + quoted(a);
    return shell(command);
}

const std::vector<std::string> easy_sboxes = {
    "2,7,4,0,10,15,8,13,3,6,5,1,11,14,9,12",
    "2,7,1,4,14,15,13,12,6,3,5,0,10,11,9,8",
    "1,12,2,13,3,14,0,15,7,10,4,9,5,8,6,11",
};

std::string easy_target_list() {
    std::vector<std::string> args = {"targets", "--inverse", "--perms"};
    args.insert(args.end(), easy_sboxes.begin(), easy_sboxes.end());
    return sbtool(args).out;
}

std::string real_search_output(std::string* problem) {
    const std::string cache = std::string(TEST_BINARY_DIR) + "/tools_search_output." + build_key() + ".txt";
    std::string text = read_file(cache);
    if (!text.empty()) return text;
    const std::string dir = make_temp_dir();
    write_file(dir + "/sb2.txt", easy_target_list());
    std::string why;
    text = run_search_until(dir, real_run_records, why);
    if (problem) *problem = why;
    if (text.empty()) return text;
    const std::string partial = cache + "." + std::to_string(getpid());
    write_file(partial, text);
    std::rename(partial.c_str(), cache.c_str());
    // Outputs of earlier builds are of no further use.
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(TEST_BINARY_DIR, ignored)) {
        const std::string name = entry.path().filename().string();
        if (name.rfind("tools_search_output.", 0) == 0 && entry.path().string() != cache &&
            name.find(".txt.") == std::string::npos)
            std::filesystem::remove(entry.path(), ignored);
    }
    return text;
}
