#include <algorithm>
#include <cmath>

#include "adapter/Depths.h"
#include "link/Port.h"

namespace hk::adapter::detail {

bool Steps::Go() {
    if (ending_ != Ending::None) return false;
    if (context_.stop()) ending_ = Ending::Stopped;
    return ending_ == Ending::None;
}

bool Steps::Alive(SerialLine& line, const std::string& portName) {
    if (!line.HungUp()) return ending_ == Ending::None;
    if (ending_ == Ending::None) {
        ending_ = Ending::PortGone;
        message_ = PortGoneText(portName);
    }
    return false;
}

void Steps::NoWiring(const std::string& message) {
    if (ending_ != Ending::None) return;
    ending_ = Ending::NoWiring;
    message_ = message;
}

void Steps::PortFailed(const std::string& message) {
    if (ending_ != Ending::None) return;
    ending_ = Ending::PortGone;
    message_ = message;
}

LineParams Setting(int baudRate, int dataBits, Parity parity, StopBits stopBits) {
    LineParams p;
    p.BaudRate = baudRate;
    p.ByteSize = static_cast<std::uint8_t>(dataBits);
    p.Parity = parity;
    p.StopBits = stopBits;
    return p;
}

const char* ParityName(Parity parity) {
    switch (parity) {
        case Parity::Mark:
            return "MARK";
        case Parity::Space:
            return "SPACE";
        case Parity::Even:
            return "EVEN";
        case Parity::Odd:
            return "ODD";
        case Parity::None:
            break;
    }
    return "NONE";
}

std::string FormText(const LineParams& p) {
    static const char kLetters[] = {'N', 'O', 'E', 'M', 'S'};
    return std::to_string(p.ByteSize) + kLetters[static_cast<int>(p.Parity)] +
           (p.StopBits == StopBits::Two ? "2" : "1");
}

std::string SettingText(const LineParams& p) {
    return std::to_string(p.BaudRate) + " " + FormText(p);
}

double CharacterMs(const LineParams& p) {
    const int bits =
        1 + p.ByteSize + (p.Parity == Parity::None ? 0 : 1) + (p.StopBits == StopBits::Two ? 2 : 1);
    return p.BaudRate > 0 ? 1000.0 * bits / p.BaudRate : 0;
}

int ParityBitOf(Parity parity, std::uint8_t value, int bits) {
    int ones = 0;
    for (int k = 0; k < bits; ++k) ones += (value >> k) & 1;
    switch (parity) {
        case Parity::Mark:
            return 1;
        case Parity::Space:
            return 0;
        case Parity::Even:
            return ones & 1;
        case Parity::Odd:
            return (ones & 1) ^ 1;
        case Parity::None:
            break;
    }
    return 1;
}

std::vector<std::uint8_t> ReadFor(SerialLine& line, std::size_t count, int limitMs) {
    CommTimeouts t;
    t.ReadTotalTimeoutConstant = static_cast<std::uint32_t>(std::max(1, limitMs));
    line.SetTimeouts(t);
    std::vector<std::uint8_t> bytes(count);
    const long n = count == 0 ? 0 : line.Read(bytes.data(), count);
    bytes.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return bytes;
}

std::string TimeText(double ms, double characterMs) {
    const long rounded = std::lround(ms);
    return std::to_string(rounded) + " мс = " +
           CharactersText(characterMs > 0 ? ms / characterMs : 0);
}

}  // namespace hk::adapter::detail
