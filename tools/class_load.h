// Loads a target list into the class tables exactly as the search does, and builds the
// per-row target tables (per, inv) from it, without touching sbtool's standard output.
#pragma once

#include <string>

// Loads the list text from a copy in a fresh folder under $TMPDIR (else /tmp), removed at once,
// so that a list read from standard input loads as a file does. A list the loader refuses is a
// bad-data error with the loader's message, in which the list is called name.
void load_target_list(const std::string& text, const std::string& name);
