// The port and speed dialog: what it shows in and out of modem mode, OK with
// a working port (a pseudo-terminal through ports/comN), with a missing port,
// without a speed, the close button, and a settings file that vanished.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <termios.h>
#include <unistd.h>

#include <QPushButton>
#include <QTest>
#include <cstring>
#include <filesystem>

#include "app/HayesApplication.h"
#include "app/TFm1.h"
#include "app/TFm2.h"
#include "gui/RadioGroup.h"
#include "link/PosixSerialLine.h"
#include "sim/SimLine.h"
#include "support/QtApp.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Box = test::ScriptedView::Box;
const std::string kSpeedInfo =
    "Запись стнандартных настроек Hayes-модема необходимо произвести на "
    "скорости,установленой в параметре \"Частота осн\" КВАРД";

class PortDialog : public ::testing::Test {
protected:
    void Start(SerialLine& line, std::vector<unsigned char> settings) {
        test::EnsureQApplication();
        test::TempDir::WriteAll(dir.File("HmK.Cfg"), settings);
        app = std::make_unique<HayesApplication>(line, clock, view,
                                                 QString::fromStdString(dir.Dir()));
    }
    TFm2& fm2() { return app->Fm2(); }
    std::vector<unsigned char> Stored() { return test::TempDir::ReadAll(dir.File("HmK.Cfg")); }

    test::TempDir dir;
    VirtualClock clock;
    sim::SimLine simLine{clock};
    test::ScriptedView view;
    std::unique_ptr<HayesApplication> app;
};

TEST_F(PortDialog, OutsideModemModeShowsTheStoredPortAndSpeed) {
    Start(simLine, {1, 2, 5, 3, 1, 1, 2, 2});
    fm2().show();
    EXPECT_EQ(fm2().windowTitle(), "Инициализация Hayes-модема");
    EXPECT_EQ(fm2().RG1->ItemIndex(), 1);
    EXPECT_EQ(fm2().RG2->ItemIndex(), 5);
    EXPECT_EQ(fm2().RG1->Count(), 18);
    EXPECT_EQ(fm2().RG1->ItemText(17), "Com18");
    EXPECT_EQ(fm2().RG2->ItemText(0), "      300 бод");
    EXPECT_EQ(fm2().RG2->ItemText(6), "  19200 бод ");
    EXPECT_EQ(fm2().RG2->ItemText(9), "115200 бод");
    EXPECT_TRUE(fm2().BitBtn1->isDefault());
    EXPECT_EQ(fm2().BitBtn2->text(), "&Close");
    EXPECT_TRUE(view.boxes.empty());
    fm2().hide();
}

TEST_F(PortDialog, StoredIndicesAreClampedByTheRadioGroups) {
    Start(simLine, {30, 0, 12, 0, 0, 0, 0, 0});
    fm2().show();
    EXPECT_EQ(fm2().RG1->ItemIndex(), 17);
    EXPECT_EQ(fm2().RG2->ItemIndex(), 9);
    fm2().hide();
    test::TempDir::WriteAll(dir.File("HmK.Cfg"), {0xFB, 0, 0xFE, 0, 0, 0, 0, 0});  // -5, -2
    fm2().show();
    EXPECT_EQ(fm2().RG1->ItemIndex(), -1);
    EXPECT_EQ(fm2().RG2->ItemIndex(), -1);
    fm2().RG2->SetItemIndex(5);
    QTest::mouseClick(fm2().BitBtn1, Qt::LeftButton);  // no port: nothing happens
    EXPECT_TRUE(fm2().isVisible());
    EXPECT_TRUE(simLine.Events().empty());
    fm2().hide();
}

