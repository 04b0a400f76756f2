#include "runtime/kernel.h"
#include "runtime/qt/conversions.h"
#include "runtime/display.h"
#include "runtime/qt/access.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <QScreen>

#include <zlib.h>

#include <cstdlib>
#include <cstring>
#include <ctime>

namespace rt {

// ---- random numbers ----

uint32_t tickCount() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
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
    QString dir;
    if (QCoreApplication::instance())
        dir = QCoreApplication::applicationDirPath();
    else
        dir = QFileInfo(QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath()).absolutePath();
    while (dir.size() > 1 && dir.endsWith(QLatin1Char('/')))
        dir.chop(1);
    return Text(QDir::toNativeSeparators(dir));
}

QString nativePath(const Text& path) {
    QString p = path.toQString();
#ifndef Q_OS_WIN
    p.replace(QLatin1Char('\\'), QLatin1Char('/'));
#endif
    return p;
}

std::string fileSystemPath(const Text& path) {
    return QFile::encodeName(nativePath(path)).toStdString();
}

bool fileExists(const Text& path) {
    if (path.empty())
        return false;
    return QFileInfo::exists(nativePath(path));
}

bool writeFile(const Text& path, std::initializer_list<Bytes> parts) {
    return writeFile(path, std::vector<Bytes>(parts));
}

bool writeFile(const Text& path, const std::vector<Bytes>& parts) {
    if (path.empty())
        return false;
    QSaveFile file(nativePath(path));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const Bytes& part : parts) {
        if (file.write(part.data(), qint64(part.size())) != qint64(part.size())) {
            file.cancelWriting();
            return false;
        }
    }
    return file.commit();
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

// ---- events and screen ----

void processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void delay(int ms) {
    if (ms <= 0)
        return;
    QElapsedTimer timer;
    timer.start();
    int passes = 0;
    do {
        processEvents();
        ++passes;
    } while (timer.elapsed() < ms || passes < 2);
}

int screenWidth() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int screenHeight() {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

namespace {
QRect& availableForTests() {
    static QRect area;
    return area;
}
} // namespace

Rect availableArea(int x, int y) {
    QScreen* s = QGuiApplication::screenAt(QPoint(x, y));
    if (!s)
        s = QGuiApplication::primaryScreen();
    if (!s)
        return {};
    const QRect& panels = availableForTests();
    return qt::rect(panels.isEmpty() ? s->availableGeometry() : s->availableGeometry() & panels);
}

void setAvailableAreaForTests(const Rect& area) {
    availableForTests() = qt::rect(area);
}

} // namespace rt
