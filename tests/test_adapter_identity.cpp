// Who the adapter behind a port is: sysfs trees recorded from CH340,
// PL2303, FT232R and a CP2105's second interface, SetupAPI's strings of the
// same adapters; the known behaviours' table; the key and the verdict kept
// for an adapter in HayesKvd.ini.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "ports/AdapterBehaviours.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/PortHint.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

std::string ReadText(const std::string& file) {
    const auto bytes = test::TempDir::ReadAll(file);
    return {bytes.begin(), bytes.end()};
}

void WriteText(const std::string& file, const std::string& text) {
    test::TempDir::WriteAll(file, {text.begin(), text.end()});
}

#ifndef _WIN32
// A recorded tree (tests/adapter_trees/NAME.tree) made real under `root`:
// "path -> target" a link, "path = text" a file (a folder when the path
// ends with '/').
void Materialise(const std::string& name, const fs::path& root) {
    // The trees of the source, or of the copy named by HK_ADAPTER_TREES
    // (the unprivileged run reads them where its user can).
    const char* trees = std::getenv("HK_ADAPTER_TREES");
    std::ifstream in(std::string(trees && *trees ? trees : HK_ADAPTER_TREES) + "/" + name +
                     ".tree");
    ASSERT_TRUE(in) << name;
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        if (const auto arrow = line.find(" -> "); arrow != std::string::npos) {
            const fs::path link = root / line.substr(0, arrow);
            fs::create_directories(link.parent_path());
            fs::create_symlink(line.substr(arrow + 4), link);
        } else if (const auto eq = line.find(" = "); eq != std::string::npos) {
            const std::string path = line.substr(0, eq);
            if (path.back() == '/') {
                fs::create_directories(root / path);
                continue;
            }
            fs::create_directories((root / path).parent_path());
            WriteText((root / path).string(), line.substr(eq + 3) + "\n");
        }
    }
}

class SysfsTrees : public ::testing::Test {
protected:
    AdapterIdentity Of(const std::string& tree, const std::string& tty) {
        Materialise(tree, dir_.Path());
        return ReadSysfsIdentity(tty, Root());
    }
    std::string Root() const { return dir_.Path().string(); }
    test::TempDir dir_;
};

TEST_F(SysfsTrees, Ch340WithoutASerialNumber) {
    const AdapterIdentity id = Of("ch340", "ttyUSB0");
    EXPECT_EQ(id.driver, "ch341-uart");
    EXPECT_EQ(id.vendorId, "1a86");
    EXPECT_EQ(id.productId, "7523");
    EXPECT_EQ(id.product, "USB Serial");
    EXPECT_EQ(id.manufacturer, "");
    EXPECT_EQ(id.serial, "");
    EXPECT_EQ(id.interfaceNumber, 0);
    EXPECT_EQ(id.kernel, "6.1.0-18-amd64");
    // No serial number: kept by vendor:product and the port.
    EXPECT_EQ(AdapterKey(id, "Com3"), "usb-1a86-7523-port-Com3");
    EXPECT_EQ(AdapterTitle(id),
              "USB Serial (1a86:7523, драйвер ch341-uart, Linux 6.1.0-18-amd64)");
    // The mainline driver sends mark/space on this kernel: no warning.
    EXPECT_EQ(KnownBehaviour(id).markSpace, MarkSpaceSupport::Sent);
    EXPECT_EQ(KnownBehaviour(id).warning, "");
}

TEST_F(SysfsTrees, Pl2303BehindAHub) {
    const AdapterIdentity id = Of("pl2303", "ttyUSB1");
    EXPECT_EQ(id.driver, "pl2303");
    EXPECT_EQ(id.vendorId, "067b");
    EXPECT_EQ(id.productId, "2303");
    // The adapter's own strings, not the hub's above it.
    EXPECT_EQ(id.manufacturer, "Prolific Technology Inc.");
    EXPECT_EQ(id.product, "USB-Serial Controller");
    EXPECT_EQ(id.interfaceNumber, 0);
    EXPECT_EQ(id.kernel, "5.15.0-91-generic");
    EXPECT_EQ(KnownBehaviour(id).markSpace, MarkSpaceSupport::Unknown);
}