TEST_F(PortDialog, InModemModeTheSpeedIsAskedAfreshAndOkWithoutItDoesNothing) {
    Start(simLine, {2, 0, 5, 0, 0, 0, 0, 0});
    app->State().ModemMode = true;
    fm2().show();
    EXPECT_EQ(fm2().RG1->ItemIndex(), 2);
    EXPECT_EQ(fm2().RG2->ItemIndex(), -1);
    ASSERT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(view.boxes[0].kind, Box::Kind::Information);
    EXPECT_EQ(view.boxes[0].text, kSpeedInfo);
    QTest::mouseClick(fm2().BitBtn1, Qt::LeftButton);
    EXPECT_TRUE(fm2().isVisible());
    EXPECT_TRUE(simLine.Events().empty());
    EXPECT_FALSE(app->State().PortReady);
    fm2().hide();
}

TEST_F(PortDialog, OkWithAMissingPortShowsTheErrorAndKeepsTheDialogOpen) {
    Start(simLine, {0, 0, 5, 7, 0, 0, 0, 0});
    simLine.RefuseOpen("Com5", ENOENT);
    fm2().show();
    fm2().RG1->SetItemIndex(4);
    QTest::mouseClick(fm2().BitBtn1, Qt::LeftButton);
    EXPECT_EQ(view.Texts(Box::Kind::Error),
              std::vector<std::string>{"Ошибка открытия последовательного порта Com5"});
    EXPECT_TRUE(fm2().isVisible());
    EXPECT_FALSE(app->State().PortReady);
    EXPECT_EQ(Stored(), (std::vector<unsigned char>{0, 0, 5, 7, 0, 0, 0, 0}));
    fm2().hide();
}

TEST_F(PortDialog, CloseButtonLeavesPortReadyAsItWas) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    fm2().show();
    QTest::mouseClick(fm2().BitBtn2, Qt::LeftButton);
    EXPECT_FALSE(fm2().isVisible());
    EXPECT_FALSE(app->State().PortReady);
    EXPECT_TRUE(simLine.Events().empty());
}

TEST_F(PortDialog, ASettingsFileDeletedMeanwhileEndsOkWithTheSystemsMessage) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    fm2().show();
    std::filesystem::remove(dir.File("HmK.Cfg"));
    fm2().RG2->SetItemIndex(3);
    QTest::mouseClick(fm2().BitBtn1, Qt::LeftButton);
    EXPECT_EQ(view.Texts(Box::Kind::Error), std::vector<std::string>{std::strerror(ENOENT)});
    EXPECT_TRUE(app->State().PortReady);  // the port did open
    EXPECT_TRUE(fm2().isVisible());       // but the dialog stays
    EXPECT_FALSE(std::filesystem::exists(dir.File("HmK.Cfg")));
    fm2().hide();
}

TEST_F(PortDialog, MainWindowWriteErrorInAnyHandlerIsShownAndTheProgramGoesOn) {
    Start(simLine, {0, 0, 5, 0, 0, 0, 0, 0});
    bool ran = false;
    app->Fm1().Guarded([&] {
        ran = true;
        WriteSettings(app->Link().Settings, dir.File("gone/HmK.Cfg"));
        ADD_FAILURE() << "the handler went on after the error";
    });
    EXPECT_TRUE(ran);
    EXPECT_EQ(view.Texts(Box::Kind::Error), std::vector<std::string>{std::strerror(ENOENT)});
}

TEST_F(PortDialog, OkWithAWorkingPortOpensAModemLinkAndStoresThePort) {
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
    fm2().show();
    fm2().RG1->SetItemIndex(2);  // "Com3"
    fm2().RG2->SetItemIndex(5);  // 9600 baud
    QTest::mouseClick(fm2().BitBtn1, Qt::LeftButton);
    EXPECT_FALSE(fm2().isVisible());
    EXPECT_TRUE(app->State().PortReady);
    // Port 2, modem link 3, network number 0; the speed index stays.
    EXPECT_EQ(Stored(), (std::vector<unsigned char>{2, 3, 4, 0, 1, 1, 2, 3}));
    termios t{};
    ASSERT_EQ(::tcgetattr(master, &t), 0);
    EXPECT_EQ(::cfgetospeed(&t), speed_t(B9600));
    EXPECT_EQ(t.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(t.c_cflag & (CMSPAR | PARODD | CSTOPB), tcflag_t(0));
    port.Close();
    ::close(master);
}

}  // namespace
}  // namespace hk
