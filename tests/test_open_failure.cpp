// Why a port did not open and what to do: the texts of each cause from the
// facts, and the error box of real failed opens (a port held by another
// opener, a mapped device that is not there, a device without permission).

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#include "link/Port.h"
#include "ports/OpenFailure.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>

#include "link/PosixSerialLine.h"
#endif

namespace hk {
namespace {

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

OpenFailureFacts Facts(OpenFailureCause cause, PortSource source = PortSource::BuiltIn,
                       std::string path = "/dev/ttyUSB0") {
    OpenFailureFacts f;
    f.portName = "Com3";
    f.route = {std::move(path), source};
    f.homeDir = "/home/ivan/.config/hayeskvd/";
    f.cause = cause;
    f.userName = "ivan";
    return f;
}

// --- Causes -------------------------------------------------------------------

TEST(OpenFailureCauses, ComeFromTheSystemsErrorNumber) {
    EXPECT_EQ(CauseOfOpenFailure(EACCES), OpenFailureCause::NoPermission);
    EXPECT_EQ(CauseOfOpenFailure(EPERM), OpenFailureCause::NoPermission);
    EXPECT_EQ(CauseOfOpenFailure(EBUSY), OpenFailureCause::Busy);
    EXPECT_EQ(CauseOfOpenFailure(ENOENT), OpenFailureCause::Missing);
    EXPECT_EQ(CauseOfOpenFailure(ENODEV), OpenFailureCause::Missing);
    EXPECT_EQ(CauseOfOpenFailure(ENXIO), OpenFailureCause::Missing);
    EXPECT_EQ(CauseOfOpenFailure(EIO), OpenFailureCause::Missing);
    EXPECT_EQ(CauseOfOpenFailure(EISDIR), OpenFailureCause::Other);
    EXPECT_EQ(ExplainOpenFailure(Facts(OpenFailureCause::Other)), "");
}

// --- No permission ---------------------------------------------------------------

TEST(NoPermission, NamesTheGroupAndSaysToJoinItAndLogInAgain) {
    OpenFailureFacts f = Facts(OpenFailureCause::NoPermission);
    f.groupName = "dialout";
    f.groupMayUse = true;
    EXPECT_EQ(ExplainOpenFailure(f),
              "Нет прав на устройство /dev/ttyUSB0 (порт Com3): работать с ним могут только члены "
              "группы dialout. Добавьте пользователя ivan в группу dialout (команда «sudo usermod "
              "-aG dialout ivan» или через администратора) и войдите в систему заново: членство "
              "в группе действует только с нового входа.");
}

TEST(NoPermission, AUserAlreadyListedInTheGroupIsToldOnlyToLogInAgain) {
    OpenFailureFacts f = Facts(OpenFailureCause::NoPermission);
    f.groupName = "dialout";
    f.groupMayUse = true;
    f.listedInGroup = true;
    const std::string text = ExplainOpenFailure(f);
    EXPECT_TRUE(Has(text, "пользователь ivan уже в группе dialout")) << text;
    EXPECT_TRUE(Has(text, "Выйдите из системы и войдите заново")) << text;
    EXPECT_FALSE(Has(text, "usermod")) << text;
}

TEST(NoPermission, AGroupWithoutAccessOrAnUnknownGroupSendsToTheAdministrator) {
    OpenFailureFacts closed = Facts(OpenFailureCause::NoPermission);
    closed.groupName = "dialout";
    closed.groupMayUse = false;
    EXPECT_TRUE(Has(ExplainOpenFailure(closed), "закрыт и для группы dialout"));
    EXPECT_FALSE(Has(ExplainOpenFailure(closed), "usermod"));

    OpenFailureFacts rootOnly = Facts(OpenFailureCause::NoPermission);
    rootOnly.groupName = "root";
    EXPECT_TRUE(
        Has(ExplainOpenFailure(rootOnly), "Попросите администратора дать пользователю ivan"));
}

// --- Busy ------------------------------------------------------------------------

TEST(Busy, NamesTheHolderByNameAndPid) {
    OpenFailureFacts f = Facts(OpenFailureCause::Busy);
    f.holders = {{4242, "minicom"}};
    EXPECT_EQ(ExplainOpenFailure(f),
              "Порт Com3 (/dev/ttyUSB0) занят другой программой: minicom (PID 4242). Закройте её "
              "и откройте порт снова.");
    f.holders.push_back({77, "screen"});
    EXPECT_TRUE(
        Has(ExplainOpenFailure(f), "другими программами: minicom (PID 4242), screen (PID 77)"));
}

TEST(Busy, ModemManagerHoldingThePortIsNamedWithWhatItDoesAndHowToStopIt) {
    OpenFailureFacts f = Facts(OpenFailureCause::Busy, PortSource::Mapping, "/dev/ttyACM0");
    f.holders = {{612, "ModemManager"}, {4242, "minicom"}};
    f.modemManager = ProcessInfo{612, "ModemManager"};
    const std::string text = ExplainOpenFailure(f);
    EXPECT_EQ(text.rfind("Порт Com3 (/dev/ttyACM0) занят службой ModemManager (PID 612)", 0), 0u)
        << text;
    EXPECT_TRUE(Has(text, "sudo systemctl stop ModemManager")) << text;
}

TEST(Busy, AnUnknownHolderIsSaidToBeUnknownAndModemManagerSuspectedWhenItRuns) {
    OpenFailureFacts f = Facts(OpenFailureCause::Busy);
    const std::string unknown = ExplainOpenFailure(f);
    EXPECT_TRUE(Has(unknown, "какой именно, узнать не удалось")) << unknown;
    EXPECT_TRUE(Has(unknown, "sudo fuser -v /dev/ttyUSB0")) << unknown;
    EXPECT_FALSE(Has(unknown, "ModemManager")) << unknown;

    f.modemManager = ProcessInfo{612, "ModemManager"};
    const std::string suspected = ExplainOpenFailure(f);
    EXPECT_TRUE(Has(suspected, "Возможно, это служба ModemManager (PID 612)")) << suspected;
}

// --- Missing ---------------------------------------------------------------------

TEST(Missing, AMappedDeviceNamesTheFileAndListsTheDevicesPresent) {
    OpenFailureFacts f =
        Facts(OpenFailureCause::Missing, PortSource::Mapping, "/dev/serial/by-id/usb-Gone");
    f.present = {{"/dev/ttyS0", "", "встроенный последовательный порт"},
                 {"/dev/ttyUSB1", "/dev/serial/by-id/usb-FTDI-if00-port0", "FTDI FT232R USB UART"}};
    EXPECT_EQ(ExplainOpenFailure(f),
              "Порт Com3 назначен устройству /dev/serial/by-id/usb-Gone в файле "
              "/home/ivan/.config/hayeskvd/ports.conf, но такого устройства сейчас нет (адаптер "
              "не подключён?). Подключите устройство или назначьте порту Com3 одно из имеющихся "
              "(щелчок правой кнопкой мыши по Com3 в окне выбора порта). Сейчас в компьютере "
              "есть:\r/dev/ttyS0 — встроенный последовательный порт\r/dev/ttyUSB1 — FTDI FT232R "
              "USB UART (/dev/serial/by-id/usb-FTDI-if00-port0)");
}

TEST(Missing, ABuiltInPortOrALinkSaySoAndNoDevicesAtAllSaysPlugOneIn) {
    const std::string builtIn =
        ExplainOpenFailure(Facts(OpenFailureCause::Missing, PortSource::BuiltIn, "/dev/ttyS2"));
    EXPECT_EQ(builtIn,
              "Порт Com3 открывает встроенный порт /dev/ttyS2, но такого порта в компьютере нет. "
              "Последовательных устройств в компьютере сейчас нет: подключите адаптер и откройте "
              "порт снова.");
    const std::string linked = ExplainOpenFailure(Facts(OpenFailureCause::Missing, PortSource::Link,
                                                        "/home/ivan/.config/hayeskvd/ports/com3"));
    EXPECT_TRUE(Has(linked, "ведёт по ссылке /home/ivan/.config/hayeskvd/ports/com3")) << linked;
}

// --- Windows -------------------------------------------------------------------------

TEST(WindowsOpenFailure, BusyAndMissingPortsAreExplainedOthersLeftToTheSystem) {
    EXPECT_TRUE(Has(ExplainWindowsOpenFailure("Com3", 5), "Порт Com3 занят другой программой"));
    EXPECT_TRUE(Has(ExplainWindowsOpenFailure("Com12", 2), "Порта Com12 в компьютере нет"));
    EXPECT_TRUE(Has(ExplainWindowsOpenFailure("Com12", 2), "Диспетчере устройств"));
    EXPECT_EQ(ExplainWindowsOpenFailure("Com3", 87), "");
}

// --- The error box ------------------------------------------------------------------

struct BoxWorld {
    VirtualClock clock;
    test::ScriptedView view;
};

#ifndef _WIN32
// The box's lines: the port's text first, the advice, the system's own text last.
std::vector<std::string> BoxLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\r', from)) != std::string::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    lines.push_back(text.substr(from));
    return lines;
}

TEST(OpenFailureBox, AMappedDeviceThatIsNotThereNamesTheMappingThenTheSystemsText) {
    BoxWorld w;
    test::TempDir dir;
    test::TempDir::WriteAll(dir.File("ports.conf"),
                            {'C', 'o', 'm', '5', '=', '/', 'n', 'o', 'n', 'e', '\n'});
    PosixSerialLine line(dir.Dir());
    SerialLink link(line, w.clock, w.view);
    EXPECT_FALSE(OpenPort(link, "Com5", 0, AddressMode::On));
    ASSERT_EQ(w.view.boxes.size(), 1u);
    const std::vector<std::string> lines = BoxLines(w.view.boxes[0].text);
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines.front(), "Ошибка открытия последовательного порта Com5");
    EXPECT_EQ(lines[1].rfind(
                  "Порт Com5 назначен устройству /none в файле " + dir.Dir() + "ports.conf", 0),
              0u)
        << lines[1];
    EXPECT_EQ(lines.back(), std::strerror(ENOENT));
}

