#include "tools/class_load.h"

#include <sstream>

#include "classes/quikfnd3.h"
#include "foundation/fatal.h"
#include "search/targets.h"
#include "tools/tool.h"

void load_target_list(const std::string& list_path) {
    std::ostringstream phases;
    const load_outcome outcome = load_valid(1, phases, list_path);
    if (outcome.failed)
        data_error("the search cannot load " + printable(list_path) + ": " + one_line(outcome.message));
    init_dsi();
}
