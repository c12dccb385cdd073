#include "tools/class_load.h"

#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "search/targets.h"
#include "tools/tool.h"

namespace {

// The message with every occurrence of the copy's path replaced by the list's name.
std::string naming(std::string message, const std::string& copy, const std::string& name) {
    for (size_t at = 0; (at = message.find(copy, at)) != std::string::npos; at += name.size())
        message.replace(at, copy.size(), name);
    return message;
}

}  // namespace

void load_target_list(const std::string& text, const std::string& name) {
    const char* base = std::getenv("TMPDIR");
    const std::string under = base && *base ? base : "/tmp";
    std::string dir = under + "/sbtool.XXXXXX";
    if (!mkdtemp(&dir[0])) data_error("cannot make a folder under " + printable(under) + ": " + std::strerror(errno));
    const std::string copy = dir + "/sb2.txt";
    std::ofstream out(copy, std::ios::binary);
    out << text;
    out.close();
    load_outcome outcome;
    if (out) {
        std::ostringstream phases;
        outcome = load_valid(1, phases, copy);
    }
    unlink(copy.c_str());
    rmdir(dir.c_str());
    if (!out) data_error("cannot write a copy of " + printable(name) + " under " + printable(under));
    if (outcome.failed)
        data_error("the search cannot load " + printable(name) + ": " +
                   one_line(naming(outcome.message, copy, printable(name))));
    init_dsi();
}
