#include "jet/atomic_file.h"

#include "jet/journal.h"

#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The system's reason in the words of someone writing a file.
std::string writeErrorText(int err) {
    switch (err) {
    case ENOENT:
        return "目录不存在";
    case EACCES:
    case EPERM:
        return "没有写入权限";
    default:
        return journal::osErrorText(err);
    }
}

Error ioError(const std::string& path, const std::string& what, int err) {
    return makeError(ErrorKind::Io, what + "：" + writeErrorText(err), path);
}

} // namespace

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void setPlaceFileFaultHook(std::function<int(const char* step)> hook) {
    faultHook() = std::move(hook);
}

Error writeError(const std::string& path, int err) {
    return ioError(path, "写入失败", err);
}

Status writeAll(int fd, ByteView bytes, const std::string& path) {
    if (int err = injected("write")) {
        // A disk that fills up part-way: half of the bytes get there.
        (void)!::write(fd, bytes.data(), bytes.size() / 2);
        return ioError(path, "写入失败", err);
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return ioError(path, "写入失败", errno);
        }
        done += size_t(n);
    }
    return okStatus();
}

void syncParentDirectory(const std::string& path) {
    const int dfd = ::open(folderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
}

Status placeFile(const std::string& target, PlaceMode mode, const FileFiller& fill) {
    if (target.empty() || target.back() == '/')
        return makeError(ErrorKind::Invalid, "没有给出文件名");
    struct stat old {};
    const bool exists = ::lstat(target.c_str(), &old) == 0;
    if (exists && S_ISDIR(old.st_mode))
        return makeError(ErrorKind::Invalid, "目标是一个目录", target);
    if (exists && mode == PlaceMode::CreateNew)
        return makeError(ErrorKind::Io, "文件已存在，不会覆盖", target);

    const std::string dir = folderOf(target);
    const size_t slash = target.rfind('/');
    const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
    std::string temp;
    int fd = -1;
    if (int err = injected("create"))
        return ioError(target, "无法创建文件", err);
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = dir + "/." + base + ".new-" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            return ioError(target, "无法创建文件", errno);
    }
    if (fd < 0)
        return ioError(target, "无法创建临时文件", EEXIST);
    // A replaced file keeps its permissions (a private database stays private).
    if (exists && S_ISREG(old.st_mode))
        (void)::fchmod(fd, old.st_mode & 07777);

    auto abandon = [&](Error e) -> Status {
        if (fd >= 0)
            ::close(fd);
        ::unlink(temp.c_str());
        return e;
    };
    if (int err = injected("fill"))
        return abandon(ioError(target, "写入失败", err));
    if (auto st = fill(fd, temp); !st)
        return abandon(st.error());
    // The filler may have rewritten the file by name: flush what is at the temporary name now.
    const int syncFd = ::open(temp.c_str(), O_RDONLY | O_CLOEXEC);
    if (syncFd < 0)
        return abandon(ioError(target, "写入失败", errno));
    int err = injected("sync");
    if (!err && ::fsync(syncFd) != 0)
        err = errno;
    ::close(syncFd);
    if (err)
        return abandon(ioError(target, "写入磁盘失败", err));
    if (::close(fd) != 0) {
        fd = -1;
        return abandon(ioError(target, "写入失败", errno));
    }
    fd = -1;

    err = injected("place");
    if (!err) {
        if (mode == PlaceMode::Replace) {
            if (::rename(temp.c_str(), target.c_str()) != 0)
                err = errno;
        } else if (::link(temp.c_str(), target.c_str()) != 0) {
            // A hard link never replaces a name, so a file that appeared meanwhile is kept.
            err = errno;
        } else {
            ::unlink(temp.c_str());
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
