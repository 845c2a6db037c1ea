// The serial ports as Windows lists them (the registry's SERIALCOMM, the
// COMn names, the devices' friendly names) and what the port choices and an
// open failure say of them. Run natively and, cross-built, under Wine.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ports/OpenFailure.h"
#include "ports/PortHint.h"
#include "ports/SerialDevices.h"

namespace hk {
namespace {

TEST(WindowsPorts, EachPortOnceInNumberOrderNamedByItsDeviceOrItsDriver) {
    const std::vector<WindowsPortEntry> ports = {
        {"\\Device\\Silabser0", "COM12"},
        {"\\Device\\Serial0", "COM1"},
        {{}, "COM5"},
        {"\\Device\\VCP0", "COM5"},
        {{}, "COM12"},
        {"\\Device\\Serial1", "LPT1"},
        {{}, "COMX"},
        {{}, "COM3"},
    };
    const std::vector<std::pair<std::string, std::string>> friendly = {
        {"COM5", "USB-SERIAL CH340 (COM5)"}, {"COM9", "Bluetooth (COM9)"}};
    const std::vector<SerialDevice> d = WindowsSerialDevices(ports, friendly);
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].path, "\\\\.\\COM1");
    EXPECT_EQ(d[0].name, "встроенный последовательный порт");
    EXPECT_EQ(d[1].path, "\\\\.\\COM3");
    EXPECT_EQ(d[1].name, "последовательный порт");
    EXPECT_EQ(d[2].path, "\\\\.\\COM5");
    EXPECT_EQ(d[2].name, "USB-SERIAL CH340 (COM5)");
    EXPECT_EQ(d[3].path, "\\\\.\\COM12");
    EXPECT_EQ(d[3].name, "последовательный порт (Silabser0)");
    EXPECT_TRUE(WindowsSerialDevices({}, friendly).empty());
}

TEST(WindowsPorts, APortChoiceNamesThePortAndWhatIsThere) {
    const SerialDevice adapter{"\\\\.\\COM5", {}, "USB-SERIAL CH340 (COM5)"};
    const PortRoute route{"\\\\.\\COM5", PortSource::BuiltIn};
    EXPECT_EQ(PortItemHint("Com5", "C:\\HayesKvd\\", route, DeviceState::Present, &adapter),
              "Com5 открывает порт \\\\.\\COM5: USB-SERIAL CH340 (COM5), подключено. Правая "
              "кнопка мыши: выбрать другое устройство.");
    EXPECT_EQ(PortItemHint("Com7", "C:\\HayesKvd\\", {"\\\\.\\COM7", PortSource::BuiltIn},
                           DeviceState::Missing, nullptr),
              "Com7 открывает порт \\\\.\\COM7: устройства сейчас нет (подключите его). Правая "
              "кнопка мыши: выбрать другое устройство.");
}

TEST(WindowsPorts, APortThatIsNotThereListsThoseThatAre) {
    const std::vector<SerialDevice> present = {
        {"\\\\.\\COM1", {}, "встроенный последовательный порт"},
        {"\\\\.\\COM5", {}, "USB-SERIAL CH340 (COM5)"}};
    const std::string text = ExplainWindowsOpenFailure("Com12", 2, present);
    EXPECT_EQ(text,
              "Порта Com12 в компьютере нет: адаптер не подключён или получил другой номер. "
              "Номера портов видны в Диспетчере устройств, в разделе «Порты (COM и LPT)». "
              "Сейчас в компьютере есть:\rCOM1 — встроенный последовательный порт\rCOM5 — "
              "USB-SERIAL CH340 (COM5)");
    EXPECT_NE(ExplainWindowsOpenFailure("Com12", 3, {})
                  .find("Последовательных портов в компьютере сейчас нет"),
              std::string::npos);
    // A port held elsewhere says so, whatever is present.
    EXPECT_EQ(
        ExplainWindowsOpenFailure("Com5", 5, present).rfind("Порт Com5 занят другой программой", 0),
        0u);
}

}  // namespace
}  // namespace hk
