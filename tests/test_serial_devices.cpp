// The serial devices present and the processes that hold one, read from a
// made-up /dev, /sys and /proc tree laid out as Linux lays them out.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "ports/PortHolders.h"
#include "ports/SerialDevices.h"
#include "support/TempDir.h"

#ifdef __linux__
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

namespace hk {
namespace {

namespace fs = std::filesystem;

void Put(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    test::TempDir::WriteAll(file.string(), {text.begin(), text.end()});
}
void Link(const fs::path& link, const std::string& target) {
    fs::create_directories(link.parent_path());
    fs::create_symlink(target, link);
}

// A computer with two built-in ports of which one has a chip, an FTDI adapter
// with its sysfs device and by-id name, and a USB modem known only by by-id.
class MadeUpSystem : public ::testing::Test {
protected:
    void SetUp() override {
        const fs::path r = dir_.Path();
        for (const char* node : {"ttyS0", "ttyS1", "ttyS10", "ttyUSB0", "ttyACM0", "tty0", "null"})
            Put(r / "dev" / node, "");
        Put(r / "sys/class/tty/ttyS0/type", "4\n");
        Put(r / "sys/class/tty/ttyS1/type", "0\n");
        Put(r / "sys/class/tty/ttyS10/type", "4\n");
        const fs::path usb = r / "sys/devices/pci0000:00/usb1/1-2";
        Put(usb / "idVendor", "0403\n");
        Put(usb / "manufacturer", "FTDI\n");
        Put(usb / "product", "FT232R USB UART\n");
        fs::create_directories(usb / "1-2:1.0/ttyUSB0");
        Link(r / "sys/class/tty/ttyUSB0/device", "../../../devices/pci0000:00/usb1/1-2/1-2:1.0");
        Link(r / "dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "../../ttyUSB0");
        Link(r / "dev/serial/by-id/usb-Quectel_EC25-if02-port0", "../../ttyACM0");
        Link(r / "dev/serial/by-id/usb-Gone_Device-if00-port0", "../../ttyUSB9");
    }
    std::string Root() const { return dir_.Path().string(); }

    test::TempDir dir_;
};

TEST_F(MadeUpSystem, ListsPortsThatAnswerAndUsbDevicesWithTheirNamesInOrder) {
    const std::vector<SerialDevice> d = ListSerialDevices(Root());
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].path, "/dev/ttyS0");
    EXPECT_EQ(d[0].name, "встроенный последовательный порт");
    EXPECT_TRUE(d[0].stablePath.empty());
    EXPECT_EQ(d[1].path, "/dev/ttyS10");  // by number, not by text
    EXPECT_EQ(d[2].path, "/dev/ttyUSB0");
    EXPECT_EQ(d[2].name, "FTDI FT232R USB UART");
    EXPECT_EQ(d[2].stablePath, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0");
    EXPECT_EQ(d[3].path, "/dev/ttyACM0");
    EXPECT_EQ(d[3].name, "Quectel EC25");  // from the by-id name: no sysfs device
    EXPECT_EQ(d[3].stablePath, "/dev/serial/by-id/usb-Quectel_EC25-if02-port0");
}

TEST_F(MadeUpSystem, TellsAPresentDeviceFromAMissingOneAndAPortWithoutAChip) {
    EXPECT_EQ(StateOfDevice("/dev/ttyS0", Root()), DeviceState::Present);
    EXPECT_EQ(StateOfDevice("/dev/ttyS1", Root()), DeviceState::NoHardware);
    EXPECT_EQ(StateOfDevice("/dev/ttyS5", Root()), DeviceState::Missing);
    EXPECT_EQ(
        StateOfDevice("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", Root()),
        DeviceState::Present);
    EXPECT_EQ(StateOfDevice("/dev/serial/by-id/usb-Gone_Device-if00-port0", Root()),
              DeviceState::Missing);
}

TEST_F(MadeUpSystem, FindsTheListedDeviceBehindANodeOrItsByIdName) {
    const std::vector<SerialDevice> d = ListSerialDevices(Root());
    const SerialDevice* byId =
        DeviceBehind(d, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", Root());
    ASSERT_NE(byId, nullptr);
    EXPECT_EQ(byId->path, "/dev/ttyUSB0");
    EXPECT_EQ(DeviceBehind(d, "/dev/ttyACM0", Root()), &d[3]);
    EXPECT_EQ(DeviceBehind(d, "/dev/ttyS1", Root()), nullptr);
}

#ifdef __linux__
// /proc/locks names the node by the file system's device in hex and the inode.
std::string LockLine(int pid, const fs::path& node) {
    struct stat st {};
    EXPECT_EQ(::stat(node.c_str(), &st), 0);
    char line[160];
    std::snprintf(line, sizeof line, "1: FLOCK  ADVISORY  WRITE %d %02x:%02x:%lu 0 EOF\n", pid,
                  major(st.st_dev), minor(st.st_dev), static_cast<unsigned long>(st.st_ino));
    return line;
}

TEST_F(MadeUpSystem, HoldersAreFoundByTheirOpenFilesAndTheirLocksWithTheirNames) {
    const fs::path r = dir_.Path();
    Put(r / "proc/4242/comm", "minicom\n");
    Link(r / "proc/4242/fd/3", "/dev/ttyUSB0");
    Link(r / "proc/4242/fd/0", "/dev/pts/1");
    Put(r / "proc/612/comm", "ModemManager\n");
    Put(r / "proc/77/comm", "screen\n");
    Link(r / "proc/77/fd/1", "/dev/ttyACM0");
    Put(r / "proc/locks", "2: POSIX  ADVISORY  WRITE 99 00:19:1 0 EOF\n" +
                              LockLine(612, r / "dev/ttyUSB0") +
                              "3: -> FLOCK  ADVISORY  WRITE 5 00:00:0 0 EOF\n");
    const std::vector<ProcessInfo> holders =
        FindDeviceHolders("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", Root());
    EXPECT_EQ(holders, (std::vector<ProcessInfo>{{612, "ModemManager"}, {4242, "minicom"}}));
    EXPECT_EQ(FindDeviceHolders("/dev/ttyS0", Root()), std::vector<ProcessInfo>{});
    EXPECT_EQ(FindProcess("ModemManager", Root()), (ProcessInfo{612, "ModemManager"}));
    EXPECT_FALSE(FindProcess("gpsd", Root()).has_value());
}

TEST(RunningSystem, ThisProcessIsFoundHoldingAFileItLocks) {
    test::TempDir dir;
    Put(dir.Path() / "device", "");
    std::FILE* f = std::fopen((dir.Path() / "device").c_str(), "r");
    ASSERT_NE(f, nullptr);
    const std::vector<ProcessInfo> holders = FindDeviceHolders((dir.Path() / "device").string());
    std::fclose(f);
    ASSERT_EQ(holders.size(), 1u);
    EXPECT_EQ(holders[0].pid, ::getpid());
    EXPECT_EQ(holders[0].name, "test_serial_dev");  // the command name, cut to 15 bytes
}
#endif

}  // namespace
}  // namespace hk
