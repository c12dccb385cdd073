#include "search/directory_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <set>
#include <utility>

namespace {
// The directories this process holds, by device and inode; process-wide, because a lock
// belongs to the process.
std::mutex guard;
std::set<std::pair<dev_t, ino_t>> held;

// How taking the lock on a directory went.
enum class lock_result { taken, held_here, held_elsewhere, unlockable };

// Takes the lock on dir unless this process or another holds it; *fd and *key are the
// descriptor that holds it and the directory, when taken. Called with guard held.
lock_result take_lock(const std::string& dir, int* fd, std::pair<dev_t, ino_t>* key) {
    *fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (*fd < 0) return lock_result::unlockable;
    struct stat info;
    if (::fstat(*fd, &info) == 0 && held.count({info.st_dev, info.st_ino})) {
        ::close(*fd);
        return lock_result::held_here;
    }
    if (::flock(*fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(*fd);
        return lock_result::held_elsewhere;
    }
    // The descriptor stays open: closing it would release the lock.
    *key = {info.st_dev, info.st_ino};
    held.insert(*key);
    return lock_result::taken;
}
}  // namespace

bool lock_directory(const std::string& dir) {
    std::lock_guard<std::mutex> hold(guard);
    int fd;
    std::pair<dev_t, ino_t> key{0, 0};
    return take_lock(dir, &fd, &key) != lock_result::held_elsewhere;
}

bool directory_claim::take(const std::string& dir) {
    release();
    std::lock_guard<std::mutex> hold(guard);
    std::pair<dev_t, ino_t> key{0, 0};
    const lock_result result = take_lock(dir, &fd_, &key);
    if (result != lock_result::taken) fd_ = -1;
    device_ = key.first;
    inode_ = key.second;
    return result == lock_result::taken || result == lock_result::unlockable;
}

void directory_claim::release() {
    if (fd_ < 0) return;
    std::lock_guard<std::mutex> hold(guard);
    held.erase({device_, inode_});
    ::close(fd_);
    fd_ = -1;
}
