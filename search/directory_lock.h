// One search at a time in a directory: every search takes this lock on its directory before
// it touches a file there, so that two searches cannot write into one output.
#pragma once

#include <string>

// Takes the lock on directory dir, held until the process ends. False when another process
// holds it; true once taken, and where the directory cannot be opened or has no locks (the
// search's own file checks report such a directory). Calling it again for a directory this
// process holds returns true.
bool lock_directory(const std::string& dir);
