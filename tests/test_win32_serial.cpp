// The Windows serial backend on a real port: run under Wine with a COM port
// that Wine maps to a pseudo-terminal served by the simulated Hayes modem
// (scripts/windows-tests.sh names it in HK_WINE_MODEM_PORT). Without that
// port only the failures are tested.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "link/Port.h"
#include "link/Win32SerialLine.h"
#include "ports/SerialDevices.h"
#include "support/ScriptedView.h"

namespace hk {
namespace {

std::string ModemPort() {
    const char* port = std::getenv("HK_WINE_MODEM_PORT");
    return port ? port : "";
}

// Reads what arrives until `expected` has come or a second has passed.
std::string ReadUntil(SerialLine& line, const std::string& expected) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (got.find(expected) == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        std::uint8_t byte = 0;
        if (line.Read(&byte, 1) == 1) got += static_cast<char>(byte);
    }
    return got;
}

TEST(Win32Port, AModemLinkOpensSetsItsLineAndTalksToTheModem) {
    const std::string port = ModemPort();
    if (port.empty()) GTEST_SKIP() << "no COM port mapped to the simulated modem";
    Win32SerialLine line;
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    link.Settings.LinkKind = kLinkModem;
    ASSERT_TRUE(OpenPort(link, port, 5, AddressMode::On))
        << (view.boxes.empty() ? "" : view.boxes[0].text);
    LineParams params;
    ASSERT_TRUE(line.GetParams(params));
    EXPECT_EQ(params.BaudRate, 9600);
    EXPECT_EQ(params.ByteSize, 8);
    EXPECT_EQ(params.Parity, Parity::None);
    EXPECT_EQ(params.StopBits, StopBits::One);

    SetPortTimeouts(link, 0, 20);
    line.PurgeRx();
    const std::uint8_t at[] = {'A', 'T', '\r'};
    ASSERT_EQ(line.Write(at, sizeof at), 3);
    EXPECT_NE(ReadUntil(line, "OK\r\n").find("OK\r\n"), std::string::npos);
    line.Close();
}

// The address byte's mark parity and the data's space parity are asked
// for and read back as asked; the plain modem setting after them as well.
TEST(Win32Port, MarkAndSpaceParityAreReadBackAsAsked) {
    const std::string port = ModemPort();
    if (port.empty()) GTEST_SKIP() << "no COM port mapped to the simulated modem";
    Win32SerialLine line;
    ASSERT_TRUE(line.Open(port));
    for (Parity parity : {Parity::Mark, Parity::Space, Parity::None}) {
        LineParams asked;
        asked.BaudRate = 9600;
        asked.ByteSize = 8;
        asked.Parity = parity;
        asked.StopBits = StopBits::One;
        EXPECT_TRUE(line.SetParams(asked)) << static_cast<int>(parity);
        LineParams held;
        ASSERT_TRUE(line.GetParams(held));
        EXPECT_EQ(held.Parity, parity);
    }
    line.Close();
}

TEST(Win32Port, TheMappedPortIsListedAmongTheComputersPorts) {
    const std::string port = ModemPort();
    if (port.empty()) GTEST_SKIP() << "no COM port mapped to the simulated modem";
    const std::vector<SerialDevice> devices = ListSerialDevices();
    const SerialDevice* found = DeviceBehind(devices, "\\\\.\\" + port);
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(StateOfDevice("\\\\.\\" + port), DeviceState::Present);
}

TEST(Win32Port, APortThatIsNotThereShowsTheReasonInRussianThenTheSystemsText) {
    Win32SerialLine line;
    RealClock clock;
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    EXPECT_FALSE(OpenPort(link, "Com77", 5, AddressMode::On));
    ASSERT_EQ(view.boxes.size(), 1u);
    const std::string& text = view.boxes[0].text;
    EXPECT_EQ(text.rfind(
                  "Ошибка открытия последовательного порта Com77\rПорта Com77 в компьютере нет", 0),
              0u)
        << text;
    EXPECT_EQ(text.substr(text.rfind('\r') + 1), line.ErrorText(line.LastError()));
    EXPECT_EQ(StateOfDevice("\\\\.\\Com77"), DeviceState::Missing);
}

}  // namespace
}  // namespace hk
