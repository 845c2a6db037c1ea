// The port mapping file: what a line means, what is reported and skipped,
// how the program rewrites it, and which of mapping, ports/ link and
// built-in port a name leads to.

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "base/FileError.h"
#include "base/TextForm.h"
#include "ports/PortMapping.h"
#include "ports/PortNames.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

void WriteText(const std::string& file, const std::string& text) {
    test::TempDir::WriteAll(file, {text.begin(), text.end()});
}

// --- Reading ------------------------------------------------------------------

TEST(PortMappingFile, TakesAssignmentsWhateverTheCaseBlanksAndLineEnds) {
    const PortMapping m = ParsePortMapping(
        "# comment\n"
        "; another comment\n"
        "\n"
        "Com3=/dev/serial/by-id/usb-FTDI_FT232R-if00-port0\r\n"
        "  com1 =  /dev/ttyUSB0  \n"
        "COM18=/dev/ttyACM0");  // no line end at the end of the file
    EXPECT_TRUE(m.problems.empty());
    ASSERT_EQ(m.devices.size(), 3u);
    EXPECT_EQ(*m.DeviceOf(3), "/dev/serial/by-id/usb-FTDI_FT232R-if00-port0");
    EXPECT_EQ(*m.DeviceOf(1), "/dev/ttyUSB0");
    EXPECT_EQ(*m.DeviceOf(18), "/dev/ttyACM0");
    EXPECT_EQ(m.DeviceOf(2), nullptr);
}

TEST(PortMappingFile, FaultyLinesAreReportedWithTheirNumberAndTheRestStillCounts) {
    const PortMapping m = ParsePortMapping(
        "Com3 /dev/ttyUSB0\n"   // 1: no '='
        "Com19=/dev/ttyUSB1\n"  // 2: not a name of the dialogs
        "Port=/dev/ttyUSB1\n"   // 3: not a port name
        "Com0=/dev/ttyUSB1\n"   // 4
        "Com4=\n"               // 5: no device
        "Com5=ttyUSB1\n"        // 6: not a full path
        "Com6=/dev/ttyUSB2\n");
    ASSERT_EQ(m.problems.size(), 6u);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(m.problems[static_cast<std::size_t>(i)].line, i + 1);
    EXPECT_EQ(m.problems[0].text, "Com3 /dev/ttyUSB0");
    EXPECT_NE(m.problems[0].reason.find("«=»"), std::string::npos);
    EXPECT_NE(m.problems[1].reason.find("от Com1 до Com18"), std::string::npos);
    EXPECT_NE(m.problems[4].reason.find("не указано устройство"), std::string::npos);
    EXPECT_NE(m.problems[5].reason.find("полным"), std::string::npos);
    ASSERT_EQ(m.devices.size(), 1u);
    EXPECT_EQ(*m.DeviceOf(6), "/dev/ttyUSB2");
    EXPECT_EQ(DescribeProblem(m.problems[0]),
              "строка 1 «Com3 /dev/ttyUSB0»: " + m.problems[0].reason);
}

// The device right of "=" by the rules of each system, whichever runs the test.
TEST(PortMappingFile, ADevicePathIsJudgedByTheRulesOfItsSystem) {
    const MappedDevice posixPath = CheckMappedDevice("/dev/ttyUSB0", false);
    EXPECT_EQ(posixPath.path, "/dev/ttyUSB0");
    EXPECT_TRUE(posixPath.fault.empty());
    for (const char* notPosix : {"ttyUSB0", R"(\\.\COM12)", "COM12"}) {
        const MappedDevice refused = CheckMappedDevice(notPosix, false);
        EXPECT_TRUE(refused.path.empty());
        EXPECT_EQ(refused.fault, "путь к устройству должен быть полным (начинаться с «/»)");
    }
    // Windows: device paths and rooted paths as written, a port's name
    // through its device path (COM10 and above open no other way).
    for (const char* asWritten : {R"(\\.\COM12)", R"(\\?\USB#VID_0403)", R"(C:\ports\com3)",
                                  "C:/ports/com3", "/dev/ttyUSB0"})
        EXPECT_EQ(CheckMappedDevice(asWritten, true).path, asWritten) << asWritten;
    EXPECT_EQ(CheckMappedDevice("COM12", true).path, R"(\\.\COM12)");
    EXPECT_EQ(CheckMappedDevice("com3", true).path, R"(\\.\com3)");
    for (const char* notWindows : {"ttyUSB0", "COM", "C:ports", "COMX"}) {
        const MappedDevice refused = CheckMappedDevice(notWindows, true);
        EXPECT_TRUE(refused.path.empty()) << notWindows;
        EXPECT_EQ(
            refused.fault,
            R"(устройство указывается полным путём вида \\.\COM12 или именем порта вида COM12)");
    }
    // The file takes the rules of the system the program runs on.
    const PortMapping m = ParsePortMapping("Com2=COM12\nCom3=\\\\.\\COM13\n");
#ifdef _WIN32
    EXPECT_TRUE(m.problems.empty());
    EXPECT_EQ(*m.DeviceOf(2), R"(\\.\COM12)");
    EXPECT_EQ(*m.DeviceOf(3), R"(\\.\COM13)");
#else
    ASSERT_EQ(m.problems.size(), 2u);
    EXPECT_EQ(m.problems[1].reason, "путь к устройству должен быть полным (начинаться с «/»)");
    EXPECT_TRUE(m.devices.empty());
#endif
}

