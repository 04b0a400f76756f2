#include "store/file_bytes.h"

#include "jet/atomic_file.h"
#include "jet/journal.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace store {

std::string fileErrorText(int err) {
    return jet::journal::osErrorText(err);
}

jet::Result<jet::Bytes> readDescriptor(int fd, const std::string& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return jet::makeError(jet::ErrorKind::Io, "无法读取文件：不是普通文件", path);
    jet::Bytes bytes(size_t(st.st_size));
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::pread(fd, bytes.data() + done, bytes.size() - done, off_t(done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return jet::makeError(jet::ErrorKind::Io, "无法读取文件：" + fileErrorText(errno), path);
        if (n == 0)
            break; // it became shorter meanwhile
        done += size_t(n);
    }
    bytes.resize(done);
    return bytes;
}

jet::Result<jet::Bytes> readFileBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return jet::makeError(jet::ErrorKind::Io, "无法打开文件：" + fileErrorText(errno), path);
    auto bytes = readDescriptor(fd, path);
    ::close(fd);
    return bytes;
}

jet::Status makeBackupFolder(const std::string& folder, const std::string& dbPath) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) {
        if (!S_ISDIR(st.st_mode))
            return jet::makeError(jet::ErrorKind::Io, "备份文件夹的位置上有一个同名文件", folder);
        return jet::okStatus();
    }
    mode_t mode = 0777;
    if (::stat(dbPath.c_str(), &st) == 0)
        mode = (st.st_mode & 0666) | ((st.st_mode & 0444) >> 2) | 0700;
    if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST)
        return jet::makeError(jet::ErrorKind::Io, "无法建立备份文件夹：" + fileErrorText(errno), folder);
    jet::syncParentDirectory(folder);
    return jet::okStatus();
}

jet::Result<std::string> keepCopy(const std::string& base, const jet::Bytes& bytes, mode_t mode) {
    for (int n = 1;; ++n) {
        const std::string path = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".mdb";
        auto placed =
            jet::placeFile(path, jet::PlaceMode::CreateNew, [&](int fd, const std::string&) -> jet::Status {
                (void)::fchmod(fd, mode);
                return jet::writeAll(fd, jet::ByteView(bytes.data(), bytes.size()), path);
            });
        if (placed)
            return path;
        struct stat st {};
        if (n >= 100 || ::lstat(path.c_str(), &st) != 0)
            return placed.error(); // not a name that was taken
    }
}

} // namespace store
