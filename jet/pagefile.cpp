#include "jet/pagefile.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace jet {

namespace {

std::string osErrorText(int err) {
    switch (err) {
    case ENOENT:
        return "文件不存在";
    case EACCES:
    case EPERM:
        return "没有读取权限";
    case EISDIR:
        return "这是一个目录";
    default:
        return std::strerror(err);
    }
}

// Pages addressable by a 3-byte page number.
constexpr uint64_t kMaxPages = 1u << 24;

} // namespace

Result<std::shared_ptr<PageFile>> PageFile::openPath(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return makeError(ErrorKind::Io, "无法打开数据库文件：" + osErrorText(errno), path);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return makeError(ErrorKind::Io, "无法打开数据库文件：不是普通文件", path);
    }
    std::shared_ptr<PageFile> f(new PageFile());
    f->name_ = path;
    f->fd_ = fd;
    f->size_ = uint64_t(st.st_size);
    if (f->size_ / kPageSize > kMaxPages)
        return makeError(ErrorKind::Unsupported, "文件过大，超出 Jet 4 数据库的上限", path);
    f->pageCount_ = uint32_t(f->size_ / kPageSize);
    return f;
}

std::shared_ptr<PageFile> PageFile::openMemory(std::vector<uint8_t> bytes, std::string name) {
    std::shared_ptr<PageFile> f(new PageFile());
    f->name_ = std::move(name);
    f->size_ = bytes.size();
    f->memory_ = std::move(bytes);
    f->pageCount_ = uint32_t(std::min<uint64_t>(f->size_ / kPageSize, kMaxPages));
    return f;
}

PageFile::~PageFile() {
    if (fd_ >= 0)
        ::close(fd_);
}

Status PageFile::readRaw(uint64_t offset, uint8_t* out, size_t len) const {
    if (fd_ < 0) {
        std::memcpy(out, memory_.data() + offset, len);
        return okStatus();
    }
    size_t done = 0;
    while (done < len) {
        const ssize_t n = ::pread(fd_, out + done, len - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return error(ErrorKind::Io, "读取文件失败：" + osErrorText(errno), int64_t(offset / kPageSize));
        }
        if (n == 0)
            return corrupt("文件在读取过程中变短", int64_t(offset / kPageSize));
        done += size_t(n);
    }
    return okStatus();
}

Status PageFile::readPage(uint32_t n, uint8_t* out) const {
    if (n >= pageCount_)
        return corrupt("页号超出文件末尾（文件只有 " + std::to_string(pageCount_) + " 个完整的页）", n);
    return readRaw(uint64_t(n) * kPageSize, out, kPageSize);
}

Result<size_t> PageFile::readAt(uint64_t offset, uint8_t* out, size_t len) const {
    if (offset >= size_)
        return size_t(0);
    const size_t avail = size_t(std::min<uint64_t>(len, size_ - offset));
    JET_TRY(readRaw(offset, out, avail));
    return avail;
}

Result<PageRef> PageFile::page(uint32_t n) const {
    {
        std::lock_guard<std::mutex> lock(cacheMutex_);
        for (auto& slot : cache_) {
            if (slot.page && slot.page->number == n) {
                slot.lastUse = ++useClock_;
                return slot.page;
            }
        }
    }
    auto fresh = std::make_shared<Page>();
    fresh->number = n;
    JET_TRY(readPage(n, fresh->bytes.data()));
    std::lock_guard<std::mutex> lock(cacheMutex_);
    CacheSlot* victim = &cache_[0];
    for (auto& slot : cache_) {
        if (!slot.page) {
            victim = &slot;
            break;
        }
        if (slot.lastUse < victim->lastUse)
            victim = &slot;
    }
    victim->page = fresh;
    victim->lastUse = ++useClock_;
    return PageRef(std::move(fresh));
}

// ---- header ---------------------------------------------------------------------------------

