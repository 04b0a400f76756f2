// Random numbers, files, decompression and the native database layer.
#include "runtime/kernel.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <zlib.h>

#include <thread>

#include <sys/stat.h>
#include <unistd.h>

using rt::Bytes;
using rt::Text;

TEST(Random, SeededSequencesRepeat) {
    rt::seedRandom(1234);
    const int a = rt::random(), b = rt::random(1, 6);
    rt::seedRandom(1234);
    EXPECT_EQ(rt::random(), a);
    EXPECT_EQ(rt::random(1, 6), b);
}

TEST(Random, Bounds) {
    rt::seedRandom(7);
    for (int i = 0; i < 2000; ++i) {
        int v = rt::random(1, 6);
        ASSERT_GE(v, 1);
        ASSERT_LE(v, 6);
        v = rt::random(10, 3); // either order
        ASSERT_GE(v, 3);
        ASSERT_LE(v, 10);
        v = rt::random(-5, 2); // negative bounds count as 0
        ASSERT_GE(v, 0);
        ASSERT_LE(v, 2);
        ASSERT_GE(rt::random(), 0);
        ASSERT_LT(rt::random(), 2147483647); // the full range uses 2147483646 as span
    }
    EXPECT_EQ(rt::random(5, 5), 5);
    EXPECT_EQ(rt::random(-3, -9), 0);
}

TEST(Random, TimeSeedsDifferWithinOneMillisecond) {
    rt::seedRandom();
    const int a1 = rt::random(), a2 = rt::random(), a3 = rt::random();
    rt::seedRandom();
    const int b1 = rt::random(), b2 = rt::random(), b3 = rt::random();
    EXPECT_FALSE(a1 == b1 && a2 == b2 && a3 == b3);
}

TEST(Files, ProgramDirectory) {
    const Text dir = rt::programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_NE(dir.bytes().back(), '/');
    char exe[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", exe, sizeof exe - 1), 0);
    EXPECT_EQ(dir.toQString(), QFileInfo(QString::fromLocal8Bit(exe)).absolutePath());
    EXPECT_TRUE(rt::fileExists(dir));
}

TEST(Files, ExistsAndWrite) {
    QTemporaryDir tmp;
    ASSERT_TRUE(tmp.isValid());
    const Text dir(tmp.path());
    const Text file = dir + "\\数据.bin"; // the Windows separator works too
    EXPECT_FALSE(rt::fileExists(file));
    EXPECT_FALSE(rt::fileExists(""));
    ASSERT_TRUE(rt::writeFile(file, {Bytes("ab"), Bytes("\0c", 2), Bytes()}));
    EXPECT_TRUE(rt::fileExists(file));
    QFile f(tmp.filePath(QStringLiteral("数据.bin")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("ab\0c", 4));
    f.close();
    // Writing again replaces the whole file.
    ASSERT_TRUE(rt::writeFile(file, {Bytes("x")}));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("x"));
    f.close();
    // A directory counts as existing and cannot be written over.
    EXPECT_TRUE(rt::fileExists(dir));
    EXPECT_FALSE(rt::writeFile(dir, {Bytes("x")}));
    EXPECT_FALSE(rt::writeFile("", {Bytes("x")}));
    EXPECT_FALSE(rt::writeFile(dir + "/missing/sub/file", {Bytes("x")}));
    // Nothing half-written was left behind.
    EXPECT_EQ(QDir(tmp.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("数据.bin")});
}

// A file written over keeps its mode and owner: a private file stays private.
TEST(Files, AReplacedFileKeepsItsOwnerAndMode) {
    QTemporaryDir tmp;
    const Text file = Text(tmp.path()) + "/db";
    ASSERT_TRUE(rt::writeFile(file, {Bytes("old")}));
    const std::string path = rt::fileSystemPath(file);
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    if (geteuid() == 0) // given to another user, as root writing a user's file
        ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    struct stat before {};
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    ASSERT_TRUE(rt::writeFile(file, {Bytes("new")}));
    struct stat after {};
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0600u);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
}

