#include "platform/file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

namespace platform {

namespace {

void fill(const struct stat& st, FileInfo& out) {
    out.regular = S_ISREG(st.st_mode);
    out.directory = S_ISDIR(st.st_mode);
    out.link = S_ISLNK(st.st_mode);
    out.size = uint64_t(st.st_size);
    out.modifiedSeconds = int64_t(st.st_mtim.tv_sec);
    out.modifiedNanos = int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    out.device = uint64_t(st.st_dev);
    out.id = uint64_t(st.st_ino);
    out.permissions = unsigned(st.st_mode & 07777);
    out.owner = unsigned(st.st_uid);
    out.group = unsigned(st.st_gid);
}

} // namespace

int openFile(const std::string& path, unsigned flags, unsigned permissions) {
    int f = O_CLOEXEC;
    switch (flags & 3) {
    case kWrite:
        f |= O_WRONLY;
        break;
    case kReadWrite:
        f |= O_RDWR;
        break;
    default:
        f |= O_RDONLY;
        break;
    }
    if (flags & kCreate)
        f |= O_CREAT;
    if (flags & kExclusive)
        f |= O_EXCL;
    if (flags & kTruncate)
        f |= O_TRUNC;
    return ::open(path.c_str(), f, mode_t(permissions));
}

int closeFile(int fd) {
    return ::close(fd);
}

int64_t readAt(int fd, void* out, size_t len, uint64_t offset) {
    ssize_t n;
    do
        n = ::pread(fd, out, len, off_t(offset));
    while (n < 0 && errno == EINTR);
    return n;
}

int64_t writeAt(int fd, const void* data, size_t len, uint64_t offset) {
    ssize_t n;
    do
        n = ::pwrite(fd, data, len, off_t(offset));
    while (n < 0 && errno == EINTR);
    return n;
}

int64_t writeNext(int fd, const void* data, size_t len) {
    ssize_t n;
    do
        n = ::write(fd, data, len);
    while (n < 0 && errno == EINTR);
    return n;
}

int64_t readNext(int fd, void* out, size_t len) {
    ssize_t n;
    do
        n = ::read(fd, out, len);
    while (n < 0 && errno == EINTR);
    return n;
}

int64_t readPiecesAt(int fd, const Piece* pieces, int count, uint64_t offset) {
    iovec parts[64];
    if (count > 64) {
        errno = EINVAL;
        return -1;
    }
    for (int i = 0; i < count; ++i)
        parts[i] = iovec{pieces[i].data, pieces[i].size};
    ssize_t n;
    do
        n = ::preadv(fd, parts, count, off_t(offset));
    while (n < 0 && errno == EINTR);
    return n;
}

int syncFile(int fd) {
    return ::fsync(fd);
}

void startWriting(int fd) {
#ifdef SYNC_FILE_RANGE_WRITE
    (void)::sync_file_range(fd, 0, 0, SYNC_FILE_RANGE_WRITE);
#else
    (void)fd;
#endif
}

int truncateFile(int fd, uint64_t size) {
    return ::ftruncate(fd, off_t(size));
}

int fileInfo(int fd, FileInfo& out) {
    struct stat st {};
    if (::fstat(fd, &st) != 0)
        return -1;
    fill(st, out);
    return 0;
}

int pathInfo(const std::string& path, FileInfo& out, bool followLinks) {
    struct stat st {};
    if ((followLinks ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st)) != 0)
        return -1;
    fill(st, out);
    return 0;
}

bool pathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool isFolder(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void setPermissions(int fd, unsigned permissions) {
    (void)::fchmod(fd, mode_t(permissions & 07777));
}

void keepOwnerAndPermissions(int fd, const FileInfo& like) {
    // The owner first: a change of owner may clear the set-id bits the mode then gives back. A
    // user who may not give the file the other owner or group keeps what is allowed.
    if (::fchown(fd, uid_t(like.owner), gid_t(like.group)) != 0)
        (void)::fchown(fd, uid_t(-1), gid_t(like.group));
    setPermissions(fd, like.permissions);
}

int replaceFile(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}

int renameToNew(const std::string& from, const std::string& to) {
    // A hard link never replaces a name, so a file that appeared meanwhile is kept.
    if (::link(from.c_str(), to.c_str()) != 0)
        return -1;
    ::unlink(from.c_str());
    return 0;
}

int removeFile(const std::string& path) {
    return ::unlink(path.c_str());
}

int syncFolderOf(const std::string& path) {
    const int fd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const int rc = ::fsync(fd);
    const int err = errno;
    ::close(fd);
    errno = err;
    return rc;
}

int makeFolder(const std::string& path, unsigned permissions) {
    return ::mkdir(path.c_str(), mode_t(permissions));
}

bool canCreateFilesIn(const std::string& folder) {
    // Creating a file needs write and search permission on the folder; a read-only mount says
    // no too (EROFS).
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0;
}

std::string resolvedPath(const std::string& path) {
    char resolved[PATH_MAX];
    if (!::realpath(path.c_str(), resolved))
        return {};
    return resolved;
}

std::string pathForNarrowOpen(const std::string& path) {
    return path;
}

int processId() {
    return int(::getpid());
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace platform
