#include "platform/lock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace platform {

namespace {

off_t offsetOf(FileLock lock) {
    return off_t(kLockRegion + (lock == FileLock::Writer ? 0 : 1));
}

// An open-file-description lock (F_OFD_SETLK): owned by the open file, so closing another
// descriptor of the same file does not drop it, unlike a classic fcntl() lock.
int ofdLock(int fd, FileLock lock, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = offsetOf(lock);
    fl.l_len = 1;
    fl.l_pid = 0;
    return ::fcntl(fd, F_OFD_SETLK, &fl);
}

} // namespace

LockOutcome tryLock(FileHandle file, FileLock lock, LockMode mode) {
    int rc;
    do {
        if (lock == FileLock::Writer)
            rc = ::flock(file, (mode == LockMode::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB);
        else
            rc = ofdLock(file, lock, mode == LockMode::Exclusive ? F_WRLCK : F_RDLCK);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0)
        return {LockOutcome::Taken, 0};
    if (errno == EWOULDBLOCK || errno == EAGAIN || errno == EACCES)
        return {LockOutcome::Busy, errno};
    return {LockOutcome::Failed, errno};
}

void unlock(FileHandle file, FileLock lock) {
    if (lock == FileLock::Writer)
        (void)::flock(file, LOCK_UN);
    else
        (void)ofdLock(file, lock, F_UNLCK);
}

std::string lockErrorText(int error) {
    return std::strerror(error);
}

} // namespace platform
