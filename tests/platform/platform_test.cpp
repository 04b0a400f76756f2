// The platform layer on the system it was built for (Linux, or Windows under Wine): files by
// UTF-8 path with Chinese names, the atomic replace when the writing process dies half-way, and
// the folder listing. The helper process is this program again (--helper MODE PATH).
#include "jet/atomic_file.h"
#include "platform/file.h"
#include "platform/instance_guard.h"
#include "platform/folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

std::string programPath;

std::string utf8(const std::filesystem::path& p) {
    const auto u = p.u8string();
    return std::string(u.begin(), u.end());
}

// A fresh folder under the system's temporary folder.
std::string freshFolder(const std::string& name) {
    const auto base = std::filesystem::temp_directory_path() /
                      ("ledrimo-platform-" + std::to_string(platform::processId()) + "-" + name);
    std::filesystem::remove_all(base);
    std::filesystem::create_directories(base);
    return utf8(base);
}

std::string readWhole(const std::string& path) {
    const int fd = platform::openFile(path, platform::kRead);
    if (fd < 0)
        return "<cannot open>";
    platform::FileInfo info;
    EXPECT_EQ(platform::fileInfo(fd, info), 0);
    std::string bytes(size_t(info.size), '\0');
    size_t done = 0;
    while (done < bytes.size()) {
        const int64_t n = platform::readAt(fd, bytes.data() + done, bytes.size() - done, done);
        if (n <= 0)
            break;
        done += size_t(n);
    }
    platform::closeFile(fd);
    bytes.resize(done);
    return bytes;
}

std::vector<std::string> namesIn(const std::string& folder) {
    std::vector<std::string> names;
    EXPECT_TRUE(platform::listFolder(folder, names));
    std::sort(names.begin(), names.end());
    return names;
}

