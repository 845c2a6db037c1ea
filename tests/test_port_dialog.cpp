// The port and speed dialog: what it shows in and out of modem mode, OK with
// a working port (a pseudo-terminal through ports/comN), with a missing port,
// without a speed, the close button, and a settings file that vanished.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QShowEvent>
#include <QTest>
#include <cstring>
#include <filesystem>

#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "gui/RadioGroup.h"
#include "link/PosixSerialLine.h"
#include "link/SettingsStore.h"
#include "sim/SimLine.h"
#include "support/Children.h"
#include "support/Input.h"
#include "support/Jobs.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Box = test::ScriptedView::Box;
const std::string kSpeedInfo =
    "Запись стнандартных настроек Hayes-модема необходимо произвести на "
    "скорости,установленой в параметре \"Частота осн\" КВАРД";

class PortChoice : public ::testing::Test {
protected:
    void Start(SerialLine& line, std::vector<unsigned char> settings) {
        test::EnsureQApplication();
        test::TempDir::WriteAll(dir.File("HmK.Cfg"), settings);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
    }
    PortDialog& dialog() { return app->Ports(); }
    template <class T = QWidget>
    T* W(const char* name) {
        return test::Child<T>(&dialog(), name);
    }
    std::vector<unsigned char> Stored() { return test::TempDir::ReadAll(dir.File("HmK.Cfg")); }

    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine simLine{clock};
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(PortChoice, OutsideModemModeShowsTheStoredPortAndSpeed) {
    Start(simLine, {1, 2, 5, 3, 1, 1, 2, 2});
    dialog().show();
    EXPECT_EQ(dialog().windowTitle(), "Инициализация Hayes-модема");
    EXPECT_EQ(W<RadioGroup>("RG1")->ItemIndex(), 1);
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), 5);
    EXPECT_EQ(W<RadioGroup>("RG1")->Count(), 18);
    EXPECT_EQ(W<RadioGroup>("RG1")->ItemText(17), "Com18");
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemText(0), "      300 бод");
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemText(6), "  19200 бод ");
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemText(9), "115200 бод");
    EXPECT_TRUE(W<QPushButton>("BitBtn1")->isDefault());
    EXPECT_EQ(W<QPushButton>("BitBtn2")->text(), "&Close");
    EXPECT_TRUE(view.boxes.empty());
    dialog().hide();
}

TEST_F(PortChoice, StoredIndicesAreClampedByTheRadioGroups) {
    Start(simLine, {30, 0, 12, 0, 0, 0, 0, 0});
    dialog().show();
    EXPECT_EQ(W<RadioGroup>("RG1")->ItemIndex(), 17);
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), 9);
    dialog().hide();
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {0xFB, 0, 0xFE, 0, 0, 0, 0, 0});  // -5, -2
    dialog().show();
    EXPECT_EQ(W<RadioGroup>("RG1")->ItemIndex(), -1);
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), -1);
    W<RadioGroup>("RG2")->SetItemIndex(5);
    test::Press(W<QPushButton>("BitBtn1"));  // no port: nothing happens
    test::Settle(*app);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(simLine.Events().empty());
    dialog().hide();
}

TEST_F(PortChoice, AWindowRestoredAfterMinimisingIsNotOpenedAgain) {
    Start(simLine, {2, 0, 5, 0, 0, 0, 0, 0});
    app->State().ModemMode = true;
    dialog().show();
    W<RadioGroup>("RG2")->SetItemIndex(5);  // the operator picks 9600 baud
    QShowEvent restored;                    // what the window system sends when it is restored
    QCoreApplication::sendEvent(&dialog(), &restored);
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), 5);
    EXPECT_EQ(view.boxes.size(), 1u);  // the speed message once
    dialog().hide();
    dialog().show();  // a new opening asks afresh
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), -1);
    EXPECT_EQ(view.boxes.size(), 2u);
    dialog().hide();
}

TEST_F(PortChoice, InModemModeTheSpeedIsAskedAfreshAndOkWithoutItDoesNothing) {
    Start(simLine, {2, 0, 5, 0, 0, 0, 0, 0});
    app->State().ModemMode = true;
    dialog().show();
    EXPECT_EQ(W<RadioGroup>("RG1")->ItemIndex(), 2);
    EXPECT_EQ(W<RadioGroup>("RG2")->ItemIndex(), -1);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, Box::Kind::Information);
    EXPECT_EQ(view.boxes[0].text, kSpeedInfo);
    test::Press(W<QPushButton>("BitBtn1"));
    test::Settle(*app);
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_TRUE(simLine.Events().empty());
    EXPECT_FALSE(app->State().PortReady);
    dialog().hide();
}