TEST(PortMappingFile, APortNamedTwiceTakesItsLastLineAndSaysSo) {
    const PortMapping m = ParsePortMapping("Com2=/dev/ttyUSB0\nCom2=/dev/ttyUSB1\n");
    EXPECT_EQ(*m.DeviceOf(2), "/dev/ttyUSB1");
    ASSERT_EQ(m.problems.size(), 1u);
    EXPECT_EQ(m.problems[0].line, 2);
    EXPECT_NE(m.problems[0].reason.find("строке 1"), std::string::npos);
}

// A line not understood that names a port holds that port: its device is
// not known, and no other may be opened in its place. One that names no
// port is a note for every port.
TEST(PortMappingFile, ALineNotUnderstoodHoldsThePortItNames) {
    const PortMapping m = ParsePortMapping(
        "Com5 /dev/ttyUSB0\n"     // 1: Com5, no '='
        "Com3=/dev/ttyUSB1\n"     // 2
        "com3 = ttyUSB2\n"        // 3: Com3's last line, not understood
        "Com4=relative\n"         // 4
        "Com4=/dev/ttyUSB4\n"     // 5: mended by the line after it
        "Cmo6=/dev/ttyUSB6\n"     // 6: names no port
        "Com19:/dev/ttyUSB9\n");  // 7: a port the dialogs do not have
    EXPECT_EQ(m.DeviceOf(5), nullptr);
    ASSERT_NE(m.FaultOf(5), nullptr);
    EXPECT_EQ(m.FaultOf(5)->line, 1);
    EXPECT_EQ(m.DeviceOf(3), nullptr);
    ASSERT_NE(m.FaultOf(3), nullptr);
    EXPECT_EQ(m.FaultOf(3)->line, 3);
    EXPECT_EQ(*m.DeviceOf(4), "/dev/ttyUSB4");
    EXPECT_EQ(m.FaultOf(4), nullptr);
    EXPECT_EQ(m.FaultOf(6), nullptr);
    ASSERT_NE(m.FaultOf(19), nullptr);
    EXPECT_EQ(m.FaultOf(19)->line, 7);
    EXPECT_EQ(DescribeProblemIn("/x/ports.conf", *m.FaultOf(5)),
              "в файле /x/ports.conf не понята строка 1 «Com5 /dev/ttyUSB0» (нет знака «=» между "
              "именем порта и устройством)");
    EXPECT_EQ(MappingNotes(m, "/x/ports.conf"),
              std::vector<std::string>{
                  "в файле /x/ports.conf не понята строка 6 «Cmo6=/dev/ttyUSB6» (слева от «=» "
                  "должно стоять имя порта от Com1 до Com18): строка пропущена, исправьте её"});
}

TEST(PortMappingFile, AMissingFileIsAnEmptyMappingAndAHugeOneIsReadInPart) {
    test::TempDir dir;
    const PortMapping none = LoadPortMapping(dir.File("ports.conf"));
    EXPECT_TRUE(none.devices.empty());
    EXPECT_TRUE(none.problems.empty());

    std::string text = "Com7=/dev/ttyUSB7\n";
    text += std::string(70 * 1024, '#') + "\nCom8=/dev/ttyUSB8\n";
    WriteText(dir.File("ports.conf"), text);
    const PortMapping big = LoadPortMapping(dir.File("ports.conf"));
    EXPECT_EQ(*big.DeviceOf(7), "/dev/ttyUSB7");
    EXPECT_EQ(big.DeviceOf(8), nullptr);
    ASSERT_EQ(big.problems.size(), 1u);
    EXPECT_EQ(big.problems[0].line, 0);
    EXPECT_NE(big.problems[0].reason.find("64 КиБ"), std::string::npos);
    EXPECT_EQ(big.FaultOf(8), nullptr);  // what was read counts
    EXPECT_EQ(MappingNotes(big, "f").size(), 1u);
}

