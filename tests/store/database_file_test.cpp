// The database file: its path, the carried image's container, the restore (whole file or
// nothing) and the presence check's answers.
#include "runtime/kernel.h"
#include "runtime/msgbox.h"
#include "runtime/program.h"
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
        rt::setEndProgramHook([](int code) { throw rt::ProgramEnded{code}; });
    }
    void TearDown() override {
        rt::setEndProgramHook({});
        rt::setProgramDirectoryForTests({});
    }
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

TEST_F(DatabaseFile, PresentFileOrDirectoryAsksNothing) {
    rt::ScriptedMessageBoxes boxes;
    {
        QFile f(db());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly)); // empty, but there
    }
    EXPECT_EQ(store::checkDatabasePresence(), store::DatabasePresence::Present);
    ASSERT_TRUE(QFile::remove(db()));
    ASSERT_TRUE(QDir(dir_.path()).mkdir(QStringLiteral("db")));
    EXPECT_EQ(store::checkDatabasePresence(), store::DatabasePresence::Present);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(store::databasePath.get(), rt::Text(db()));
}

TEST_F(DatabaseFile, MissingFileIsRestoredOnOk) {
    rt::ScriptedMessageBoxes boxes;
    boxes.answer(rt::MbOk);
    EXPECT_EQ(store::checkDatabasePresence(), store::DatabasePresence::Present);
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].text, rt::Text("数据库文件不存在，需要恢复请确认！"));
    EXPECT_EQ(boxes.calls()[0].caption, rt::Text("数据库不存在"));
    EXPECT_EQ(boxes.calls()[0].style, rt::MbOkCancel | rt::MbIconWarning | rt::MbTaskModal);
    EXPECT_EQ(boxes.calls()[1].text, rt::Text("数据库恢复成功!默认用户名密码为：tamsu"));
    EXPECT_EQ(boxes.calls()[1].caption, rt::Text("信息："));
    EXPECT_EQ(read(db()), expected());
}

TEST_F(DatabaseFile, AnyOtherAnswerDeclines) {
    for (int answer : {rt::MbCancel, rt::MbAbort, rt::MbRetry, rt::MbIgnore, rt::MbYes, rt::MbNo}) {
        rt::ScriptedMessageBoxes boxes;
        boxes.answer(answer);
        EXPECT_EQ(store::checkDatabasePresence(), store::DatabasePresence::Declined) << answer;
        EXPECT_EQ(boxes.calls().size(), 1u);
        EXPECT_TRUE(entries().isEmpty());
    }
}

TEST_F(DatabaseFile, FailedRestoreEndsTheProgramWithZero) {
    rt::setProgramDirectoryForTests(rt::Text(dir_.path() + QStringLiteral("/gone")));
    rt::ScriptedMessageBoxes boxes;
    boxes.answer(rt::MbOk);
    try {
        store::checkDatabasePresence();
        FAIL() << "returned";
    } catch (const rt::ProgramEnded& e) {
        EXPECT_EQ(e.code, 0);
    }
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].text, rt::Text("未知错误,请重新安装软件!"));
    EXPECT_EQ(boxes.calls()[1].caption, rt::Text("信息："));
    EXPECT_EQ(boxes.calls()[1].style & 0xFF, 0); // OK, no icon
    EXPECT_TRUE(entries().isEmpty());
}
