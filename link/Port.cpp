#include "link/Port.h"

#include <utility>

namespace hk {
namespace {

constexpr int kModemDtrPauseMs = 500;
constexpr int kLineTurnPauseMs = 2;
constexpr std::uint32_t kWriteMsPerByte = 500;
constexpr int kOpenReadTimeoutSeconds = 2;

// The error box of an opening that failed, its text kept on the link.
void OpenFailed(SerialLink& link, std::string text) {
    link.OpenFailure = std::move(text);
    link.View.ShowError(link.OpenFailure);
}

}  // namespace

std::string PortGoneText(const std::string& portName) {
    return "Порт " + portName +
           " больше не отвечает: устройство отключено от компьютера (вынут адаптер или "
           "кабель?). Подключите его и начните работу заново: порт будет открыт снова.";
}

bool OpenPort(SerialLink& link, const std::string& portName, int speedIndex,
              AddressMode addressMode) {
    SerialLine& port = link.PortHandle;
    if (link.PortOpen) {
        port.Close();
        link.PortOpen = false;
    }
    link.OpenFailure.clear();
    if (!port.Open(portName)) {
        if (port.LastError() != 0) {
            link.PortOpen = false;
            // What went wrong and what to do, then the system's own reason,
            // each on a line of its own under the text.
            const std::string advice = port.OpenFailureAdvice();
            OpenFailed(link, kOpenPortErrorText + portName + "\r" +
                                 (advice.empty() ? std::string() : advice + "\r") +
                                 port.ErrorText(port.LastError()));
        }
        return false;
    }
    link.LateAnswers = {};
    if (!SetPortSpeed(link, addressMode, speedIndex)) {
        // The adapter does not hold the settings: nothing sent over it could
        // be understood.
        OpenFailed(link, kOpenPortErrorText + portName + "\r" + port.RefusedSettingsText());
        port.Close();
        link.PortOpen = false;
        return false;
    }
    link.PortOpen = true;
    SetPortTimeouts(link, kOpenReadTimeoutSeconds, 0);

    // Results of the line-control calls are not looked at: a line that
    // refuses DTR/RTS (a pseudo-terminal) simply keeps its state.
    switch (link.Settings.LinkKind) {
        case kLinkRs232:
            port.SetDtr(false);
            port.SetRts(false);
            break;
        case kLinkLoop:
        case kLinkLoopEcho:
            port.SetDtr(true);
            port.SetRts(false);
            break;
        case kLinkModem:
            // Drop DTR for half a second between two raised periods, RTS
            // raised throughout: the modem sees a fresh terminal.
            port.SetDtr(true);
            port.SetRts(true);
            link.Clock.Sleep(kModemDtrPauseMs);
            port.SetDtr(false);
            port.SetRts(true);
            link.Clock.Sleep(kModemDtrPauseMs);
            port.SetDtr(true);
            port.SetRts(true);
            break;
        default:
            break;
    }
    return link.PortOpen;
}

bool SetPortSpeed(SerialLink& link, AddressMode addressMode, int speedIndex) {
    LineParams p{};
    link.PortHandle.GetParams(p);
    if (speedIndex >= 0 && speedIndex < static_cast<int>(BaudRates.size()))
        p.BaudRate = BaudRates[static_cast<std::size_t>(speedIndex)];
    p.ByteSize = 8;
    const TPortSettings& s = link.Settings;
    if (s.NetAddress != 0 && s.Protocol == kTraditional) {
        // The parity bit is the ninth bit that marks an address byte.
        p.StopBits = StopBits::One;
        if (s.Channel == 0)
            p.Parity = addressMode == AddressMode::On ? Parity::Mark : Parity::Space;
        else
            p.Parity = addressMode == AddressMode::On ? Parity::Even : Parity::Odd;
    } else {
        p.Parity = Parity::None;
        p.StopBits = s.LinkKind == kLinkModem ? StopBits::One : StopBits::Two;
    }
    return link.PortHandle.SetParams(p);
}

void SetPortTimeouts(SerialLink& link, int seconds, int milliseconds) {
    CommTimeouts t{};
    link.PortHandle.GetTimeouts(t);
    t.ReadIntervalTimeout = 0;
    t.ReadTotalTimeoutMultiplier = 0;
    const int total = seconds > 0 ? seconds * 1000 : milliseconds;
    t.ReadTotalTimeoutConstant = total > 0 ? static_cast<std::uint32_t>(total) : 0;
    t.WriteTotalTimeoutMultiplier = kWriteMsPerByte;
    t.WriteTotalTimeoutConstant = 0;
    link.PortHandle.SetTimeouts(t);
}

void SetReadTimeoutConstant(SerialLink& link, int milliseconds) {
    CommTimeouts t{};
    link.PortHandle.GetTimeouts(t);
    t.ReadTotalTimeoutConstant = milliseconds > 0 ? static_cast<std::uint32_t>(milliseconds) : 0;
    link.PortHandle.SetTimeouts(t);
}

void LineToSend(SerialLink& link) {
    const auto kind = link.Settings.LinkKind;
    if (kind == kLinkLoop || kind == kLinkLoopEcho) {
        link.PortHandle.SetDtr(true);
        link.PortHandle.SetRts(false);
    }
    link.Clock.Sleep(kLineTurnPauseMs);
}

void LineToReceive(SerialLink& link) {
    if (link.Settings.LinkKind == kLinkLoop) {
        link.PortHandle.SetDtr(true);
        link.PortHandle.SetRts(false);
    }
}

}  // namespace hk