// A port whose mapping line was not understood opens nothing, not even the
// pseudo-terminal its ports/ link leads to: the box names the file, the
// line and what to do.
TEST(OpenFailureBox, APortWhoseMappingLineWasNotUnderstoodOpensNothingElse) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "ports");
    std::filesystem::create_symlink(::ptsname(master), dir.Path() / "ports" / "com5");
    const std::string bad = "Com5 /dev/ttyUSB0\n";
    test::TempDir::WriteAll(dir.File("ports.conf"), {bad.begin(), bad.end()});

    BoxWorld w;
    PosixSerialLine line(dir.Dir());
    SerialLink link(line, w.clock, w.view);
    EXPECT_FALSE(OpenPort(link, "Com5", 0, AddressMode::On));
    EXPECT_FALSE(line.IsOpen());
    ::close(master);
    ASSERT_EQ(w.view.boxes.size(), 1u);
    const std::vector<std::string> lines = BoxLines(w.view.boxes[0].text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Порт Com5 не открыт: в файле " + dir.Dir() +
                            "ports.conf не понята строка 1 «Com5 /dev/ttyUSB0» (нет знака «=» "
                            "между именем порта и устройством). Исправьте строку (Com5=устройство) "
                            "или удалите её: тогда Com5 откроет порт по умолчанию.");
    EXPECT_EQ(link.OpenFailure, w.view.boxes[0].text);
}