// --- Writing ------------------------------------------------------------------

TEST(PortMappingChange, ReplacesThePortsLineInPlaceAndKeepsEveryOtherLine) {
    const std::string before =
        "# my ports\n"
        "Com1=/dev/ttyUSB0\n"
        "what is this\n"
        "com3 = /dev/old\n"
        "Com2=/dev/ttyUSB1\n"
        "Com3=/dev/older\n";
    EXPECT_EQ(WithAssignment(before, 3, "/dev/serial/by-id/usb-X"),
              "# my ports\n"
              "Com1=/dev/ttyUSB0\n"
              "what is this\n"
              "Com3=/dev/serial/by-id/usb-X\n"
              "Com2=/dev/ttyUSB1\n");
    EXPECT_EQ(WithAssignment(before, 3, ""),
              "# my ports\nCom1=/dev/ttyUSB0\nwhat is this\nCom2=/dev/ttyUSB1\n");
    // A file of one line without its end: the lines end as the system's do.
    EXPECT_EQ(WithAssignment("Com1=/dev/a", 4, "/dev/b", false), "Com1=/dev/a\nCom4=/dev/b\n");
    EXPECT_EQ(WithAssignment("Com1=/dev/a", 4, "/dev/b", true), "Com1=/dev/a\r\nCom4=/dev/b\r\n");
}

// Assigning a device, or giving the name back, keeps a line of the port
// that was not understood as a comment: it no longer holds the port.
TEST(PortMappingChange, ALineOfThePortNotUnderstoodBecomesAComment) {
    const std::string before = "Com5 /dev/ttyUSB0\nCom6=/dev/a\nnonsense\n";
    const std::string assigned = WithAssignment(before, 5, "/dev/ttyUSB1");
    EXPECT_EQ(assigned, "# Com5 /dev/ttyUSB0\nCom6=/dev/a\nnonsense\nCom5=/dev/ttyUSB1\n");
    EXPECT_EQ(*ParsePortMapping(assigned).DeviceOf(5), "/dev/ttyUSB1");
    const std::string given = WithAssignment(before, 5, "");
    EXPECT_EQ(given, "# Com5 /dev/ttyUSB0\nCom6=/dev/a\nnonsense\n");
    EXPECT_EQ(ParsePortMapping(given).FaultOf(5), nullptr);
}

TEST(PortMappingChange, ANewFileSaysWhatItIsAndReadsBackAsWritten) {
    const std::string text = WithAssignment("", 5, "/dev/ttyACM0");
    EXPECT_EQ(WithoutByteOrderMark(text).rfind('#', 0), 0u);  // Windows' form has the mark
    const PortMapping m = ParsePortMapping(text);
    EXPECT_TRUE(m.problems.empty());
    EXPECT_EQ(m.devices, (std::map<int, std::string>{{5, "/dev/ttyACM0"}}));
}

TEST(PortMappingChange, StoringCreatesTheFolderAndLeavesNoTemporaryFile) {
    test::TempDir dir;
    const std::string file = dir.File("config/hayeskvd/ports.conf");
    StorePortAssignment(file, 2, "/dev/ttyUSB0");
    StorePortAssignment(file, 3, "/dev/ttyUSB1");
    StorePortAssignment(file, 2, "");
    EXPECT_EQ(LoadPortMapping(file).devices, (std::map<int, std::string>{{3, "/dev/ttyUSB1"}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path() / "config/hayeskvd"),
                            fs::directory_iterator()),
              1);
}

#ifndef _WIN32
std::string ReadText(const std::string& file) {
    const auto bytes = test::TempDir::ReadAll(file);
    return {bytes.begin(), bytes.end()};
}

TEST(PortMappingChange, AFolderThatRefusesTheFileNamesPortAndFileAndKeepsTheOldMapping) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    test::TempDir dir;
    const std::string file = dir.File("ports.conf");
    WriteText(file, "Com1=/dev/ttyUSB0\n");
    fs::permissions(dir.Path(), fs::perms::owner_read | fs::perms::owner_exec);
    try {
        StorePortAssignment(file, 4, "/dev/ttyUSB1");
        FAIL() << "stored into a read-only folder";
    } catch (const FileError& e) {
        const std::string text = e.what();
        EXPECT_EQ(text.rfind("Назначение порта Com4 не сохранено в файл «" + file + "»", 0), 0u);
        EXPECT_NE(text.find(std::strerror(EACCES)), std::string::npos);
    }
    fs::permissions(dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(ReadText(file), "Com1=/dev/ttyUSB0\n");
}
#endif

