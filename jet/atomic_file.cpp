#include "jet/atomic_file.h"

#include "jet/journal.h"

#include "platform/file.h"

#include <cerrno>
#include <utility>

namespace jet {

namespace {

std::function<int(const char*)>& faultHook() {
    static std::function<int(const char*)> hook;
    return hook;
}

// errno the test hook asks this step to fail with, or 0.
int injected(const char* step) {
    auto& hook = faultHook();
    return hook ? hook(step) : 0;
}

// The system's reason in the words of someone writing `path`. ENOENT also comes from a folder that
// is there but takes no new files (/proc, /sys): only a folder that is missing is called so.
std::string writeErrorText(const std::string& path, int err) {
    switch (err) {
    case ENOENT:
        if (platform::isFolder(folderOf(path)))
            return "这个目录中不能创建文件";
        return "目录不存在";
    case ENOTDIR:
        return "路径中有一段不是目录";
    case EFBIG:
        return "文件超出了系统允许的大小";
    case EACCES:
    case EPERM:
        return "没有写入权限";
    default:
        return journal::osErrorText(err);
    }
}

Error ioError(const std::string& path, const std::string& what, int err) {
    return makeError(ErrorKind::Io, what + "：" + writeErrorText(path, err), path);
}

} // namespace

std::string folderOf(const std::string& path) {
    return platform::folderOf(path);
}

void setPlaceFileFaultHook(std::function<int(const char* step)> hook) {
    faultHook() = std::move(hook);
}

Error writeError(const std::string& path, int err) {
    return ioError(path, "写入失败", err);
}

Status writeAll(int fd, ByteView bytes, const std::string& path) {
    if (int err = injected("write")) {
        // A disk that fills up part-way: half of the bytes get there. A negative answer: a disk
        // that says it wrote them all.
        (void)platform::writeNext(fd, bytes.data(), bytes.size() / 2);
        if (err < 0)
            return okStatus();
        return ioError(path, "写入失败", err);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const int64_t n = platform::writeNext(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0)
            return ioError(path, "写入失败", errno);
        done += size_t(n);
    }
    return okStatus();
}

void syncParentDirectory(const std::string& path) {
    (void)platform::syncFolderOf(path);
}

Status placeFile(const std::string& target, PlaceMode mode, const FileFiller& fill) {
    if (target.empty() || platform::baseNameOf(target).empty())
        return makeError(ErrorKind::Invalid, "没有给出文件名");
    platform::FileInfo old;
    const bool exists = platform::pathInfo(target, old, false) == 0;
    if (exists && old.directory)
        return makeError(ErrorKind::Invalid, "目标是一个目录", target);
    if (exists && mode == PlaceMode::CreateNew)
        return makeError(ErrorKind::Io, "文件已存在，不会覆盖", target);

    const std::string dir = folderOf(target);
    const std::string base = platform::baseNameOf(target);
    std::string temp;
    int fd = -1;
    if (int err = injected("create"))
        return ioError(target, "无法创建文件", err);
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir + "/." + base + ".new-" + std::to_string(platform::processId()) + "-" + std::to_string(attempt);
        fd = platform::openFile(temp, platform::kWrite | platform::kCreate | platform::kExclusive, 0666);
        if (fd < 0 && errno != EEXIST)
            return ioError(target, "无法创建文件", errno);
    }
    if (fd < 0)
        return ioError(target, "无法创建临时文件", EEXIST);
    // A replaced file keeps its owner and permissions (a private database stays private), from
    // its first byte on.
    if (exists && old.regular)
        platform::keepOwnerAndPermissions(fd, old);

    auto abandon = [&](Error e) -> Status {
        if (fd >= 0)
            platform::closeFile(fd);
        platform::removeFile(temp);
        return e;
    };
    if (int err = injected("fill"))
        return abandon(ioError(target, "写入失败", err));
    if (auto st = fill(fd, temp); !st)
        return abandon(st.error());
    // The filler may have rewritten the file by name: flush what is at the temporary name now,
    // and give a file made anew there the owner and permissions the descriptor's file has.
    const int syncFd = platform::openFile(temp, platform::kRead);
    if (syncFd < 0)
        return abandon(ioError(target, "写入失败", errno));
    platform::FileInfo written, made;
    if (platform::fileInfo(fd, written) == 0 && platform::fileInfo(syncFd, made) == 0 &&
        (written.device != made.device || written.id != made.id))
        platform::keepOwnerAndPermissions(syncFd, written);
    int err = injected("sync");
    if (!err && platform::syncFile(syncFd) != 0)
        err = errno;
    platform::closeFile(syncFd);
    if (err)
        return abandon(ioError(target, "写入磁盘失败", err));
    if (platform::closeFile(fd) != 0) {
        fd = -1;
        return abandon(ioError(target, "写入失败", errno));
    }
    fd = -1;

    err = injected("place");
    if (!err) {
        if (mode == PlaceMode::Replace) {
            if (platform::replaceFile(temp, target) != 0)
                err = errno;
        } else if (platform::renameToNew(temp, target) != 0) {
            // A file that appeared meanwhile is kept.
            err = errno;
        }
    }
    if (err) {
        if (err == EEXIST && mode == PlaceMode::CreateNew)
            return abandon(makeError(ErrorKind::Io, "文件已存在，不会覆盖", target));
        return abandon(ioError(target, "无法替换文件", err));
    }
    if (!injected("dirsync"))
        syncParentDirectory(target);
    return okStatus();
}

Status placeFileBytes(const std::string& target, PlaceMode mode, ByteView bytes) {
    return placeFile(target, mode, [&](int fd, const std::string&) { return writeAll(fd, bytes, target); });
}

} // namespace jet
