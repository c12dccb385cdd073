#include "tools/class_load.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "classes/quikfnd3.h"
#include "search/targets.h"
#include "tools/record.h"
#include "tools/tool.h"

namespace fs = std::filesystem;

namespace {

// A fresh directory under the system's temporary folder, removed with its content on scope
// exit.
class temp_dir {
public:
    temp_dir() {
        std::string pattern = (fs::temp_directory_path() / "sbtool.XXXXXX").string();
        if (!mkdtemp(pattern.data())) data_error("cannot make a temporary directory");
        path_ = pattern;
    }
    ~temp_dir() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;
    const fs::path& path() const { return path_; }

private:
    fs::path path_;
};

// Makes dir the working directory until scope exit.
class working_dir {
public:
    explicit working_dir(const fs::path& dir) : previous_(fs::current_path()) { fs::current_path(dir); }
    ~working_dir() {
        std::error_code ignored;
        fs::current_path(previous_, ignored);
    }
    working_dir(const working_dir&) = delete;
    working_dir& operator=(const working_dir&) = delete;

private:
    fs::path previous_;
};

// The loader's one-line fault with "sb2.txt" replaced by the list's own name.
std::string renamed(std::string message, const std::string& list_path) {
    while (!message.empty() && message.back() == '\n') message.pop_back();
    for (char& c : message)
        if (c == '\n') c = ' ';
    const std::string loader_name = "sb2.txt";
    if (message.compare(0, loader_name.size(), loader_name) == 0)
        message = printable(list_path) + message.substr(loader_name.size());
    return message;
}

}  // namespace

void load_target_list(const std::string& list_path) {
    const std::string text = read_output_file(list_path);
    temp_dir dir;
    {
        std::ofstream copy(dir.path() / "sb2.txt", std::ios::binary);
        copy << text;
        if (!copy.flush()) data_error("cannot copy " + printable(list_path) + " to a temporary directory");
    }
    load_outcome outcome;
    {
        working_dir inside(dir.path());
        std::ostringstream phases;
        outcome = load_valid(1, phases);
    }
    if (outcome.failed) data_error("the search cannot load " + printable(list_path) + ": " + renamed(outcome.message, list_path));
    init_dsi();
}
