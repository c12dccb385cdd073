#include "tools/class_load.h"

#include <cctype>
#include <sstream>

#include "classes/quikfnd3.h"
#include "search/targets.h"
#include "tools/tool.h"

namespace {

// The loader's fault as one printable line.
std::string one_line(std::string message) {
    while (!message.empty() && message.back() == '\n') message.pop_back();
    for (char& c : message)
        if (!std::isprint(static_cast<unsigned char>(c))) c = c == '\n' ? ' ' : '?';
    return message;
}

}  // namespace

void load_target_list(const std::string& list_path) {
    std::ostringstream phases;
    const load_outcome outcome = load_valid(1, phases, list_path);
    if (outcome.failed)
        data_error("the search cannot load " + printable(list_path) + ": " + one_line(outcome.message));
    init_dsi();
}
