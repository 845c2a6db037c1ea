// Line settings that the adapter did not take: the operator's message from
// the facts alone (the port, the device, its driver from /sys, what was
// refused), and a controller job on a line without mark/space parity on the
// virtual clock: it ends with that message before an address byte goes out
// with the wrong ninth bit, while FT1.2 on the same line works.

#include <gtest/gtest.h>

#include <filesystem>

#include "ports/RefusedLineSettings.h"
#include "support/ControllerFakes.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

const std::string kMarkSpaceText =
    "адаптер не поддерживает чётность MARK/SPACE, нужную для адресного байта сетевого номера";

RefusedLineFacts Facts(LineSetting asked, LineSetting held) {
    RefusedLineFacts f;
    f.portName = "Com1";
    f.devicePath = "/dev/ttyUSB0";
    f.driver = "ch341-uart";
    f.asked = asked;
    f.held = held;
    return f;
}

TEST(RefusedSettings, TheDriverIsTheNameOfTheDevicesDriverLink) {
    test::TempDir root;
    const fs::path device = root.Path() / "sys/class/tty/ttyUSB0/device";
    fs::create_directories(device);
    fs::create_directories(root.Path() / "sys/bus/usb-serial/drivers/ch341-uart");
    fs::create_directory_symlink("../../../../bus/usb-serial/drivers/ch341-uart",
                                 device / "driver");
    const std::string r = root.Path().string();
    EXPECT_EQ(AdapterDriverName("/dev/ttyUSB0", r), "ch341-uart");
    EXPECT_EQ(AdapterDriverName("/dev/pts/3", r), "");  // a pseudo-terminal has none
    EXPECT_EQ(AdapterDriverName("", r), "");
}

TEST(RefusedSettings, EachRefusalInWordsWithWhatToDo) {
    const LineSetting mark{9600, 8, LineParity::Mark, 1};
    EXPECT_EQ(ExplainRefusedLineSettings(Facts(mark, {9600, 8, LineParity::Odd, 1})),
              "Порт Com1 (/dev/ttyUSB0, драйвер ch341-uart): " + kMarkSpaceText +
                  ". Работа прекращена: с такими настройками линии КВАРД не ответит. Подключите "
                  "адаптер, который её поддерживает, или работайте с КВАРД по протоколу FT1.2 "
                  "либо с сетевым номером 0: тогда адресный байт не нужен.");

    RefusedLineFacts unknown =
        Facts({9600, 8, LineParity::Even, 1}, {9600, 8, LineParity::None, 1});
    unknown.devicePath.clear();
    unknown.driver.clear();
    EXPECT_EQ(ExplainRefusedLineSettings(unknown).rfind(
                  "Порт Com1: адаптер не поддерживает контроль чётности (чёт/нечет)", 0),
              0u);

    const std::string speed = ExplainRefusedLineSettings(
        Facts({300, 8, LineParity::None, 2}, {1200, 8, LineParity::None, 1}));
    EXPECT_NE(speed.find("адаптер не поддерживает скорость 300 бод (установилась 1200 бод); "
                         "адаптер не поддерживает два стоповых бита."),
              std::string::npos)
        << speed;
    EXPECT_NE(speed.find("Выберите другую скорость или подключите другой адаптер."),
              std::string::npos);
}

sim::KvardOptions Controller(sim::KvardFraming framing) {
    sim::KvardOptions o;
    o.framing = framing;
    o.netNumber = 5;
    return o;
}

TEST(RefusedSettings, AJobOnALineWithoutMarkSpaceParityEndsWithTheMessage) {
    test::ControllerWorld w(Controller(sim::KvardFraming::Traditional));
    w.line.LackMarkSpaceParity();
    w.job.Search();
    ASSERT_EQ(w.view.script.boxes.size(), 1u);
    EXPECT_EQ(w.view.script.boxes[0].text,
              "Порт Com1: " + kMarkSpaceText +
                  ". Работа прекращена: с такими настройками линии КВАРД не ответит. Подключите "
                  "адаптер, который её поддерживает, или работайте с КВАРД по протоколу FT1.2 "
                  "либо с сетевым номером 0: тогда адресный байт не нужен.");
    EXPECT_TRUE(w.line.WrittenBytes().empty());  // no address byte with the wrong ninth bit
    EXPECT_TRUE(w.kvard.AddressBytes().empty());
    EXPECT_FALSE(w.state.PortReady);
    EXPECT_EQ(w.view.speedLabel, "Скорость обмена  не установлена");

    // FT1.2 frames carry the number: the same line serves them.
    test::ControllerWorld ft12(Controller(sim::KvardFraming::Ft12));
    ft12.line.LackMarkSpaceParity();
    ft12.job.Search();
    EXPECT_TRUE(ft12.view.script.boxes.empty());
    EXPECT_EQ(ft12.view.closed, 1);  // read and closed
}

}  // namespace
}  // namespace hk