TEST_F(SysfsTrees, Ft232rThroughItsByIdName) {
    Materialise("ft232r", dir_.Path());
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
    const AdapterIdentity id = IdentifyAdapter(byId, Root());
    EXPECT_EQ(id.driver, "ftdi_sio");
    EXPECT_EQ(id.vendorId, "0403");
    EXPECT_EQ(id.productId, "6001");
    EXPECT_EQ(id.manufacturer, "FTDI");
    EXPECT_EQ(id.product, "FT232R USB UART");
    EXPECT_EQ(id.serial, "A50285BI");
    EXPECT_EQ(AdapterKey(id, "Com2"), "usb-0403-6001-sn-A50285BI");
    EXPECT_EQ(AdapterTitle(id), "FTDI FT232R USB UART (0403:6001, серийный номер A50285BI, "
                                "драйвер ftdi_sio, Linux 6.1.0-18-amd64)");
    EXPECT_EQ(KnownBehaviour(id).drain, DrainWait::Waits);
}

TEST_F(SysfsTrees, Cp2105SecondInterfaceGetsTheWarning) {
    const AdapterIdentity second = Of("cp2105", "ttyUSB3");
    EXPECT_EQ(second.driver, "cp210x");
    EXPECT_EQ(second.vendorId, "10c4");
    EXPECT_EQ(second.productId, "ea70");
    EXPECT_EQ(second.serial, "00A1B2C3");
    EXPECT_EQ(second.interfaceNumber, 1);
    EXPECT_EQ(AdapterKey(second, "Com4"), "usb-10c4-ea70-sn-00A1B2C3-if1");
    EXPECT_EQ(KnownBehaviour(second).markSpace, MarkSpaceSupport::Ignored);
    EXPECT_EQ(KnownBehaviour(second).warning,
              "второй порт CP2105: чётность MARK/SPACE не поддерживается — проверьте адаптер");
    // The first interface of the same chip has mark/space: no warning, and
    // a key of its own.
    const AdapterIdentity first = ReadSysfsIdentity("ttyUSB2", Root());
    EXPECT_EQ(first.interfaceNumber, 0);
    EXPECT_EQ(KnownBehaviour(first).warning, "");
    EXPECT_EQ(AdapterKey(first, "Com3"), "usb-10c4-ea70-sn-00A1B2C3");
}

TEST_F(SysfsTrees, NoDeviceMeansNoIdentity) {
    Materialise("ch340", dir_.Path());
    // A pseudo-terminal has no device in sysfs; a name with a slash is no tty.
    EXPECT_FALSE(ReadSysfsIdentity("pts3", Root()).Known());
    EXPECT_FALSE(ReadSysfsIdentity("../ttyUSB0", Root()).Known());
    const AdapterIdentity none = IdentifyAdapter("/dev/pts/3", Root());
    EXPECT_FALSE(none.Usb());
    EXPECT_EQ(AdapterKey(none, "Com1"), "port-Com1");
}
#endif

// --- SetupAPI ---------------------------------------------------------------

TEST(WindowsIdentity, Ch340WithAnIdWindowsMadeUp) {
    const AdapterIdentity id = ParseWindowsIdentity(
        {"USB\\VID_1A86&PID_7523&REV_0264", "USB-SERIAL CH340 (COM5)", "CH341SER_A64", "wch.cn",
         "3.8.2023.2", "USB\\VID_1A86&PID_7523\\5&1A2B3C4D&0&2", "USB\\ROOT_HUB30\\4&2F1D&0&0"});
    EXPECT_EQ(id.hardwareId, "USB\\VID_1A86&PID_7523");
    EXPECT_EQ(id.vendorId, "1a86");
    EXPECT_EQ(id.productId, "7523");
    EXPECT_EQ(id.serial, "");  // "5&1A2B3C4D&0&2" is Windows' own, no serial number
    EXPECT_EQ(id.driverProvider, "wch.cn");
    EXPECT_EQ(id.driverVersion, "3.8.2023.2");
    EXPECT_EQ(AdapterKey(id, "COM5"), "usb-1a86-7523-port-Com5");
    EXPECT_EQ(AdapterTitle(id), "USB-SERIAL CH340 (COM5) (1a86:7523, драйвер CH341SER_A64, "
                                "wch.cn 3.8.2023.2)");
}

TEST(WindowsIdentity, Pl2303) {
    const AdapterIdentity id = ParseWindowsIdentity(
        {"USB\\VID_067B&PID_2303&REV_0300", "Prolific USB-to-Serial Comm Port (COM4)", "Ser2pl",
         "Prolific", "3.3.2.102", "USB\\VID_067B&PID_2303\\6&3A1F2B&0&1", ""});
    EXPECT_EQ(id.hardwareId, "USB\\VID_067B&PID_2303");
    EXPECT_EQ(id.vendorId, "067b");
    EXPECT_EQ(id.serial, "");
    EXPECT_EQ(id.driver, "Ser2pl");
}

