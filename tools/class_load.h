// Loads a target list into the class tables exactly as the search does, and builds the
// per-row target tables (per, inv) from it, without touching sbtool's standard output.
#pragma once

#include <string>

// A list the loader refuses is a bad-data error with the loader's message, which names
// list_path.
void load_target_list(const std::string& list_path);
