// Text files in the form the operator's tools write and read: a byte order
// mark that Notepad puts first is skipped; a new port mapping, the exchange
// log and the scan's table take the form of the system (CR LF, Windows'
// device names, Excel's ';' and mark on Windows; LF, Linux devices and ','
// elsewhere); paths shown with the system's separators. Both forms are
// checked on either system, and the system's own choice natively and under
// Wine.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/ProgramPlaces.h"
#include "base/TextForm.h"
#include "device/NetworkScan.h"
#include "log/LogFiles.h"
#include "ports/PortMapping.h"
#include "ports/PortNames.h"
#include "support/TempDir.h"

namespace hk {
namespace {

std::string ReadText(const std::string& file) {
    const auto bytes = test::TempDir::ReadAll(file);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const std::string& file, const std::string& text) {
    test::TempDir::WriteAll(file, {text.begin(), text.end()});
}

// A device each system takes right of "=".
const std::string kDevice = kWindowsForm ? R"(\\.\COM2)" : "/dev/ttyUSB0";
const std::string kOtherDevice = kWindowsForm ? R"(\\.\COM7)" : "/dev/ttyUSB7";

// --- The byte order mark ------------------------------------------------------------

TEST(ByteOrderMark, IsSkippedOnlyAtTheStart) {
    EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB\xBF"
                                   "Com4=x"),
              "Com4=x");
    EXPECT_EQ(WithoutByteOrderMark("Com4=x"), "Com4=x");
    EXPECT_EQ(WithoutByteOrderMark("\xEF\xBB"), "\xEF\xBB");  // a mark cut short is text
    EXPECT_EQ(WithoutByteOrderMark("a\xEF\xBB\xBF"), "a\xEF\xBB\xBF");
}

// Notepad's "UTF-8 with BOM": the first line is an assignment like any other.
TEST(ByteOrderMark, APortMappingSavedWithItReadsAsWithout) {
    test::TempDir dir;
    WriteText(dir.File("ports.conf"), std::string(kUtf8ByteOrderMark) + "Com4=" + kDevice +
                                          "\r\nCom5=" + kOtherDevice + "\r\n");
    const PortMapping m = LoadPortMapping(dir.File("ports.conf"));
    EXPECT_TRUE(m.problems.empty()) << DescribeProblem(m.problems.front());
    ASSERT_NE(m.DeviceOf(4), nullptr);
    EXPECT_EQ(*m.DeviceOf(4), kDevice);
    EXPECT_EQ(RoutePort(dir.Dir(), "Com4").path, kDevice);
    // A comment first is a comment too.
    EXPECT_TRUE(ParsePortMapping(std::string(kUtf8ByteOrderMark) + "# ports\nCom1=" + kDevice)
                    .problems.empty());
}

// The program changes a port's line and leaves the mark and the line ends
// as the operator's editor wrote them.
TEST(ByteOrderMark, AndTheFilesLineEndsStayWhenAPortIsAssigned) {
    const std::string notepad =
        std::string(kUtf8ByteOrderMark) + "# мои порты\r\nCom4=" + kDevice + "\r\n";
    EXPECT_EQ(WithAssignment(notepad, 5, kOtherDevice), std::string(kUtf8ByteOrderMark) +
                                                            "# мои порты\r\nCom4=" + kDevice +
                                                            "\r\nCom5=" + kOtherDevice + "\r\n");
    EXPECT_EQ(WithAssignment(notepad, 4, ""), std::string(kUtf8ByteOrderMark) + "# мои порты\r\n");
    // A file with LF keeps LF, on Windows too.
    EXPECT_EQ(WithAssignment("Com1=" + kDevice + "\n", 2, kOtherDevice, true),
              "Com1=" + kDevice + "\nCom2=" + kOtherDevice + "\n");
    test::TempDir dir;
    WriteText(dir.File("ports.conf"), notepad);
    StorePortAssignment(dir.File("ports.conf"), 4, kOtherDevice);
    EXPECT_EQ(ReadText(dir.File("ports.conf")),
              std::string(kUtf8ByteOrderMark) + "# мои порты\r\nCom4=" + kOtherDevice + "\r\n");
}

