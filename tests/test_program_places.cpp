// Where the program keeps its files: beside itself when portable, the user's
// configuration and data folders when installed; and the installed program
// itself, started from a made-up prefix, leaves its settings file there.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QProcess>
#include <QThread>
#include <filesystem>
#include <map>

#include "app/Startup.h"
#include "base/ProgramPlaces.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

// An environment of its own for each test.
struct FakeEnvironment {
    std::map<std::string, std::string> vars;
    Environment Get() const {
        return [this](const char* name) {
            const auto it = vars.find(name);
            return it == vars.end() ? std::string() : it->second;
        };
    }
};

// <dir>/usr/bin/ and <dir>/usr/share/hayeskvd/ with the help, as installed.
std::string MakeInstalledPrefix(const test::TempDir& dir) {
    fs::create_directories(dir.Path() / "usr/bin");
    fs::create_directories(dir.Path() / "usr/share/hayeskvd");
    test::TempDir::WriteAll(dir.File("usr/share/hayeskvd/HayesKvd.html"), {'<', '>'});
    return dir.Dir() + "usr/";
}

TEST(PortablePlaces, EverythingLiesBesideTheProgram) {
    test::TempDir dir;
    FakeEnvironment env{{{"HOME", "/home/ivan"}, {"XDG_CONFIG_HOME", "/home/ivan/cfg"}}};
    const ProgramPlaces p = LocateProgramPlaces(dir.Dir(), env.Get());
    EXPECT_FALSE(p.installed);
    EXPECT_EQ(p.programFolder, dir.Dir());
    EXPECT_EQ(p.settingsDir, dir.Dir());
    EXPECT_EQ(p.dataDir, dir.Dir());
}

TEST(PortablePlaces, ABinFolderWithoutTheInstalledHelpIsStillPortable) {
    test::TempDir dir;
    fs::create_directories(dir.Path() / "build/bin");
    fs::create_directories(dir.Path() / "build/share/hayeskvd");  // no help there
    const ProgramPlaces p = LocateProgramPlaces(dir.Dir() + "build/bin/", FakeEnvironment{}.Get());
    EXPECT_FALSE(p.installed);
    EXPECT_EQ(p.settingsDir, dir.Dir() + "build/bin/");
}

TEST(InstalledPlaces, SettingsAndMappingGoToTheConfigFolderLogsToTheDataFolder) {
    test::TempDir dir;
    const std::string prefix = MakeInstalledPrefix(dir);
    FakeEnvironment env{{{"HOME", "/home/ivan"}}};
    const ProgramPlaces p = LocateProgramPlaces(prefix + "bin/", env.Get());
    EXPECT_TRUE(p.installed);
    EXPECT_EQ(p.programFolder, prefix + "share/hayeskvd/");
    EXPECT_EQ(p.settingsDir, "/home/ivan/.config/hayeskvd/");
    EXPECT_EQ(p.dataDir, "/home/ivan/.local/share/hayeskvd/");
}

TEST(InstalledPlaces, XdgFoldersAreTakenWhenAbsoluteAndIgnoredWhenRelative) {
    test::TempDir dir;
    const std::string prefix = MakeInstalledPrefix(dir);
    FakeEnvironment env{
        {{"HOME", "/home/ivan"}, {"XDG_CONFIG_HOME", "/srv/cfg/"}, {"XDG_DATA_HOME", "data"}}};
    const ProgramPlaces p = LocateProgramPlaces(prefix + "bin", env.Get());
    EXPECT_EQ(p.settingsDir, "/srv/cfg/hayeskvd/");
    EXPECT_EQ(p.dataDir, "/home/ivan/.local/share/hayeskvd/");
}

TEST(InstalledPlaces, TheProgramFolderGivesTheSamePlacesAsTheExecutablesFolder) {
    // The window layer gets the program folder, not the executable's.
    test::TempDir dir;
    const std::string prefix = MakeInstalledPrefix(dir);
    FakeEnvironment env{{{"HOME", "/home/ivan"}}};
    const ProgramPlaces fromExe = LocateProgramPlaces(prefix + "bin/", env.Get());
    const ProgramPlaces fromShare = LocateProgramPlaces(fromExe.programFolder, env.Get());
    EXPECT_TRUE(fromShare.installed);
    EXPECT_EQ(fromShare.programFolder, fromExe.programFolder);
    EXPECT_EQ(fromShare.settingsDir, fromExe.settingsDir);
    EXPECT_EQ(fromShare.dataDir, fromExe.dataDir);
}

// The installed program, copied into <tmp>/usr/bin/ with its help in
// <tmp>/usr/share/hayeskvd/ and started with its own XDG folders, creates
// HmK.Cfg (8 zero bytes) in the configuration folder and nothing beside it.
TEST(InstalledProgram, CreatesItsSettingsFileInTheUsersConfigurationFolder) {
    const char* binDir = std::getenv("HK_BIN_DIR");
    ASSERT_NE(binDir, nullptr);
    test::TempDir dir;
    const std::string prefix = MakeInstalledPrefix(dir);
    const std::string exe = prefix + "bin/HayesKvd";
    fs::copy_file(fs::path(binDir) / "HayesKvd", exe);

    int argc = 1;
    char arg0[] = "test_program_places";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(dir.Dir()));
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_CONFIG_HOME", QString::fromStdString(dir.Dir() + "config"));
    env.insert("XDG_DATA_HOME", QString::fromStdString(dir.Dir() + "data"));
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(exe), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const std::string cfg = dir.Dir() + "config/hayeskvd/HmK.Cfg";
    for (int i = 0; i < 200 && test::TempDir::ReadAll(cfg).size() < 8; ++i) QThread::msleep(50);
    program.kill();
    program.waitForFinished(5000);
    EXPECT_EQ(test::TempDir::ReadAll(cfg), std::vector<unsigned char>(8, 0));
    EXPECT_TRUE(fs::is_directory(dir.Path() / "data/hayeskvd"));
    EXPECT_FALSE(fs::exists(prefix + "bin/HmK.Cfg"));
    EXPECT_FALSE(fs::exists(prefix + "share/hayeskvd/HmK.Cfg"));
    EXPECT_FALSE(fs::exists(dir.Path() / "HmK.Cfg"));
}

TEST(InstalledStartup, StartupStepsReadTheSettingsFromTheConfigFolderAndHelpFromShare) {
    test::TempDir dir;
    const std::string prefix = MakeInstalledPrefix(dir);
    const std::string config = dir.Dir() + "config/";
    fs::create_directories(config + "hayeskvd");
    test::TempDir::WriteAll(config + "hayeskvd/HmK.Cfg", {1, 3, 5, 0, 0, 0, 0, 2});
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (dir.Dir() + "data").c_str(), 1);
    VirtualClock clock;
    sim::SimLine line{clock};
    test::ScriptedView view;
    SerialLink link{line, clock, view};
    MainState state;
    RunStartupSteps(state, link, prefix + "share/hayeskvd/");
    ::unsetenv("XDG_CONFIG_HOME");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(state.CfgFileName, config + "hayeskvd/HmK.Cfg");
    EXPECT_EQ(state.HelpFileName, prefix + "share/hayeskvd/HayesKvd.html");
    EXPECT_EQ(state.DataDir, dir.Dir() + "data/hayeskvd/");
    EXPECT_EQ(state.KitIndex, 2);
    EXPECT_EQ(link.Settings.PortIndex, 1);
}

}  // namespace
}  // namespace hk