// Runs this program as a helper; its exit code (a killed helper: non-zero).
int runHelper(const std::string& mode, const std::string& path) {
#ifdef _WIN32
    std::wstring cmd = L"\"" + std::filesystem::u8path(programPath).wstring() + L"\" --helper " +
                       std::filesystem::u8path(mode).wstring() + L" \"" + std::filesystem::u8path(path).wstring() +
                       L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return int(code);
#else
    const pid_t child = ::fork();
    if (child == 0) {
        ::execl(programPath.c_str(), programPath.c_str(), "--helper", mode.c_str(), path.c_str(), nullptr);
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

// Ends this process at once, as a crash or a power cut would: nothing is cleaned up.
[[noreturn]] void dieNow() {
#ifdef _WIN32
    TerminateProcess(GetCurrentProcess(), 9);
#else
    ::raise(SIGKILL);
#endif
    std::abort();
}

int helperMain(const std::string& mode, const std::string& path) {
    if (mode == "die-while-placing") {
        (void)jet::placeFile(path, jet::PlaceMode::Replace, [&](int fd, const std::string&) -> jet::Status {
            const std::string half = "new content, only half of it";
            (void)platform::writeNext(fd, half.data(), half.size());
            (void)platform::syncFile(fd);
            dieNow();
        });
        return 3; // not reached
    }
    if (mode == "guard")
        return 10 + int(platform::acquireInstanceGuard()); // 10 acquired, 11 held elsewhere
    return 2;
}

TEST(PlatformFiles, ChineseNamesAreKeptThroughCreateListReadReplaceAndRemove) {
    const std::string root = freshFolder("names");
    const std::string folder = root + "/工时";
    ASSERT_EQ(platform::makeFolder(folder, 0700), 0);
    EXPECT_TRUE(platform::isFolder(folder));
    EXPECT_EQ(platform::makeFolder(folder, 0700), -1);
    EXPECT_EQ(errno, EEXIST);

    const std::string db = folder + "/db";
    ASSERT_TRUE(jet::placeFileBytes(db, jet::PlaceMode::CreateNew, jet::ByteView(
                                                                        reinterpret_cast<const uint8_t*>("记录"), 6))
                    .ok());
    EXPECT_FALSE(jet::placeFileBytes(db, jet::PlaceMode::CreateNew, jet::ByteView()).ok()); // never overwritten
    EXPECT_EQ(namesIn(root), std::vector<std::string>{"工时"});
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{"db"});
    EXPECT_EQ(readWhole(db), "记录");
    EXPECT_EQ(platform::folderOf(db), folder);
    EXPECT_EQ(platform::baseNameOf(folder + "/月报.xlsx"), "月报.xlsx");

    // Writing at offsets, the length, the identity of one file under two opens.
    const int fd = platform::openFile(db, platform::kReadWrite);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(platform::writeAt(fd, "XYZ", 3, 10), 3);
    platform::FileInfo open, byName;
    ASSERT_EQ(platform::fileInfo(fd, open), 0);
    EXPECT_EQ(open.size, 13u);
    EXPECT_EQ(platform::truncateFile(fd, 6), 0);
    EXPECT_EQ(platform::syncFile(fd), 0);
    ASSERT_EQ(platform::pathInfo(db, byName), 0);
    EXPECT_TRUE(byName.regular);
    EXPECT_EQ(byName.size, 6u);
    EXPECT_EQ(open.id, byName.id);
    EXPECT_EQ(open.device, byName.device);

    // An open file can be replaced by name (a restore while the program reads it).
    const std::string other = folder + "/数据.mdb";
    ASSERT_TRUE(jet::placeFileBytes(other, jet::PlaceMode::CreateNew, jet::ByteView(
                                                                           reinterpret_cast<const uint8_t*>("新"), 3))
                    .ok());
    EXPECT_EQ(platform::replaceFile(other, db), 0);
    EXPECT_EQ(readWhole(db), "新");
    platform::closeFile(fd);
    EXPECT_FALSE(platform::pathExists(other));
    EXPECT_EQ(platform::removeFile(db), 0);
    EXPECT_EQ(platform::removeFile(db), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(namesIn(folder), std::vector<std::string>{});
    std::filesystem::remove_all(std::filesystem::u8path(root));
}

TEST(PlatformFiles, AFileBeingReplacedIsWholeWhenTheWriterDiesHalfWay) {
    const std::string folder = freshFolder("replace") + "/工时";
    ASSERT_EQ(platform::makeFolder(folder, 0700), 0);
    const std::string db = folder + "/db";
    const std::string old = "the old content, complete";
    ASSERT_TRUE(jet::placeFileBytes(db, jet::PlaceMode::CreateNew,
                                    jet::ByteView(reinterpret_cast<const uint8_t*>(old.data()), old.size()))
                    .ok());
    EXPECT_NE(runHelper("die-while-placing", db), 0);
    EXPECT_EQ(readWhole(db), old);
    // Only the abandoned temporary file is left beside it; a later replace completes.
    const std::string now = "the new content";
    ASSERT_TRUE(jet::placeFileBytes(db, jet::PlaceMode::Replace,
                                    jet::ByteView(reinterpret_cast<const uint8_t*>(now.data()), now.size()))
                    .ok());
    EXPECT_EQ(readWhole(db), now);
    std::filesystem::remove_all(std::filesystem::u8path(platform::folderOf(folder)));
}

// One instance at a time: a second process finds the guard while the first holds it, and takes
// it once the first has closed it (and its own goes when it ends).
TEST(PlatformInstanceGuard, ASecondProcessFindsItUntilTheFirstClosesIt) {
#ifndef _WIN32
    // The lock file goes into a runtime folder of this test alone, which the helper inherits.
    const std::string runtime = freshFolder("guard");
    ASSERT_EQ(::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1), 0);
#endif
    ASSERT_FALSE(platform::instanceGuardHeld());
    ASSERT_EQ(platform::acquireInstanceGuard(), platform::GuardResult::Acquired);
    EXPECT_TRUE(platform::instanceGuardHeld());
    EXPECT_EQ(platform::acquireInstanceGuard(), platform::GuardResult::HeldElsewhere);
    EXPECT_EQ(runHelper("guard", "-"), 11);
    EXPECT_EQ(runHelper("guard", "-"), 11);
    platform::closeInstanceGuard();
    EXPECT_FALSE(platform::instanceGuardHeld());
    EXPECT_EQ(runHelper("guard", "-"), 10);
    EXPECT_EQ(platform::acquireInstanceGuard(), platform::GuardResult::Acquired);
    EXPECT_EQ(runHelper("guard", "-"), 11);
    platform::closeInstanceGuard();
}

} // namespace

#ifdef _WIN32
int wmain(int argc, wchar_t** wargv) {
    std::vector<std::string> args;
    for (int i = 0; i < argc; ++i)
        args.push_back(utf8(std::filesystem::path(wargv[i])));
    std::vector<char*> argvStore;
    for (auto& a : args)
        argvStore.push_back(a.data());
    argvStore.push_back(nullptr);
    char** argv = argvStore.data();
#else
int main(int argc, char** argv) {
#endif
#ifdef _WIN32
    wchar_t self[32768];
    const DWORD n = GetModuleFileNameW(nullptr, self, DWORD(std::size(self)));
    programPath = utf8(std::filesystem::path(std::wstring(self, n)));
#else
    programPath = std::filesystem::canonical("/proc/self/exe").string();
#endif
    if (argc == 4 && std::string(argv[1]) == "--helper")
        return helperMain(argv[2], argv[3]);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
