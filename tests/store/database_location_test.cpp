// Where `db` lives: beside the program or in the user's data folder, the data folder itself, the
// private folders made for it, and `ledrimo-db where`, which must name the file the program uses.
// The program's own runs (read-only folders as another user, an installed copy) are in
// tests/app/app_test.cpp.
#include "../jet/testutil.h"
#include "store/database_location.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using store::databaseLocation;

namespace {

// Sets (or, with nullopt, removes) an environment variable for one test; restores it after.
class ScopedVariable {
public:
    ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name))
            old_ = old;
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedVariable() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

int modeOf(const fs::path& p) {
    struct stat st;
    return ::stat(p.c_str(), &st) == 0 ? int(st.st_mode & 07777) : -1;
}

class DatabaseLocation : public ::testing::Test {
protected:
    void SetUp() override {
        ::umask(022);
        char name[] = "/tmp/ledrimo-location-XXXXXX";
        ASSERT_NE(::mkdtemp(name), nullptr);
        root_ = name;
        fs::create_directories(root_ / "home");
        fs::create_directories(root_ / "portable");
        fs::create_directories(root_ / "usr/bin");
        fs::create_directories(root_ / "usr/share/applications");
        std::ofstream(root_ / "usr/share/applications" / (std::string(store::kApplicationId) + ".desktop"));
    }
    void TearDown() override {
        fs::permissions(root_ / "portable", fs::perms::owner_all);
        fs::remove_all(root_);
    }
    std::string at(const std::string& rel) const { return (root_ / rel).string(); }

    fs::path root_;
    // No test here may reach the real user's data folder.
    ScopedVariable home_{"HOME", "/nonexistent-home"};
    ScopedVariable dataHome_{"XDG_DATA_HOME", std::nullopt};
};

} // namespace

TEST_F(DatabaseLocation, DataFolderFollowsTheXdgRules) {
    ScopedVariable home("HOME", at("home") + "/");
    EXPECT_EQ(store::userDataFolder(), at("home") + "/.local/share/Ledrimo");
    {
        ScopedVariable data("XDG_DATA_HOME", at("data") + "//");
        EXPECT_EQ(store::userDataFolder(), at("data") + "/Ledrimo");
    }
    {
        ScopedVariable relative("XDG_DATA_HOME", "data"); // relative: ignored
        EXPECT_EQ(store::userDataFolder(), at("home") + "/.local/share/Ledrimo");
    }
    {
        ScopedVariable empty("XDG_DATA_HOME", "");
        EXPECT_EQ(store::userDataFolder(), at("home") + "/.local/share/Ledrimo");
    }
    ScopedVariable noHome("HOME", std::nullopt);
    EXPECT_EQ(store::userDataFolder(), "");
}

TEST_F(DatabaseLocation, BesideTheProgramOrInTheDataFolder) {
    ScopedVariable data("XDG_DATA_HOME", at("data"));
    const std::string dataDb = at("data") + "/Ledrimo/db";

    // A portable copy in a folder it may write: beside it, as always.
    auto where = databaseLocation(at("portable"));
    EXPECT_EQ(where.path, at("portable") + "/db");
    EXPECT_FALSE(where.inDataFolder);

    // Installed (its desktop entry in ../share/applications): the data folder, although this
    // user may write the bin folder; until a db is there already.
    where = databaseLocation(at("usr/bin"));
    EXPECT_EQ(where.path, dataDb);
    EXPECT_TRUE(where.inDataFolder);
    fs::create_directory(root_ / "usr/bin/db"); // any entry named db counts, as at start-up
    EXPECT_EQ(databaseLocation(at("usr/bin")).path, at("usr/bin") + "/db");

    // A folder this user cannot write: the data folder, unless a db is there. (Root writes
    // anywhere; the program's runs as another user cover that case.)
    fs::permissions(root_ / "portable", fs::perms::owner_read | fs::perms::owner_exec);
    if (::geteuid() != 0) {
        EXPECT_EQ(databaseLocation(at("portable")).path, dataDb);
        fs::permissions(root_ / "portable", fs::perms::owner_all);
        std::ofstream(root_ / "portable/db");
        fs::permissions(root_ / "portable", fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_EQ(databaseLocation(at("portable")).path, at("portable") + "/db");
    }

    // No folder, or no data folder: beside the program, where writing then fails as before.
    EXPECT_EQ(databaseLocation(at("gone")).path, at("gone") + "/db");
    fs::remove(root_ / "usr/bin/db");
    ScopedVariable noData("XDG_DATA_HOME", std::nullopt);
    ScopedVariable noHome("HOME", std::nullopt);
    where = databaseLocation(at("usr/bin"));
    EXPECT_EQ(where.path, at("usr/bin") + "/db");
    EXPECT_FALSE(where.inDataFolder);
}

TEST_F(DatabaseLocation, FoldersForTheFileAreMadePrivate) {
    ASSERT_TRUE(store::makeFolderFor(at("home/.local/share/Ledrimo/db")).ok());
    for (const char* made : {"home/.local", "home/.local/share", "home/.local/share/Ledrimo"})
        EXPECT_EQ(modeOf(root_ / made), 0700) << made;
    EXPECT_EQ(modeOf(root_ / "home"), 0755); // there before: left as it was
    EXPECT_FALSE(fs::exists(root_ / "home/.local/share/Ledrimo/db"));
    EXPECT_TRUE(store::makeFolderFor(at("home/.local/share/Ledrimo/db")).ok()); // again: nothing to do

    // A file in the way: an error that names the folder, nothing made beyond it.
    std::ofstream(root_ / "home/file");
    const auto blocked = store::makeFolderFor(at("home/file/Ledrimo/db"));
    ASSERT_FALSE(blocked.ok());
    EXPECT_EQ(blocked.error().kind, jet::ErrorKind::Io);
    EXPECT_NE(blocked.error().describe().find("无法创建文件夹"), std::string::npos)
        << blocked.error().describe();
    EXPECT_NE(blocked.error().describe().find(at("home/file")), std::string::npos)
        << blocked.error().describe();
}

// `ledrimo-db where` answers with the same rules, for the program's folder or the program file,
// and creates nothing.
TEST_F(DatabaseLocation, ToolNamesTheSameFile) {
    ScopedVariable data("XDG_DATA_HOME", at("data"));
    std::ofstream(root_ / "usr/bin/ledrimo");
    for (const std::string& program : {at("usr/bin"), at("usr/bin/ledrimo"), at("portable")}) {
        const std::string folder = program.ends_with("/ledrimo") ? at("usr/bin") : program;
        const auto r = testutil::runTool({"where", program});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, databaseLocation(folder).path + "\n") << program;
    }
    EXPECT_EQ(databaseLocation(at("usr/bin")).path, at("data") + "/Ledrimo/db");
    EXPECT_FALSE(fs::exists(root_ / "data"));

    // Without an argument: the folder of ledrimo-db itself (in an installation, the program's).
    auto r = testutil::runTool({"where"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, databaseLocation(fs::path(LEDRIMO_DB_TOOL).parent_path().string()).path + "\n");

    r = testutil::runTool({"where", at("missing/ledrimo")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("找不到程序或文件夹"), std::string::npos) << r.err;
    r = testutil::runTool({"where", "a", "b"});
    EXPECT_EQ(r.exitCode, 1);
}
