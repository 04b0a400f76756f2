#include "jet/journal.h"

#include "jet/atomic_file.h"

#include "platform/file.h"

#include <cerrno>
#include <cstring>

namespace jet::journal {

namespace {

constexpr uint8_t kMagic[8] = {'L', 'D', 'R', 'M', 'J', 'N', 'L', '1'};
constexpr uint32_t kVersion = 1;

// Header fields (docs/journal.md).
constexpr size_t kOffVersion = 8;
constexpr size_t kOffPageSize = 12;
constexpr size_t kOffOriginalSize = 16;
constexpr size_t kOffCount = 24;
constexpr size_t kOffSalt = 32;
constexpr size_t kOffHeaderSum = 56;

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

Status writeAll(int fd, const uint8_t* data, size_t len, uint64_t offset, const std::string& path) {
    size_t done = 0;
    while (done < len) {
        const int64_t n = platform::writeAt(fd, data + done, len - done, offset + done);
        if (n < 0)
            return makeError(ErrorKind::Io, "写入文件失败：" + osErrorText(errno), path);
        done += size_t(n);
    }
    return okStatus();
}

} // namespace

std::string osErrorText(int err) {
    switch (err) {
    case ENOENT:
        return "文件不存在";
    case EACCES:
    case EPERM:
        return "没有访问权限";
    case EROFS:
        return "文件系统只读";
    case ENOSPC:
        return "磁盘空间不足";
#ifdef EDQUOT
    case EDQUOT:
        return "超出磁盘配额";
#endif
    case EISDIR:
        return "这是一个目录";
    default:
        return std::strerror(err);
    }
}

uint64_t checksum(uint64_t seed, const uint8_t* data, size_t len) {
    uint64_t h = mix(seed ^ 0x9e3779b97f4a7c15ULL ^ len);
    size_t i = 0;
    for (; i + 8 <= len; i += 8)
        h = mix(h ^ le64(data + i)) + 0x9e3779b97f4a7c15ULL;
    uint64_t tail = 0;
    for (size_t k = 0; i + k < len; ++k)
        tail |= uint64_t(data[i + k]) << (8 * k);
    return mix(h ^ tail ^ (uint64_t(len) << 56));
}

Bytes encodeHeader(uint64_t originalSize, uint32_t count, uint64_t salt) {
    Bytes h(kHeaderSize, 0);
    std::memcpy(h.data(), kMagic, sizeof kMagic);
    put32(h.data() + kOffVersion, kVersion);
    put32(h.data() + kOffPageSize, kPageSize);
    put64(h.data() + kOffOriginalSize, originalSize);
    put32(h.data() + kOffCount, count);
    put64(h.data() + kOffSalt, salt);
    put64(h.data() + kOffHeaderSum, checksum(0, h.data(), kOffHeaderSum));
    return h;
}

Bytes encodeRecord(uint64_t salt, uint32_t page, const uint8_t* image) {
    Bytes r(kRecordSize, 0);
    put32(r.data(), page);
    std::memcpy(r.data() + 8, image, kPageSize);
    put64(r.data() + 8 + kPageSize, checksum(salt, r.data(), 8 + kPageSize));
    return r;
}

Result<std::optional<Contents>> read(const std::string& path) {
    const int fd = platform::openFile(path, platform::kRead);
    if (fd < 0) {
        if (errno == ENOENT)
            return std::optional<Contents>();
        return makeError(ErrorKind::Io, "无法读取回滚日志：" + osErrorText(errno), path);
    }
    struct Closer {
        int fd;
        ~Closer() { platform::closeFile(fd); }
    } closer{fd};
    platform::FileInfo st;
    if (platform::fileInfo(fd, st) != 0)
        return makeError(ErrorKind::Io, "无法读取回滚日志：" + osErrorText(errno), path);
    const uint64_t size = st.size;
    auto readExact = [&](uint8_t* out, size_t len, uint64_t offset) -> Result<bool> {
        size_t done = 0;
        while (done < len) {
            const int64_t n = platform::readAt(fd, out + done, len - done, offset + done);
            if (n < 0)
                return makeError(ErrorKind::Io, "无法读取回滚日志：" + osErrorText(errno), path);
            if (n == 0)
                return false;
            done += size_t(n);
        }
        return true;
    };
    if (size < kHeaderSize)
        return std::optional<Contents>();
    uint8_t h[kHeaderSize];
    auto got = readExact(h, kHeaderSize, 0);
    if (!got)
        return got.error();
    if (!*got || std::memcmp(h, kMagic, sizeof kMagic) != 0 ||
        le64(h + kOffHeaderSum) != checksum(0, h, kOffHeaderSum) || le32(h + kOffVersion) != kVersion ||
        le32(h + kOffPageSize) != kPageSize)
        return std::optional<Contents>();
    const uint32_t count = le32(h + kOffCount);
    const uint64_t salt = le64(h + kOffSalt);
    if (size < kHeaderSize + uint64_t(count) * kRecordSize)
        return std::optional<Contents>();
    Contents c;
    c.originalSize = le64(h + kOffOriginalSize);
    c.images.reserve(count);
    Bytes rec(kRecordSize);
    for (uint32_t i = 0; i < count; ++i) {
        auto ok = readExact(rec.data(), kRecordSize, kHeaderSize + uint64_t(i) * kRecordSize);
        if (!ok)
            return ok.error();
        if (!*ok || le64(rec.data() + 8 + kPageSize) != checksum(salt, rec.data(), 8 + kPageSize))
            return std::optional<Contents>();
        auto img = std::make_shared<Image>();
        img->page = le32(rec.data());
        if (uint64_t(img->page) * kPageSize >= c.originalSize)
            return std::optional<Contents>(); // only pages that existed are saved
        std::memcpy(img->bytes.data(), rec.data() + 8, kPageSize);
        c.images.push_back(std::move(img));
    }
    return std::optional<Contents>(std::move(c));
}

Status restore(int fd, const std::string& dbPath, const Contents& contents) {
    for (const auto& img : contents.images)
        JET_TRY(writeAll(fd, img->bytes.data(), kPageSize, uint64_t(img->page) * kPageSize, dbPath));
    if (platform::truncateFile(fd, contents.originalSize) != 0)
        return makeError(ErrorKind::Io, "无法恢复数据库文件的长度：" + osErrorText(errno), dbPath);
    if (platform::syncFile(fd) != 0)
        return makeError(ErrorKind::Io, "无法把数据库写入磁盘：" + osErrorText(errno), dbPath);
    return okStatus();
}

Status syncFolder(const std::string& path) {
    if (platform::syncFolderOf(path) == 0)
        return okStatus();
    const int err = errno;
    // Some file systems cannot sync a folder; they keep its entries in order by themselves.
    if (err == EINVAL || err == EROFS)
        return okStatus();
    if (!platform::isFolder(folderOf(path)))
        return makeError(ErrorKind::Io, "无法打开数据库所在的文件夹：" + osErrorText(err), path);
    return makeError(ErrorKind::Io, "无法把文件夹写入磁盘：" + osErrorText(err), path);
}

Status remove(const std::string& path) {
    if (platform::removeFile(path) != 0) {
        if (errno == ENOENT)
            return okStatus();
        return makeError(ErrorKind::Io, "无法删除回滚日志：" + osErrorText(errno), path);
    }
    return syncFolder(path);
}

} // namespace jet::journal
