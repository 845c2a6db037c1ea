// Start-up: where the settings file lies, what is loaded, what is created.

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>
#include <filesystem>

#include "app/Startup.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

struct StartWorld {
    VirtualClock clock;
    sim::SimLine line{clock};
    test::ScriptedView view;
    SerialLink link{line, clock, view};
    MainState state;
};

TEST(Startup, FirstStartCreatesAZeroRecordAndTakesKitZero) {
    test::TempDir dir;
    StartWorld w;
    w.link.PortOpen = true;
    RunStartupSteps(w.state, w.link, dir.Dir());
    EXPECT_EQ(w.state.CfgFileName, dir.Dir() + "HmK.Cfg");
    EXPECT_EQ(w.state.HelpFileName, dir.Dir() + "HayesKvd.html");
    EXPECT_EQ(test::TempDir::ReadAll(w.state.CfgFileName), std::vector<unsigned char>(8, 0));
    EXPECT_EQ(w.state.KitIndex, 0);
    EXPECT_EQ(w.link.Settings.SpeedIndex, 4);
    EXPECT_FALSE(w.link.PortOpen);
}

TEST(Startup, StoredKitIsTakenAndSpeedFourStaysInMemoryOnly) {
    test::TempDir dir;
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {1, 2, 5, 3, 1, 1, 2, 3});
    StartWorld w;
    RunStartupSteps(w.state, w.link, dir.Dir());
    EXPECT_EQ(w.state.KitIndex, 3);
    EXPECT_EQ(w.link.Settings.SpeedIndex, 4);
    EXPECT_EQ(w.link.Settings.NetAddress, 3);
    EXPECT_EQ(test::TempDir::ReadAll(w.state.CfgFileName),
              (std::vector<unsigned char>{1, 2, 5, 3, 1, 1, 2, 3}));
}

// The real program, copied into a fresh folder and started from another
// working directory, leaves "HmK.Cfg" of 8 zero bytes beside itself.
TEST(Startup, TheProgramCreatesItsSettingsFileBesideItselfNotInTheWorkingDirectory) {
    const char* binDir = std::getenv("HK_BIN_DIR");
    ASSERT_NE(binDir, nullptr);
    test::TempDir programDir, workDir;
    const auto exe = programDir.File("HayesKvd");
    std::filesystem::copy_file(std::filesystem::path(binDir) / "HayesKvd", exe);

    int argc = 1;
    char arg0[] = "test_startup";
    char* argv[] = {arg0, nullptr};
    QCoreApplication app(argc, argv);
    QProcess program;
    program.setWorkingDirectory(QString::fromStdString(workDir.Path().string()));
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(QString::fromStdString(exe), {});
    ASSERT_TRUE(program.waitForStarted(10000));
    const auto cfg = programDir.File("HmK.Cfg");
    for (int i = 0; i < 200 && test::TempDir::ReadAll(cfg).size() < 8; ++i) QThread::msleep(50);
    program.kill();
    program.waitForFinished(5000);
    EXPECT_EQ(test::TempDir::ReadAll(cfg), std::vector<unsigned char>(8, 0));
    EXPECT_FALSE(std::filesystem::exists(workDir.Path() / "HmK.Cfg"));
}

}  // namespace
}  // namespace hk
