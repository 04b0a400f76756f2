#include "store/file_bytes.h"

#include "jet/atomic_file.h"
#include "jet/journal.h"

#include "platform/file.h"

#include <cerrno>

namespace store {

std::string fileErrorText(int err) {
    return jet::journal::osErrorText(err);
}

jet::Result<jet::Bytes> readDescriptor(int fd, const std::string& path) {
    platform::FileInfo st;
    if (platform::fileInfo(fd, st) != 0 || !st.regular)
        return jet::makeError(jet::ErrorKind::Io, "无法读取文件：不是普通文件", path);
    jet::Bytes bytes(size_t(st.size));
    size_t done = 0;
    while (done < bytes.size()) {
        const int64_t n = platform::readAt(fd, bytes.data() + done, bytes.size() - done, done);
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
    const int fd = platform::openFile(path, platform::kRead);
    if (fd < 0)
        return jet::makeError(jet::ErrorKind::Io, "无法打开文件：" + fileErrorText(errno), path);
    auto bytes = readDescriptor(fd, path);
    platform::closeFile(fd);
    return bytes;
}

jet::Status makeBackupFolder(const std::string& folder, const std::string& dbPath) {
    platform::FileInfo st;
    if (platform::pathInfo(folder, st) == 0) {
        if (!st.directory)
            return jet::makeError(jet::ErrorKind::Io, "备份文件夹的位置上有一个同名文件", folder);
        return jet::okStatus();
    }
    unsigned mode = 0777;
    if (platform::pathInfo(dbPath, st) == 0)
        mode = (st.permissions & 0666) | ((st.permissions & 0444) >> 2) | 0700;
    if (platform::makeFolder(folder, mode) != 0 && errno != EEXIST)
        return jet::makeError(jet::ErrorKind::Io, "无法建立备份文件夹：" + fileErrorText(errno), folder);
    jet::syncParentDirectory(folder);
    return jet::okStatus();
}

jet::Result<std::string> keepCopy(const std::string& base, const jet::Bytes& bytes, unsigned mode) {
    for (int n = 1;; ++n) {
        const std::string path = base + (n == 1 ? "" : "-" + std::to_string(n)) + ".mdb";
        auto placed =
            jet::placeFile(path, jet::PlaceMode::CreateNew, [&](int fd, const std::string&) -> jet::Status {
                platform::setPermissions(fd, mode);
                return jet::writeAll(fd, jet::ByteView(bytes.data(), bytes.size()), path);
            });
        if (placed)
            return path;
        if (n >= 100 || !platform::pathExists(path))
            return placed.error(); // not a name that was taken
    }
}

} // namespace store