TEST(WindowsIdentity, Ft232rOnFtdisOwnBus) {
    const AdapterIdentity id = ParseWindowsIdentity(
        {"FTDIBUS\\COMPORT&VID_0403&PID_6001", "USB Serial Port (COM7)", "FTSER2K", "FTDI",
         "2.12.36.4", "FTDIBUS\\VID_0403+PID_6001+A50285BIA\\0000",
         "USB\\VID_0403&PID_6001\\A50285BI"});
    EXPECT_EQ(id.vendorId, "0403");
    EXPECT_EQ(id.productId, "6001");
    EXPECT_EQ(id.serial, "A50285BI");  // the channel's letter A taken off
    EXPECT_EQ(id.interfaceNumber, 0);
    EXPECT_EQ(AdapterKey(id, "COM7"), "usb-0403-6001-sn-A50285BI");
}

TEST(WindowsIdentity, Cp2105SecondInterfaceTakesTheParentsSerialNumber) {
    const AdapterIdentity id = ParseWindowsIdentity(
        {"USB\\VID_10C4&PID_EA70&REV_0100&MI_01",
         "Silicon Labs Dual CP2105 USB to UART Bridge: Standard COM Port (COM9)", "silabser",
         "Silicon Labs", "6.7.6.2130", "USB\\VID_10C4&PID_EA70&MI_01\\6&2F1B3C&0&0001",
         "USB\\VID_10C4&PID_EA70\\00A1B2C3"});
    EXPECT_EQ(id.hardwareId, "USB\\VID_10C4&PID_EA70&MI_01");
    EXPECT_EQ(id.interfaceNumber, 1);
    EXPECT_EQ(id.serial, "00A1B2C3");
    EXPECT_EQ(AdapterKey(id, "COM9"), "usb-10c4-ea70-sn-00A1B2C3-if1");
    // The table knows the chip by its ids on either system.
    EXPECT_EQ(KnownBehaviour(id).markSpace, MarkSpaceSupport::Ignored);
}

TEST(WindowsIdentity, NotAUsbDevice) {
    const AdapterIdentity id =
        ParseWindowsIdentity({"ACPI\\PNP0501", "Communications Port (COM1)", "Serial",
                              "Microsoft", "10.0.19041.1", "ACPI\\PNP0501\\0", ""});
    EXPECT_FALSE(id.Usb());
    EXPECT_EQ(id.serial, "");
    EXPECT_EQ(AdapterKey(id, "COM1"), "port-Com1");
}

// --- the known behaviours ----------------------------------------------------

TEST(AdapterBehaviours, Ch341BeforeLinux410SendsNoParityBit) {
    AdapterIdentity id;
    id.driver = "ch341-uart";
    id.vendorId = "1a86";
    id.productId = "7523";
    id.kernel = "4.9.0-13-amd64";
    EXPECT_EQ(KnownBehaviour(id).markSpace, MarkSpaceSupport::NotSent);
    EXPECT_NE(KnownBehaviour(id).warning, "");
    id.kernel = "4.10.0";
    EXPECT_EQ(KnownBehaviour(id).markSpace, MarkSpaceSupport::Sent);
    // An unknown kernel is not taken for an old one.
    id.kernel.clear();
    EXPECT_EQ(KnownBehaviour(id).warning, "");
    EXPECT_EQ(KernelVersionNumber("6.1.0-18-amd64"), 6001);
    EXPECT_EQ(KernelVersionNumber("4.10"), 4010);
    EXPECT_EQ(KernelVersionNumber("six"), 0);
}

TEST(AdapterBehaviours, VendorDriversAndMctU232GetWarnings) {
    for (const char* driver : {"ch34x", "usb_ch343", "mct_u232"}) {
        AdapterIdentity id;
        id.driver = driver;
        EXPECT_NE(KnownBehaviour(id).warning, "") << driver;
    }
    AdapterIdentity unknown;
    unknown.driver = "pl2303";
    EXPECT_EQ(KnownBehaviour(unknown).warning, "");
}

// --- the kept verdicts -------------------------------------------------------

KeptAdapterCheck LoopbackVerdict() {
    KeptAdapterCheck k;
    k.date = "2026-12-08";
    k.depth = CheckDepth::Loopback;
    k.markSpace = MarkSpaceFinding::Sent;
    k.passed = true;
    k.marginMs = 13;
    k.marginChars = 0.35;
    return k;
}

