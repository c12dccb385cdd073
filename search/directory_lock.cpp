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
// belongs to the process and lasts as long as it.
std::mutex guard;
std::set<std::pair<dev_t, ino_t>> held;
}  // namespace

bool lock_directory(const std::string& dir) {
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;
    struct stat info;
    std::lock_guard<std::mutex> hold(guard);
    if (::fstat(fd, &info) == 0 && held.count({info.st_dev, info.st_ino})) {
        ::close(fd);
        return true;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK) {
        ::close(fd);
        return false;
    }
    // The descriptor stays open: closing it would release the lock.
    held.insert({info.st_dev, info.st_ino});
    return true;
}
