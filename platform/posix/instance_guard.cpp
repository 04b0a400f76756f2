// The single-instance guard on POSIX: an exclusive flock() on a lock file.
#include "platform/instance_guard.h"

#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int guardFd = -1;

bool isDirectory(const char* path) {
    struct stat st {};
    return path && *path && ::stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace

std::string instanceGuardPath() {
    const char* runtimeDir = std::getenv("XDG_RUNTIME_DIR");
    if (isDirectory(runtimeDir))
        return std::string(runtimeDir) + "/Ledrimo.lock";
    return "/tmp/Ledrimo-" + std::to_string(::getuid()) + ".lock";
}

GuardResult acquireInstanceGuard() {
    if (guardFd >= 0)
        return GuardResult::HeldElsewhere;
    const std::string path = instanceGuardPath();
    // No symbolic links: in a shared directory such as /tmp somebody else could plant one.
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return GuardResult::Unavailable;
    // A lock file that belongs to another user is not ours to honour: it could be held only to keep
    // this user's program from starting.
    struct stat st {};
    if (::fstat(fd, &st) != 0 || st.st_uid != ::getuid() || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return GuardResult::Unavailable;
    }
    int rc;
    do {
        rc = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? GuardResult::HeldElsewhere : GuardResult::Unavailable;
    }
    guardFd = fd;
    return GuardResult::Acquired;
}

void closeInstanceGuard() {
    if (guardFd < 0)
        return;
    ::close(guardFd); // the last descriptor of the lock: the lock goes with it
    guardFd = -1;
}

bool instanceGuardHeld() {
    return guardFd >= 0;
}

} // namespace platform
