#include "link/SerialLine.h"

#include <cstring>

#include "ports/RefusedLineSettings.h"

namespace hk {
namespace {

// The refusal's text names parities by the settings' own list, in one order.
static_assert(static_cast<int>(Parity::None) == static_cast<int>(LineParity::None) &&
              static_cast<int>(Parity::Odd) == static_cast<int>(LineParity::Odd) &&
              static_cast<int>(Parity::Even) == static_cast<int>(LineParity::Even) &&
              static_cast<int>(Parity::Mark) == static_cast<int>(LineParity::Mark) &&
              static_cast<int>(Parity::Space) == static_cast<int>(LineParity::Space));

LineSetting Setting(const LineParams& p) {
    LineSetting s;
    s.baudRate = p.BaudRate;
    s.dataBits = p.ByteSize;
    s.parity = static_cast<LineParity>(p.Parity);
    s.stopBits = p.StopBits == StopBits::Two ? 2 : 1;
    return s;
}

}  // namespace

std::string SerialLine::ErrorText(int code) const { return std::strerror(code); }

bool SerialLine::Open(const std::string& portName) {
    lastError_ = 0;
    hungUp_ = false;
    refusal_.reset();
    name_ = portName;
    timeouts_ = {};
    const bool ok = DoOpen(portName);
    if (ok) DoGetParams(heldParams_);
    return ok;
}

bool SerialLine::GetParams(LineParams& params) { return DoGetParams(params); }

bool SerialLine::SetParams(const LineParams& params) {
    if (!IsOpen()) return false;
    DoSetParams(params);
    // What the line holds now decides, whatever the call said: a driver that
    // lacks a setting drops it and still reports success, and a call may
    // report a failure for a part the line never holds (PARENB on a pty).
    LineParams held{};
    if (!DoGetParams(held)) return false;
    heldParams_ = held;
    if (held == params) return true;
    refusal_ = Refusal{params, held};
    return false;
}

std::string SerialLine::RefusedSettingsText() const {
    if (!refusal_) return {};
    RefusedLineFacts facts;
    facts.portName = name_;
    facts.devicePath = DeviceText();
    facts.driver = DriverText();
    facts.asked = Setting(refusal_->asked);
    facts.held = Setting(refusal_->held);
    return ExplainRefusedLineSettings(facts);
}

bool SerialLine::GetTimeouts(CommTimeouts& timeouts) {
    if (!IsOpen()) return false;
    timeouts = timeouts_;
    return true;
}

bool SerialLine::DoSetTimeouts(const CommTimeouts& timeouts) {
    if (!IsOpen()) return false;
    timeouts_ = timeouts;
    return true;
}

long SerialLine::Write(const std::uint8_t* data, std::size_t count) {
    const long n = DoWrite(data, count);
    if (tap_ && n > 0) tap_->OnWritten({data, static_cast<std::size_t>(n)}, heldParams_);
    return n;
}

long SerialLine::Read(std::uint8_t* data, std::size_t count) {
    const long n = DoRead(data, count);
    if (tap_ && n > 0) tap_->OnRead({data, static_cast<std::size_t>(n)}, heldParams_);
    return n;
}

}  // namespace hk