TEST_F(PortChoice, OkWithAMissingPortShowsTheErrorAndKeepsTheDialogOpen) {
    Start(simLine, {0, 0, 5, 7, 0, 0, 0, 0});
    simLine.RefuseOpen("Com5", ENOENT);
    dialog().show();
    W<RadioGroup>("RG1")->SetItemIndex(4);
    test::Press(W<QPushButton>("BitBtn1"));
    test::Settle(*app);
    EXPECT_EQ(
        view.Texts(Box::Kind::Error),
        std::vector<std::string>{std::string("Ошибка открытия последовательного порта Com5\r") +
                                 std::strerror(ENOENT)});
    EXPECT_TRUE(dialog().isVisible());
    EXPECT_FALSE(app->State().PortReady);
    EXPECT_EQ(Stored(), (std::vector<unsigned char>{0, 0, 5, 7, 0, 0, 0, 0}));
    dialog().hide();
}

TEST_F(PortChoice, CloseButtonLeavesPortReadyAsItWas) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    dialog().show();
    test::Press(W<QPushButton>("BitBtn2"));
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_FALSE(app->State().PortReady);
    EXPECT_TRUE(simLine.Events().empty());
}

TEST_F(PortChoice, ASettingsFileDeletedMeanwhileEndsOkWithTheSystemsMessage) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    dialog().show();
    std::filesystem::remove(dir.File("HmK.Cfg"));
    W<RadioGroup>("RG2")->SetItemIndex(3);
    test::Press(W<QPushButton>("BitBtn1"));
    test::Settle(*app);
    ASSERT_EQ(view.Texts(Box::Kind::Error).size(), 1u);
    EXPECT_TRUE(view.Texts(Box::Kind::Error)[0].find(std::strerror(ENOENT)) != std::string::npos);
    EXPECT_TRUE(app->State().PortReady);  // the port did open
    EXPECT_TRUE(dialog().isVisible());    // but the dialog stays
    EXPECT_FALSE(std::filesystem::exists(dir.File("HmK.Cfg")));
    dialog().hide();
}

// A write-protected settings file: the port is taken, the settings are not
// stored, and the operator hears of it once in the run.
TEST_F(PortChoice, AWriteProtectedSettingsFileIsSaidOnceAndThePortTaken) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    std::filesystem::permissions(dir.File("HmK.Cfg"), std::filesystem::perms::owner_read);
    for (int round = 0; round < 2; ++round) {
        dialog().show();
        W<RadioGroup>("RG1")->SetItemIndex(3);
        W<RadioGroup>("RG2")->SetItemIndex(3);
        test::Press(W<QPushButton>("BitBtn1"));
        test::Settle(*app);
        EXPECT_FALSE(dialog().isVisible()) << round;
        EXPECT_TRUE(app->State().PortReady) << round;
    }
    EXPECT_EQ(view.Texts(Box::Kind::Information),
              std::vector<std::string>{WriteProtectedSettingsText(dir.File("HmK.Cfg"), EACCES)});
    EXPECT_TRUE(view.Texts(Box::Kind::Error).empty());
    EXPECT_EQ(Stored(), (std::vector<unsigned char>{0, 0, 5, 0, 0, 0, 0, 0}));
}

TEST_F(PortChoice, MainWindowWriteErrorInAnyHandlerIsShownAndTheProgramGoesOn) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    bool ran = false;
    app->Window().Guarded([&] {
        ran = true;
        WriteSettings(app->Link().Settings, dir.File("gone/HmK.Cfg"));
        ADD_FAILURE() << "the handler went on after the error";
    });
    EXPECT_TRUE(ran);
    ASSERT_EQ(view.Texts(Box::Kind::Error).size(), 1u);
    EXPECT_TRUE(view.Texts(Box::Kind::Error)[0].find(std::strerror(ENOENT)) != std::string::npos);
}

TEST_F(PortChoice, OkWithAWorkingPortOpensAModemLinkAndStoresThePort) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    std::filesystem::create_directories(dir.Path() / "ports");
    std::filesystem::create_symlink(::ptsname(master), dir.Path() / "ports" / "com3");
    RealClock realClock;
    PosixSerialLine port(dir.Dir());
    test::EnsureQApplication();
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {0, 1, 4, 9, 1, 1, 2, 3});
    app = std::make_unique<HayesApplication>(port, realClock, view,
                                             QString::fromStdString(dir.Dir()));
    app->State().ModemMode = true;
    dialog().show();
    W<RadioGroup>("RG1")->SetItemIndex(2);  // "Com3"
    W<RadioGroup>("RG2")->SetItemIndex(5);  // 9600 baud
    test::Press(W<QPushButton>("BitBtn1"));
    test::Settle(*app);
    EXPECT_FALSE(dialog().isVisible());
    EXPECT_TRUE(app->State().PortReady);
    // Port 2, modem link 3, network number 0; the speed index stays.
    EXPECT_EQ(Stored(), (std::vector<unsigned char>{2, 3, 4, 0, 1, 1, 2, 3}));
    termios t{};
    ASSERT_EQ(::tcgetattr(master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD | CSTOPB), tcflag_t(0));
    // The application holds the port and the clock: it goes before they do.
    app.reset();
    port.Close();
    ::close(master);
}

}  // namespace
}  // namespace hk
