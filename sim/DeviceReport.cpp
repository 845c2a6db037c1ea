#include "sim/DeviceReport.h"

namespace hk::sim {
namespace {

constexpr int kRestartRequest = 0x08;

std::string Hex(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (const std::uint8_t b : bytes) {
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

template <typename Register>
std::string Registers(Register value) {
    std::string text;
    for (int n = 0; n < HayesModem::kRegisterCount; ++n)
        text += (n ? "," : "") + std::to_string(value(n));
    return text;
}

}  // namespace

std::string DescribeController(const KvardController& controller) {
    const KvardOptions& o = controller.Options();
    const std::string number = std::to_string(o.netNumber);
    std::string text = "controller " + number + " kit " + std::to_string(static_cast<int>(o.kit)) +
                       " baud " + std::to_string(o.baudRate) + " restarts " +
                       std::to_string(controller.CountRequests(kRestartRequest)) + "\n";
    for (std::size_t i = 0; i < controller.BufferCount(); ++i)
        text +=
            "buffer " + number + " " + std::to_string(i) + " " + Hex(controller.Buffer(i)) + "\n";
    return text;
}

std::string DescribeModem(const HayesModem& modem) {
    return "modem commands " + std::to_string(modem.CommandLines().size()) + " echo " +
           std::to_string(modem.Echo() ? 1 : 0) + " verbose " +
           std::to_string(modem.Verbose() ? 1 : 0) + "\n" + "modem active " +
           Registers([&](int n) { return modem.Register(n); }) + "\n" + "modem stored " +
           Registers([&](int n) { return modem.StoredRegister(n); }) + "\n";
}

}  // namespace hk::sim
