// The library's errors from the internal ones: a subcommand's refusal (tool_error) becomes an
// sboxsearch::error with the same message and status.
#pragma once

#include "api/sboxsearch.h"
#include "tools/tool.h"

namespace sboxsearch {

// What f returns; a tool_error thrown on the way comes out as an error.
template <class F>
auto translated(F f) -> decltype(f()) {
    try {
        return f();
    } catch (const tool_error& e) {
        throw error(e.status(), e.what());
    }
}

}  // namespace sboxsearch