// --- A new port mapping -------------------------------------------------------------

TEST(NewPortMapping, OnLinuxTellsOfLinuxDevicesWithLf) {
    const std::string text = WithAssignment("", 3, "/dev/ttyUSB0", false);
    EXPECT_EQ(text,
              "# Порты программы: какое устройство открывает каждое имя Com1 … Com18.\n"
              "# Одна строка на порт, например:\n"
              "#   Com3=/dev/serial/by-id/usb-…\n"
              "# Порт, которого здесь нет, открывает ссылку ports/comN рядом с этим\n"
              "# файлом, а без неё встроенный порт /dev/ttyS<N-1>.\n"
              "Com3=/dev/ttyUSB0\n");
}

// Windows takes /dev/... for a folder of the current drive: the example a
// Windows user copies must open there.
TEST(NewPortMapping, OnWindowsTellsOfWindowsPortsWithCrLfAndTheMark) {
    const std::string text = WithAssignment("", 3, R"(\\.\COM12)", true);
    EXPECT_EQ(text, std::string(kUtf8ByteOrderMark) +
                        "# Порты программы: какое устройство открывает каждое имя Com1 … Com18.\r\n"
                        "# Одна строка на порт, например:\r\n"
                        "#   Com3=\\\\.\\COM12\r\n"
                        "# Порт, которого здесь нет, открывает порт Windows с тем же номером:\r\n"
                        "# без назначения ComN открывает \\\\.\\COMN.\r\n"
                        "Com3=\\\\.\\COM12\r\n");
    EXPECT_EQ(text.find("/dev"), std::string::npos);
    EXPECT_EQ(text.find("ports/"), std::string::npos);
    // Every '\n' ends a CR LF.
    for (std::size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        EXPECT_EQ(text[at - 1], '\r') << at;
    // The example right of "=" is a device Windows opens.
    EXPECT_EQ(CheckMappedDevice(R"(\\.\COM12)", true).path, R"(\\.\COM12)");
}

TEST(NewPortMapping, TheProgramStoresItInTheSystemsFormAndReadsItBack) {
    test::TempDir dir;
    StorePortAssignment(dir.File("ports.conf"), 6, kDevice);
    const std::string text = ReadText(dir.File("ports.conf"));
    EXPECT_EQ(text, NewMappingHeader(kWindowsForm) + "Com6=" + kDevice +
                        std::string(LineEndOf(kWindowsForm)));
    EXPECT_EQ(HasByteOrderMark(text), kWindowsForm);
    const PortMapping m = LoadPortMapping(dir.File("ports.conf"));
    EXPECT_TRUE(m.problems.empty());
    EXPECT_EQ(m.devices, (std::map<int, std::string>{{6, kDevice}}));
}

// --- The exchange log's files -------------------------------------------------------

std::string LoggedText(bool windowsLines) {
    test::TempDir dir;
    {
        LogFiles files(dir.Dir() + "logs/", 30, windowsLines);
        files.Append(0, "===== Запись в модем, Com2 =====");
        files.Append(0, "Модему: ATZ");
        files.Drain();
    }
    std::string text;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path() / "logs"))
        text += ReadText(e.path().string());
    return text;
}

TEST(LogLines, EndWithCrLfOnWindowsAndLfElsewhere) {
    EXPECT_EQ(LoggedText(true), "===== Запись в модем, Com2 =====\r\nМодему: ATZ\r\n");
    EXPECT_EQ(LoggedText(false), "===== Запись в модем, Com2 =====\nМодему: ATZ\n");
    // One given file too (the command line's --log).
    test::TempDir dir;
    {
        const auto files = LogFiles::IntoFile(dir.File("run.log"));
        files->Append(0, "строка");
        files->Drain();
    }
    EXPECT_EQ(ReadText(dir.File("run.log")), "строка" + std::string(LineEndOf(kWindowsForm)));
}

// --- The scan's table ---------------------------------------------------------------