TEST(OpenFailureBox, APortHeldByAnotherOpenerNamesThatProgramAndItsPid) {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "ports");
    std::filesystem::create_symlink(::ptsname(master), dir.Path() / "ports" / "com3");

    BoxWorld w;
    PosixSerialLine holder(dir.Dir());
    ASSERT_TRUE(holder.Open("Com3"));
    PosixSerialLine second(dir.Dir());
    SerialLink link(second, w.clock, w.view);
    EXPECT_FALSE(OpenPort(link, "Com3", 0, AddressMode::On));
    ::close(master);
    ASSERT_EQ(w.view.boxes.size(), 1u);
    const std::vector<std::string> lines = BoxLines(w.view.boxes[0].text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1], "Порт Com3 (" + dir.Dir() +
                            "ports/com3) занят другой программой: " + "test_open_failu (PID " +
                            std::to_string(::getpid()) + "). Закройте её и откройте порт снова.");
    EXPECT_EQ(lines[2], std::strerror(EBUSY));
}

TEST(OpenFailureBox, ADeviceWithoutPermissionSaysSoForAnOrdinaryUser) {
    if (::geteuid() == 0) GTEST_SKIP() << "root opens any device; the unprivileged run checks this";
    BoxWorld w;
    test::TempDir dir;
    std::filesystem::create_directories(dir.Path() / "ports");
    test::TempDir::WriteAll(dir.File("device"), {});
    std::filesystem::permissions(dir.File("device"), std::filesystem::perms::none);
    std::filesystem::create_symlink(dir.File("device"), dir.Path() / "ports" / "com2");
    PosixSerialLine line(dir.Dir());
    SerialLink link(line, w.clock, w.view);
    EXPECT_FALSE(OpenPort(link, "Com2", 0, AddressMode::On));
    ASSERT_EQ(w.view.boxes.size(), 1u);
    const std::vector<std::string> lines = BoxLines(w.view.boxes[0].text);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].rfind("Нет прав на устройство " + dir.Dir() + "ports/com2 (порт Com2)", 0),
              0u)
        << lines[1];
    EXPECT_EQ(lines[2], std::strerror(EACCES));
}
#endif

}  // namespace
}  // namespace hk
