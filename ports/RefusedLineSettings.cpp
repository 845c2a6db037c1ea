#include "ports/RefusedLineSettings.h"

#include <filesystem>
#include <system_error>
#include <vector>

namespace hk {
namespace {

namespace fs = std::filesystem;

bool MarkOrSpace(LineParity p) { return p == LineParity::Mark || p == LineParity::Space; }
bool OddOrEven(LineParity p) { return p == LineParity::Odd || p == LineParity::Even; }

// "Порт Com1 (/dev/ttyUSB0, драйвер ch341-uart)".
std::string PortText(const RefusedLineFacts& f) {
    std::string inner = f.devicePath;
    if (!f.driver.empty())
        inner += (inner.empty() ? "" : ", ") + std::string("драйвер ") + f.driver;
    return "Порт " + f.portName + (inner.empty() ? std::string() : " (" + inner + ")");
}

std::string StopBitsText(int bits) { return bits == 2 ? "два стоповых бита" : "один стоповый бит"; }

}  // namespace

std::string AdapterDriverName(const std::string& devicePath, const std::string& root) {
    const std::string name = fs::path(devicePath).filename().string();
    if (name.empty()) return {};
    std::error_code ec;
    const fs::path driver =
        fs::read_symlink(root + "/sys/class/tty/" + name + "/device/driver", ec);
    return ec ? std::string() : driver.filename().string();
}

std::string ExplainRefusedLineSettings(const RefusedLineFacts& f) {
    const LineSetting& a = f.asked;
    const LineSetting& h = f.held;
    std::vector<std::string> refused;
    std::string remedy = "Подключите другой адаптер.";
    if (a.parity != h.parity) {
        if (MarkOrSpace(a.parity)) {
            refused.push_back(
                "адаптер не поддерживает чётность MARK/SPACE, нужную для адресного байта "
                "сетевого номера");
            remedy =
                "Подключите адаптер, который её поддерживает, или работайте с КВАРД по протоколу "
                "FT1.2 либо с сетевым номером 0: тогда адресный байт не нужен.";
        } else if (OddOrEven(a.parity)) {
            refused.push_back(
                "адаптер не поддерживает контроль чётности (чёт/нечет), нужный для адресного "
                "байта сетевого номера");
            remedy =
                "Подключите адаптер, который его поддерживает, или работайте с КВАРД по "
                "протоколу FT1.2 либо с сетевым номером 0: тогда адресный байт не нужен.";
        } else {
            refused.push_back("адаптер не отключает контроль чётности");
        }
    }
    if (a.baudRate != h.baudRate) {
        refused.push_back("адаптер не поддерживает скорость " + std::to_string(a.baudRate) +
                          " бод" +
                          (h.baudRate > 0 ? " (установилась " + std::to_string(h.baudRate) + " бод)"
                                          : std::string()));
        if (refused.size() == 1) remedy = "Выберите другую скорость или подключите другой адаптер.";
    }
    if (a.dataBits != h.dataBits)
        refused.push_back("адаптер не поддерживает " + std::to_string(a.dataBits) + " бит данных");
    if (a.stopBits != h.stopBits)
        refused.push_back("адаптер не поддерживает " + StopBitsText(a.stopBits));
    if (refused.empty()) refused.push_back("адаптер не принял настройки линии");

    std::string text = PortText(f) + ": ";
    for (std::size_t i = 0; i < refused.size(); ++i) text += (i > 0 ? "; " : "") + refused[i];
    return text + ". Работа прекращена: с такими настройками линии КВАРД не ответит. " + remedy;
}

}  // namespace hk