std::vector<device::FoundController> Found() {
    device::FoundController a;
    a.number = 10;
    a.speedIndex = 5;
    a.kit = 3;
    a.statusRead = true;
    a.s1 = 0x08;
    device::FoundController b;
    b.number = 11;
    b.speedIndex = 0;
    b.kit = -1;
    b.statusResult = 1;
    return {a, b};
}

// Excel in a Russian locale splits at ';' and reads UTF-8 by the mark; a
// field with the separator in it is quoted, one with ',' no longer needs it.
TEST(ScanTable, ForExcelHasTheMarkAndSemicolons) {
    EXPECT_EQ(device::ScanTableCsv(Found(), true, device::kExcelCsv),
              std::string(kUtf8ByteOrderMark) +
                  "Номер;Скорость;Комплект;Состояние\r\n"
                  "0A;9600;КВАРД-47;остановлен, ключ установлен\r\n"
                  "0B;300;комплект не определён;состояние не прочитано: нет подтв. начала "
                  "обмена\r\n");
    device::FoundController odd = Found().front();
    odd.kit = 0;
    const std::string quoted =
        device::ScanTableCsv({odd}, false, {.separator = ';', .byteOrderMark = false});
    EXPECT_EQ(quoted.rfind("Номер;", 0), 0u);
    EXPECT_NE(quoted.find("\r\n10;9600;"), std::string::npos);
}

TEST(ScanTable, TheSystemsFormIsExcelsOnWindowsAndPlainElsewhere) {
    EXPECT_EQ(
        device::ScanTableCsv(Found(), true),
        device::ScanTableCsv(Found(), true, kWindowsForm ? device::kExcelCsv : device::kPlainCsv));
    EXPECT_EQ(device::ScanTableCsv(Found(), true, device::kPlainCsv).rfind("Номер,Скорость,", 0),
              0u);
}

// --- Paths shown --------------------------------------------------------------------

TEST(ShownPaths, UseBackslashesOnWindowsOnly) {
    EXPECT_EQ(ShownPath("C:/КВАРД/HayesKvd/ports.conf", true), R"(C:\КВАРД\HayesKvd\ports.conf)");
    EXPECT_EQ(ShownPath(R"(C:\users\Иван\AppData\Local\hayeskvd/logs/)", true),
              R"(C:\users\Иван\AppData\Local\hayeskvd\logs\)");
    EXPECT_EQ(ShownPath("/home/ivan/hayeskvd/logs/", false), "/home/ivan/hayeskvd/logs/");
}

// The program's folders as every message names them (the issue's «C:/КВАРД/…»
// and «…\hayeskvd/logs/»): on Windows there is no '/' in them.
TEST(ShownPaths, TheProgramsPlacesAreInTheSystemsForm) {
    const auto env = [](const char* name) -> std::string {
        if (std::string_view(name) == "APPDATA") return R"(C:\users\Иван\AppData\Roaming)";
        if (std::string_view(name) == "LOCALAPPDATA") return R"(C:\users\Иван\AppData\Local)";
        if (std::string_view(name) == "HOME") return "/home/ivan";
        return {};
    };
    for (const bool writable : {true, false}) {
        const ProgramPlaces p = LocateProgramPlaces(
            "C:/КВАРД/HayesKvd/", env, [writable](const std::string&) { return writable; });
        for (const std::string& place : {p.programFolder, p.settingsDir, p.dataDir}) {
            EXPECT_EQ(place, ShownPath(place)) << place;
            EXPECT_EQ(place.back(), kWindowsForm ? '\\' : '/') << place;
        }
        if (kWindowsForm) {
            EXPECT_EQ(p.programFolder, R"(C:\КВАРД\HayesKvd\)");
        }
    }
    // The log folder the window names.
    test::TempDir dir;
    LogFiles files(dir.Dir() + "logs/", 30);
    EXPECT_EQ(files.Folder(), ShownPath(dir.Dir() + "logs/"));
    EXPECT_EQ(files.FileFor(0).find(kWindowsForm ? '/' : '\\'), std::string::npos);
}

}  // namespace
}  // namespace hk
