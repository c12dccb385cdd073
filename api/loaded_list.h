// The process's one loaded target list as the library's runs see it: its text, and the runs
// going on on it, which keep another list from being loaded in its place meanwhile.
#pragma once

#include <string>

namespace sboxsearch {

// The loaded list's text, for a run that begins; the list stays loaded until the run calls
// end_run_on_loaded_list. Refused (error) when no list is loaded.
std::string begin_run_on_loaded_list();
void end_run_on_loaded_list();

}  // namespace sboxsearch
