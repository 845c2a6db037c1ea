#include "link/SerialLine.h"

#include <cstring>

namespace hk {

std::string SerialLine::ErrorText(int code) const { return std::strerror(code); }

bool SerialLine::Open(const std::string& portName) {
    lastError_ = 0;
    hungUp_ = false;
    name_ = portName;
    timeouts_ = {};
    const bool ok = DoOpen(portName);
    if (ok) DoGetParams(tapParams_);
    return ok;
}

bool SerialLine::GetParams(LineParams& params) { return DoGetParams(params); }

bool SerialLine::SetParams(const LineParams& params) {
    const bool ok = DoSetParams(params);
    if (ok) tapParams_ = params;
    return ok;
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
    if (tap_ && n > 0) tap_->OnWritten({data, static_cast<std::size_t>(n)}, tapParams_);
    return n;
}

long SerialLine::Read(std::uint8_t* data, std::size_t count) {
    const long n = DoRead(data, count);
    if (tap_ && n > 0) tap_->OnRead({data, static_cast<std::size_t>(n)}, tapParams_);
    return n;
}

}  // namespace hk
