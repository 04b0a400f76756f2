#include "runtime/kernel.h"

#include "platform/data_folder.h"
#include "platform/file.h"
#include "platform/folder.h"

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace rt {

// ---- random numbers ----

uint32_t tickCount() {
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

void seedRandom() {
    static uint32_t rolling = 0;
    uint32_t tick = tickCount();
    std::srand(tick + rolling);
    rolling += 100 + ((tick + rolling) & 0xFF);
}

void seedRandom(int seed) {
    std::srand(static_cast<unsigned>(seed));
}

int random(int min, int max) {
    if (min < 0)
        min = 0;
    if (max < 0)
        max = 0;
    if (min > max)
        std::swap(min, max);
    if (min == max)
        return min;
    long long span = (long long)max - min + 1;
    if (min == 0 && max == 2147483647)
        span = 2147483646;
    long long r = std::abs(std::rand());
    return static_cast<int>(min + r % span);
}

// ---- files ----

namespace {
Text& programDirectoryOverride() {
    static Text dir;
    return dir;
}
} // namespace

void setProgramDirectoryForTests(const Text& dir) {
    programDirectoryOverride() = dir;
}

Text programDirectory() {
    if (!programDirectoryOverride().empty())
        return programDirectoryOverride();
    std::string dir = platform::runningProgramFolder();
    while (dir.size() > 1 && (dir.back() == '/' || dir.back() == '\\'))
        dir.pop_back();
    return Text::fromUtf8(dir);
}

std::string fileSystemPath(const Text& path) {
    std::string p = path.toUtf8();
#ifndef _WIN32
    // Callers build paths the Windows way (program directory + "\\db").
    std::replace(p.begin(), p.end(), '\\', '/');
#endif
    return p;
}

bool fileExists(const Text& path) {
    if (path.empty())
        return false;
    return platform::pathExists(fileSystemPath(path));
}

bool writeFile(const Text& path, std::initializer_list<Bytes> parts) {
    return writeFile(path, std::vector<Bytes>(parts));
}

bool writeFile(const Text& path, const std::vector<Bytes>& parts) {
    if (path.empty())
        return false;
    const std::string target = fileSystemPath(path);
    if (platform::isFolder(target))
        return false;
    // Written beside the target under a name of this process, then put in its place in one step.
    const std::string temporary = platform::joinPath(
        platform::folderOf(target),
        "." + platform::baseNameOf(target) + ".tmp" + std::to_string(platform::processId()));
    const int fd = platform::openFile(temporary, platform::kWrite | platform::kCreate | platform::kTruncate, 0666);
    if (fd < 0)
        return false;
    // A replaced file keeps its owner and permissions.
    platform::FileInfo old;
    if (platform::pathInfo(target, old) == 0 && old.regular)
        platform::keepOwnerAndPermissions(fd, old);
    bool ok = true;
    for (const Bytes& part : parts) {
        if (!part.empty() && platform::writeNext(fd, part.data(), part.size()) != int64_t(part.size())) {
            ok = false;
            break;
        }
    }
    ok = ok && platform::syncFile(fd) == 0;
    ok = platform::closeFile(fd) == 0 && ok;
    ok = ok && platform::replaceFile(temporary, target) == 0;
    if (!ok)
        platform::removeFile(temporary);
    return ok;
}

Bytes decompress(const Bytes& packed) {
    if (packed.size() < 8)
        return {};
    auto le32 = [&](size_t at) {
        return uint32_t(uint8_t(packed[at])) | uint32_t(uint8_t(packed[at + 1])) << 8 |
               uint32_t(uint8_t(packed[at + 2])) << 16 | uint32_t(uint8_t(packed[at + 3])) << 24;
    };
    if (le32(0) != 0x033E0F0Du)
        return {};
    const auto size = static_cast<int32_t>(le32(4));
    if (size <= 0)
        return {};
    const uint64_t limit = uint64_t(size) * 2;

    z_stream zs{};
    if (inflateInit(&zs) != Z_OK)
        return {};
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data() + 8));
    zs.avail_in = static_cast<uInt>(packed.size() - 8);
    Bytes out;
    int rc = Z_OK;
    // Grow the output as inflate fills it, so a damaged size field costs no memory up front.
    while (rc == Z_OK) {
        if (out.size() >= limit) {
            rc = Z_BUF_ERROR; // more output than the stated size allows
            break;
        }
        size_t chunk = size_t(std::min<uint64_t>(limit - out.size(), 1u << 20));
        size_t used = out.size();
        out.resize(used + chunk);
        zs.next_out = reinterpret_cast<Bytef*>(out.data() + used);
        zs.avail_out = static_cast<uInt>(chunk);
        rc = inflate(&zs, Z_NO_FLUSH);
        out.resize(used + (chunk - zs.avail_out));
        if (rc == Z_BUF_ERROR && zs.avail_out != 0)
            break; // the input ended before the stream did
    }
    inflateEnd(&zs);
    if (rc != Z_STREAM_END)
        return {};
    return out;
}

// ---- native database layer ----

namespace {
thread_local int nativeError = 0;
} // namespace

int nativeRecordCount() {
    nativeError = -67;
    return 0;
}
void nativeFlush() {
    nativeError = 0;
}
void nativeFlushAll() {
    nativeError = 0;
}
void nativeClose() {
    nativeError = 0;
}
int nativeLastError() {
    return nativeError;
}
Text nativeLastErrorText() {
    return nativeError == -67 ? Text("未设置当前数据库") : Text();
}

} // namespace rt
