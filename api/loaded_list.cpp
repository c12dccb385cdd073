// Loading a target list into the process's class tables, and keeping it loaded while runs
// search it.
#include "api/loaded_list.h"

#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <mutex>
#include <ostream>

#include "api/errors.h"
#include "api/sboxsearch.h"
#include "classes/quikfnd3.h"
#include "search/driver.h"
#include "tools/input_file.h"
#include "tools/target_list.h"

namespace sboxsearch {

namespace {

// The loaded list: process-wide, as the class tables it describes are.
struct loaded_list {
    std::mutex lock;
    bool loaded = false;
    std::string text;  // as loaded
    int runs = 0;      // runs going on on it
};
loaded_list& the_list() {
    static loaded_list list;
    return list;
}

// An output stream that drops what it is given: the console of a load nobody watches.
std::ostream& nowhere() {
    static std::ostream stream(nullptr);
    return stream;
}

// The start of a load, the process's list being held: refused while runs go on; from here on,
// until the load succeeds, no list is loaded.
void begin_load(loaded_list& list) {
    if (list.runs > 0)
        throw error(status_bad_data, "a run is going on on the loaded list: another list can be loaded once it ends");
    list.loaded = false;
}

// Loads the list at path (named `name` in messages), the process's list being held; text is
// the list's content, kept for the runs.
list_info load_held(loaded_list& list, const std::string& path, const std::string& name, const std::string& text,
                    const load_options& options) {
    const load_outcome outcome = prepare_search(path, options.console ? *options.console : nowhere(), name);
    if (outcome.failed) throw error(outcome.status, outcome.message);
    list.loaded = true;
    list.text = text;
    return {static_cast<int>(sbcnt), static_cast<int>(lcnt), static_cast<int>(sb3cnt)};
}

// A copy of text in a fresh folder under $TMPDIR (else /tmp), for the loader, which reads
// files; removed when it ends.
class list_copy {
public:
    explicit list_copy(const std::string& text) {
        const char* base = std::getenv("TMPDIR");
        const std::string under = base && *base ? base : "/tmp";
        dir_ = under + "/sboxsearch.XXXXXX";
        if (!mkdtemp(&dir_[0])) {
            const std::string cause = std::strerror(errno);
            dir_.clear();
            throw error(status_bad_data, "cannot make a folder under " + printable(under) + ": " + cause);
        }
        std::ofstream out(path(), std::ios::binary);
        out << text;
        out.close();
        if (out) return;
        remove();
        throw error(status_bad_data, "cannot write a copy of the list under " + printable(under));
    }
    ~list_copy() { remove(); }
    std::string path() const { return dir_ + "/sb2.txt"; }

private:
    void remove() {
        if (dir_.empty()) return;
        unlink(path().c_str());
        rmdir(dir_.c_str());
        dir_.clear();
    }
    std::string dir_;
};

}  // namespace

list_info load_targets(const std::string& text, const load_options& options) {
    loaded_list& list = the_list();
    std::lock_guard<std::mutex> hold(list.lock);
    begin_load(list);
    if (!options.lenient) translated([&] { check_target_list(text, "sb2.txt"); });
    const list_copy copy(text);
    return load_held(list, copy.path(), "sb2.txt", text, options);
}

list_info load_targets_file(const std::string& path, const load_options& options) {
    loaded_list& list = the_list();
    std::lock_guard<std::mutex> hold(list.lock);
    begin_load(list);
    if (options.lenient) {
        // The loader reads the file itself, as prgs1 does; the text is kept for the runs.
        bool exists = false;
        return load_held(list, path, path, read_if_present(path, &exists), options);
    }
    const std::string text = translated([&] { return read_target_list(path); });
    const list_copy copy(text);
    return load_held(list, copy.path(), path, text, options);
}

std::string begin_run_on_loaded_list() {
    loaded_list& list = the_list();
    std::lock_guard<std::mutex> hold(list.lock);
    if (!list.loaded) throw error(status_bad_data, "no target list is loaded: load one before the run");
    ++list.runs;
    return list.text;
}

void end_run_on_loaded_list() {
    loaded_list& list = the_list();
    std::lock_guard<std::mutex> hold(list.lock);
    --list.runs;
}

}  // namespace sboxsearch