// --- Which device a name opens ------------------------------------------------

TEST(PortRouting, MappingWinsOverALinkWhichWinsOverTheBuiltInPort) {
    test::TempDir dir;
#ifndef _WIN32
    fs::create_directories(dir.Path() / "ports");
    fs::create_symlink("/dev/null", dir.Path() / "ports" / "com2");
    fs::create_symlink("/dev/null", dir.Path() / "ports" / "com3");
#endif
    WriteText(dir.File("ports.conf"), "Com3=/dev/serial/by-id/usb-Y\nnonsense\n");

    const PortRoute mapped = RoutePort(dir.Dir(), "Com3");
    EXPECT_EQ(mapped.path, "/dev/serial/by-id/usb-Y");
    EXPECT_EQ(mapped.source, PortSource::Mapping);
#ifndef _WIN32
    const PortRoute linked = RoutePort(dir.Dir(), "com2");
    EXPECT_EQ(linked.path, dir.Dir() + "ports/com2");
    EXPECT_EQ(linked.source, PortSource::Link);
    const PortRoute builtIn = RoutePort(dir.Dir(), "Com4");
    EXPECT_EQ(builtIn.path, "/dev/ttyS3");
    EXPECT_EQ(builtIn.source, PortSource::BuiltIn);
#else
    EXPECT_EQ(RoutePort(dir.Dir(), "Com12").path, "\\\\.\\Com12");
#endif
    EXPECT_EQ(RoutePort(dir.Dir(), "/dev/custom").source, PortSource::Name);
}

// The port whose line was not understood leads nowhere, neither to its
// ports/ link nor to the built-in port: the route says which line of
// which file, and what to do.
TEST(PortRouting, APortWhoseLineWasNotUnderstoodLeadsNowhere) {
    test::TempDir dir;
#ifndef _WIN32
    fs::create_directories(dir.Path() / "ports");
    fs::create_symlink("/dev/null", dir.Path() / "ports" / "com5");
#endif
    WriteText(dir.File("ports.conf"), "# mine\nCom5 /dev/ttyUSB0\n");
    const PortRoute unclear = RoutePort(dir.Dir(), "Com5");
    EXPECT_EQ(unclear.source, PortSource::Unclear);
    EXPECT_EQ(unclear.path, "");
    EXPECT_EQ(unclear.fault, "в файле " + dir.Dir() + "ports.conf" +
                                 " не понята строка 2 «Com5 /dev/ttyUSB0» (нет знака «=» между "
                                 "именем порта и устройством). Исправьте строку (Com5=устройство) "
                                 "или удалите её: тогда Com5 откроет порт по умолчанию");
    EXPECT_NE(RoutePort(dir.Dir(), "Com6").source, PortSource::Unclear);
}

#ifndef _WIN32
TEST(PortRouting, AMappingThatCannotBeReadLeavesEveryPortUnclear) {
    if (::geteuid() == 0) GTEST_SKIP() << "root reads any file";
    test::TempDir dir;
    WriteText(dir.File("ports.conf"), "Com1=/dev/ttyUSB0\n");
    fs::permissions(dir.File("ports.conf"), fs::perms::none);
    const PortRoute route = RoutePort(dir.Dir(), "Com4");
    EXPECT_EQ(route.source, PortSource::Unclear);
    EXPECT_NE(route.fault.find("файл " + dir.File("ports.conf") +
                               ", где портам назначены устройства, не прочитан"),
              std::string::npos)
        << route.fault;
    EXPECT_EQ(RoutePort(dir.Dir(), "/dev/ttyS3").source, PortSource::Name);
}
#endif

TEST(PortRouting, AnAssignmentCountsFromTheNextOpenWithoutARestart) {
    test::TempDir dir;
    const std::string before = ResolvePortPath(dir.Dir(), "Com6");
    StorePortAssignment(dir.File("ports.conf"), 6, "/dev/ttyUSB3");
    EXPECT_EQ(ResolvePortPath(dir.Dir(), "Com6"), "/dev/ttyUSB3");
    StorePortAssignment(dir.File("ports.conf"), 6, "");
    EXPECT_EQ(ResolvePortPath(dir.Dir(), "Com6"), before);
}

}  // namespace
}  // namespace hk