TEST(KeptAdapterChecks, KeptAndReadBackLeavingTheRestOfTheFile) {
    test::TempDir dir;
    const std::string file = dir.File("HayesKvd.ini");
    const std::string before = "[window]\r\nmemoFont=Courier New\r\n\r\n[other]\r\nx=1\r\n";
    WriteText(file, before);
    std::string error;
    ASSERT_TRUE(KeepAdapterCheck(file, "usb-0403-6001-sn-A50285BI", LoopbackVerdict(), error))
        << error;
    const std::string after = ReadText(file);
    EXPECT_EQ(after.substr(0, before.size()), before);
    const auto kept = KeptAdapterCheckOf(file, "usb-0403-6001-sn-A50285BI");
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->date, "2026-12-08");
    EXPECT_EQ(kept->depth, CheckDepth::Loopback);
    EXPECT_EQ(kept->markSpace, MarkSpaceFinding::Sent);
    EXPECT_TRUE(kept->passed);
    EXPECT_EQ(kept->marginMs, 13);
    EXPECT_FALSE(KeptAdapterCheckOf(file, "usb-0403-6001-sn-OTHER"));

    // A later check replaces the adapter's verdict and only it.
    KeptAdapterCheck worse = LoopbackVerdict();
    worse.passed = false;
    worse.markSpace = MarkSpaceFinding::NotSent;
    ASSERT_TRUE(KeepAdapterCheck(file, "usb-0403-6001-sn-A50285BI", worse, error));
    ASSERT_TRUE(KeepAdapterCheck(file, "usb-1a86-7523-port-Com3", LoopbackVerdict(), error));
    EXPECT_EQ(KeptAdapterCheckOf(file, "usb-0403-6001-sn-A50285BI")->markSpace,
              MarkSpaceFinding::NotSent);
    EXPECT_TRUE(KeptAdapterCheckOf(file, "usb-1a86-7523-port-Com3")->passed);
    EXPECT_EQ(ReadText(file).substr(0, before.size()), before);
}

TEST(KeptAdapterChecks, MissingOrBrokenSectionsReadAsNone) {
    test::TempDir dir;
    const std::string file = dir.File("HayesKvd.ini");
    EXPECT_FALSE(KeptAdapterCheckOf(file, "port-Com1"));
    WriteText(file, "[adapter.port-Com1]\nchecked=yesterday\nmarkSpace=purple\n");
    EXPECT_FALSE(KeptAdapterCheckOf(file, "port-Com1"));
}

TEST(KeptAdapterChecks, TheHintsSentence) {
    KeptAdapterCheck k = LoopbackVerdict();
    EXPECT_EQ(k.Text().rfind("адаптер проверен 2026-12-08", 0), 0u) << k.Text();
    EXPECT_NE(k.Text().find("MARK/SPACE передаёт"), std::string::npos) << k.Text();
    EXPECT_EQ(CharactersText(1), "1 символ");
    EXPECT_EQ(CharactersText(2), "2 символа");
    EXPECT_EQ(CharactersText(5), "5 символов");
    EXPECT_EQ(CharactersText(0.4), "0,4 символа");
    EXPECT_EQ(CharactersText(21), "21 символ");
    EXPECT_EQ(CharactersText(12), "12 символов");
}

TEST(KeptAdapterChecks, AdapterNotesJoinTheWarningAndTheVerdict) {
    test::TempDir dir;
    const std::string file = dir.File("HayesKvd.ini");
    AdapterIdentity cp2105;
    cp2105.vendorId = "10c4";
    cp2105.productId = "ea70";
    cp2105.serial = "00A1B2C3";
    cp2105.interfaceNumber = 1;
    std::string error;
    ASSERT_TRUE(KeepAdapterCheck(file, AdapterKey(cp2105, "Com4"), LoopbackVerdict(), error));
    const std::string notes = AdapterNotes(cp2105, "Com4", file);
    EXPECT_EQ(notes.rfind("Внимание: второй порт CP2105", 0), 0u) << notes;
    EXPECT_NE(notes.find("Адаптер проверен 2026-12-08"), std::string::npos) << notes;
    // Without a file: the warning alone.
    EXPECT_EQ(AdapterNotes(cp2105, "Com4", {}).find("проверен"), std::string::npos);
}

}  // namespace
}  // namespace hk