TEST(Files, ReadOnlyDirectoryKeepsExistingFile) {
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes into read-only directories";
    QTemporaryDir tmp;
    const Text file = Text(tmp.path()) + "/db";
    ASSERT_TRUE(rt::writeFile(file, {Bytes("old")}));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::ExeOwner);
    EXPECT_FALSE(rt::writeFile(file, {Bytes("new")}));
    QFile::setPermissions(tmp.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile f(tmp.filePath(QStringLiteral("db")));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("old"));
}

namespace {
Bytes pack(const Bytes& plain, uint32_t statedSize, uint32_t magic = 0x033E0F0D) {
    uLongf len = compressBound(uLong(plain.size()));
    Bytes z(len, '\0');
    compress(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(plain.data()),
             uLong(plain.size()));
    z.resize(len);
    Bytes out(8, '\0');
    for (int i = 0; i < 4; ++i) {
        out[size_t(i)] = char(magic >> (8 * i));
        out[size_t(4 + i)] = char(statedSize >> (8 * i));
    }
    return out + z;
}
} // namespace

TEST(Decompress, ImageFormat) {
    Bytes plain(237568, '\0');
    for (size_t i = 0; i < plain.size(); i += 7)
        plain[i] = char(i * 31);
    const Bytes packed = pack(plain, uint32_t(plain.size()));
    EXPECT_EQ(packed.substr(0, 4), Bytes("\x0D\x0F\x3E\x03"));
    EXPECT_EQ(rt::decompress(packed), plain);
    // The stated size bounds the output at twice its value.
    EXPECT_EQ(rt::decompress(pack(plain, uint32_t(plain.size() / 2))), plain);
    EXPECT_EQ(rt::decompress(pack(plain, uint32_t(plain.size() / 2 - 1))), Bytes());
}

TEST(Decompress, DamagedInputGivesNothing) {
    const Bytes plain(1000, 'a');
    EXPECT_EQ(rt::decompress(Bytes()), Bytes());
    EXPECT_EQ(rt::decompress(Bytes("\x0D\x0F\x3E\x03\x01\x00\x00", 7)), Bytes());
    EXPECT_EQ(rt::decompress(pack(plain, 1000, 0x033E0F0E)), Bytes());
    EXPECT_EQ(rt::decompress(pack(plain, 0)), Bytes());
    EXPECT_EQ(rt::decompress(pack(plain, 0x80000000u)), Bytes()); // negative size
    Bytes truncated = pack(plain, 1000);
    truncated.resize(truncated.size() - 5);
    EXPECT_EQ(rt::decompress(truncated), Bytes());
    Bytes garbage = pack(plain, 1000);
    for (size_t i = 10; i < garbage.size(); ++i)
        garbage[i] = char(0xA5);
    EXPECT_EQ(rt::decompress(garbage), Bytes());
    // A header alone, with a huge stated size, costs nothing.
    EXPECT_EQ(rt::decompress(pack(Bytes(), 0x7FFFFFFF).substr(0, 8)), Bytes());
}

TEST(NativeDatabase, LastErrorText) {
    std::thread([] {
        EXPECT_EQ(rt::nativeLastErrorText(), Text());
    }).join(); // kept per thread, empty at start
    EXPECT_EQ(rt::nativeRecordCount(), 0);
    EXPECT_EQ(rt::nativeLastError(), -67);
    EXPECT_EQ(rt::nativeLastErrorText(), Text("未设置当前数据库"));
    rt::nativeFlush();
    EXPECT_EQ(rt::nativeLastError(), 0);
    rt::nativeRecordCount();
    rt::nativeFlushAll();
    EXPECT_EQ(rt::nativeLastErrorText(), Text());
    rt::nativeRecordCount();
    rt::nativeClose();
    EXPECT_EQ(rt::nativeLastError(), 0);
}
