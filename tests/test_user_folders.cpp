// A portable program in a folder it may not write to keeps the operator's
// files in the user's folders: the configuration and data folders on Linux,
// %APPDATA% and %LOCALAPPDATA% on Windows. Run natively and under Wine.

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "base/ProgramPlaces.h"
#include "base/TextForm.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <unistd.h>
#endif

namespace hk {
namespace {

namespace fs = std::filesystem;

Environment Env(std::map<std::string, std::string> vars) {
    return [vars = std::move(vars)](const char* name) {
        const auto it = vars.find(name);
        return it == vars.end() ? std::string() : it->second;
    };
}

const FolderWritable kReadOnly = [](const std::string&) { return false; };
const FolderWritable kWritable = [](const std::string&) { return true; };

TEST(UserFolders, AWritableProgramFolderKeepsEverythingBesideTheProgram) {
    const ProgramPlaces p =
        LocateProgramPlaces("/opt/hk/", Env({{"HOME", "/home/ivan"}}), kWritable);
    EXPECT_FALSE(p.userFolders);
    // Named with the system's separators.
    EXPECT_EQ(p.settingsDir, ShownPath("/opt/hk/"));
    EXPECT_EQ(p.dataDir, ShownPath("/opt/hk/"));
}

TEST(UserFolders, AReadOnlyProgramFolderSendsTheOperatorsFilesToTheUsersFolders) {
    const auto env = Env({{"HOME", "/home/ivan"},
                          {"APPDATA", "C:\\Users\\Иван\\AppData\\Roaming"},
                          {"LOCALAPPDATA", "C:\\Users\\Иван\\AppData\\Local"}});
    const ProgramPlaces p = LocateProgramPlaces("/opt/hk/", env, kReadOnly);
    EXPECT_FALSE(p.installed);
    EXPECT_TRUE(p.userFolders);
    EXPECT_EQ(p.programFolder, ShownPath("/opt/hk/"));  // the help and the lists stay
#ifdef _WIN32
    EXPECT_EQ(p.settingsDir, "C:\\Users\\Иван\\AppData\\Roaming\\hayeskvd\\");
    EXPECT_EQ(p.dataDir, "C:\\Users\\Иван\\AppData\\Local\\hayeskvd\\");
    // Without %LOCALAPPDATA% the logs go beside the settings.
    const ProgramPlaces roamingOnly = LocateProgramPlaces(
        "C:\\hk\\", Env({{"APPDATA", "C:\\Users\\Иван\\AppData\\Roaming"}}), kReadOnly);
    EXPECT_EQ(roamingOnly.dataDir, "C:\\Users\\Иван\\AppData\\Roaming\\hayeskvd\\");
#else
    EXPECT_EQ(p.settingsDir, "/home/ivan/.config/hayeskvd/");
    EXPECT_EQ(p.dataDir, "/home/ivan/.local/share/hayeskvd/");
#endif
}

TEST(UserFolders, TheProbeTellsAWritableFolderAndLeavesNothingBehind) {
    test::TempDir dir;
    EXPECT_TRUE(FolderIsWritable(dir.Dir()));
    EXPECT_TRUE(fs::is_empty(dir.Path()));
    // An existing settings file is not changed.
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_TRUE(FolderIsWritable(dir.Dir()));
    EXPECT_EQ(test::TempDir::ReadAll(dir.File("HmK.Cfg")),
              (std::vector<unsigned char>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_FALSE(FolderIsWritable(dir.Dir() + "no-such-folder/"));
}

// The folder decides, not what stands in it under the settings file's
// name: the port mapping beside the program stays in force. (A folder of
// that name refuses to be written as a file even to root.)
TEST(UserFolders, ASettingsFileThatCannotBeWrittenLeavesTheFolderTheProgramsOwn) {
    test::TempDir dir;
    fs::create_directory(dir.Path() / "HmK.Cfg");
    EXPECT_TRUE(FolderIsWritable(dir.Dir()));
    const ProgramPlaces p = LocateProgramPlaces(dir.Dir(), Env({{"HOME", "/home/ivan"}}));
    EXPECT_FALSE(p.userFolders);
    EXPECT_EQ(p.settingsDir, ShownPath(dir.Dir()));
    EXPECT_EQ(p.dataDir, ShownPath(dir.Dir()));
}

#ifndef _WIN32
// Root writes anywhere: this runs in the unprivileged pass.
TEST(UserFolders, TheProbeTellsAReadOnlyFolderAndNotAReadOnlySettingsFile) {
    if (::geteuid() == 0) GTEST_SKIP() << "root may write to a read-only folder";
    test::TempDir dir;
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {0, 0, 0, 0, 0, 0, 0, 0});
    fs::permissions(dir.File("HmK.Cfg"), fs::perms::owner_read);
    EXPECT_TRUE(FolderIsWritable(dir.Dir()));
    EXPECT_FALSE(LocateProgramPlaces(dir.Dir(), Env({{"HOME", "/home/ivan"}})).userFolders);
    fs::remove(dir.File("HmK.Cfg"));
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    EXPECT_FALSE(FolderIsWritable(dir.Dir()));
    const ProgramPlaces p = LocateProgramPlaces(dir.Dir(), Env({{"HOME", "/home/ivan"}}));
    EXPECT_TRUE(p.userFolders);
    EXPECT_EQ(p.settingsDir, "/home/ivan/.config/hayeskvd/");
}
#endif

}  // namespace
}  // namespace hk
