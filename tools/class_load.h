// Loads a target list into the class tables exactly as the search does, and builds the
// per-row target tables (per, inv) from it, without touching sbtool's standard output.
#pragma once

#include <string>

// The loader reads "sb2.txt" from the working directory and reports its phases, so the list is
// copied into a fresh temporary directory, loaded there with the phase lines discarded, and
// the working directory restored. A list the loader refuses is a bad-data error with the
// loader's message, naming list_path instead of "sb2.txt".
void load_target_list(const std::string& list_path);
