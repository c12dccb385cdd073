// One search at a time in a directory: every search takes this lock on its directory before
// it touches a file there, so that two searches cannot write into one output.
#pragma once

#include <sys/types.h>

#include <string>

// Takes the lock on directory dir, held until the process ends. False when another process
// holds it; true once taken, and where the directory cannot be opened or has no locks (the
// search's own file checks report such a directory). Calling it again for a directory this
// process holds returns true.
bool lock_directory(const std::string& dir);

// The same lock for a run that ends before its process does (a library's run): given back
// when the claim ends, and refused also while this process holds the directory, so that two
// runs of one process cannot share it either.
class directory_claim {
public:
    directory_claim() = default;
    directory_claim(const directory_claim&) = delete;
    directory_claim& operator=(const directory_claim&) = delete;
    ~directory_claim() { release(); }

    // Takes the lock on dir; false when another process or another claim or lock_directory of
    // this process holds it. True, holding nothing, where lock_directory would hold nothing.
    bool take(const std::string& dir);
    // Gives the lock back (nothing when none is held).
    void release();

private:
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
