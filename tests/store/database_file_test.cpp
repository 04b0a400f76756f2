// The database file: its path, the carried image's container and the restore (whole file or
// nothing). The presence check's prompt and answers are played through start-up in
// tests/app/startup_test.cpp.
#include "runtime/kernel.h"
#include "store/database_file.h"
#include "store/database_image.h"
#include "store/program_values.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

class DatabaseFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        rt::setProgramDirectoryForTests(rt::Text(dir_.path()));
    }
    void TearDown() override { rt::setProgramDirectoryForTests({}); }
    QString db() const { return dir_.path() + QStringLiteral("/db"); }
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries | QDir::Hidden);
    }
    static QByteArray expected() {
        const rt::Bytes file = rt::decompress(store::databaseImage());
        return QByteArray(file.data(), qsizetype(file.size()));
    }
    static QByteArray read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir dir_;
};

} // namespace

TEST_F(DatabaseFile, PathIsTheProgramDirectoryAndDb) {
    EXPECT_EQ(store::computeDatabasePath(), rt::Text(db()));
    EXPECT_EQ(store::databasePath.get(), rt::Text(db()));
}

TEST_F(DatabaseFile, ImageHasItsHeaderAndHoldsAWholeFile) {
    const rt::Bytes image = store::databaseImage();
    ASSERT_GT(image.size(), 8u);
    EXPECT_EQ(image.substr(0, 4), std::string("\x0D\x0F\x3E\x03", 4));
    const uint32_t size = uint8_t(image[4]) | uint8_t(image[5]) << 8 | uint8_t(image[6]) << 16 |
                          uint32_t(uint8_t(image[7])) << 24;
    EXPECT_EQ(size, 237568u);
    EXPECT_EQ(rt::decompress(image).size(), size_t(size));
}

TEST_F(DatabaseFile, RestoreWritesTheImageAndReplacesAnOldFile) {
    {
        QFile old(db());
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(300000, 'x')); // longer than the image: nothing of it may remain
    }
    ASSERT_TRUE(store::restoreDatabase());
    EXPECT_EQ(read(db()), expected());
    EXPECT_EQ(entries(), QStringList{QStringLiteral("db")});
}

TEST_F(DatabaseFile, FailedRestoreLeavesNothing) {
    // The path is a directory: it cannot become a file, and stays as it was.
    ASSERT_TRUE(QDir(dir_.path()).mkpath(QStringLiteral("db/inside")));
    EXPECT_FALSE(store::restoreDatabase());
    EXPECT_TRUE(QFileInfo(db()).isDir());
    EXPECT_EQ(entries(), QStringList{QStringLiteral("db")});
    // A program directory that is not there.
    rt::setProgramDirectoryForTests(rt::Text(dir_.path() + QStringLiteral("/gone")));
    EXPECT_FALSE(store::restoreDatabase());
    EXPECT_FALSE(QFileInfo::exists(dir_.path() + QStringLiteral("/gone")));
}