namespace {

// The header's masked region is XORed with the key stream of RC4 keyed with the four bytes
// C7 DA 39 6B (docs/jet4-format.md §2). The stream never changes, so it is computed once.
std::array<uint8_t, kHeaderMaskLength> makeHeaderKeyStream() {
    const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
    std::array<uint8_t, 256> s{};
    for (int i = 0; i < 256; ++i)
        s[size_t(i)] = uint8_t(i);
    uint8_t j = 0;
    for (int i = 0; i < 256; ++i) {
        j = uint8_t(j + s[size_t(i)] + key[i % 4]);
        std::swap(s[size_t(i)], s[j]);
    }
    std::array<uint8_t, kHeaderMaskLength> out{};
    uint8_t a = 0, b = 0;
    for (auto& o : out) {
        a = uint8_t(a + 1);
        b = uint8_t(b + s[a]);
        std::swap(s[a], s[b]);
        o = s[uint8_t(s[a] + s[b])];
    }
    return out;
}

const std::array<uint8_t, kHeaderMaskLength>& headerKeyStream() {
    static const auto stream = makeHeaderKeyStream();
    return stream;
}

constexpr char kJetMagic[] = "Standard Jet DB";
constexpr char kAceMagic[] = "Standard ACE DB";

} // namespace

void toggleHeaderMask(uint8_t* region) {
    const auto& ks = headerKeyStream();
    for (size_t i = 0; i < kHeaderMaskLength; ++i)
        region[i] ^= ks[i];
}

std::array<uint8_t, 4> passwordMask(double creationDate) {
    // The creation date truncated to a 32-bit integer, little-endian. A date outside the int32
    // range cannot come from Access; clamp so that a damaged header gives a defined mask.
    int32_t v = 0;
    if (creationDate == creationDate) {
        if (creationDate >= 2147483647.0)
            v = INT32_MAX;
        else if (creationDate <= -2147483648.0)
            v = INT32_MIN;
        else
            v = int32_t(creationDate);
    }
    std::array<uint8_t, 4> m{};
    put32(m.data(), uint32_t(v));
    return m;
}

std::string versionName(uint32_t version) {
    switch (version) {
    case 0:
        return "Jet 3（Access 97）";
    case 1:
        return "Jet 4（Access 2000–2003）";
    case 2:
        return "ACE 12（Access 2007）";
    case 3:
        return "ACE 14（Access 2010）";
    case 4:
        return "ACE 15（Access 2013）";
    case 5:
        return "ACE 16（Access 2016）";
    case 6:
        return "ACE 17（Access 2019）";
    default:
        return "未知版本 " + std::to_string(version);
    }
}

Result<DatabaseHeader> readHeader(const PageFile& file) {
    std::array<uint8_t, kPageSize> p{};
    auto got = file.readAt(0, p.data(), p.size());
    if (!got)
        return got.error();
    const size_t n = *got;
    if (n < 0x20 || p[0] != 0x00 || p[1] != 0x01 || p[2] != 0 || p[3] != 0)
        return file.corrupt("不是 Access 数据库文件（文件头无法识别）", 0);
    const bool jet = std::memcmp(p.data() + 4, kJetMagic, sizeof kJetMagic) == 0;
    const bool ace = std::memcmp(p.data() + 4, kAceMagic, sizeof kAceMagic) == 0;
    if (!jet && !ace)
        return file.corrupt("不是 Access 数据库文件（文件头无法识别）", 0);
    DatabaseHeader h;
    h.version = le32(p.data() + 0x14);
    if (ace && h.version < 2)
        h.version = 2; // an ACE file names itself; its version byte cannot make it Jet
    if (h.version != kVersionJet4)
        return file.error(ErrorKind::Unsupported, "不支持的文件格式版本：" + versionName(h.version), 0);
    if (n < kPageSize)
        return file.corrupt("文件太短，连文件头页都不完整", 0);

    std::memcpy(h.unmasked.data(), p.data() + kHeaderMaskOffset, kHeaderMaskLength);
    toggleHeaderMask(h.unmasked.data());
    // Field offsets are page offsets; the unmasked copy starts at 0x18.
    auto at = [&](size_t pageOffset) { return h.unmasked.data() + (pageOffset - kHeaderMaskOffset); };
    h.codePage = le16(at(0x3C));
    h.encryptionKey = le32(at(0x3E));
    h.sortOrder = le16(at(0x6E));
    h.sortOrderVersion = *at(0x71);
    h.creationDate = leDouble(at(0x72));
    const auto mask = passwordMask(h.creationDate);
    for (size_t i = 0; i < 40; i += 2) {
        const char16_t c =
            char16_t((at(0x42)[i] ^ mask[i % 4]) | ((at(0x42)[i + 1] ^ mask[(i + 1) % 4]) << 8));
        if (c == 0)
            break;
        h.password += c;
    }
    h.pageCount = file.pageCount();
    return h;
}

} // namespace jet
