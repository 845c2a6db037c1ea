#pragma once
// The real serial port on Windows, on the communications API directly:
// "ComN" opens "\\.\ComN" with no sharing; line parameters through the
// driver's DCB (read, four fields changed, written back), time-outs through
// COMMTIMEOUTS, DTR/RTS through EscapeCommFunction, blocking ReadFile and
// WriteFile without overlapped I/O.

#include "link/SerialLine.h"
#include "ports/PortNames.h"

namespace hk {

class Win32SerialLine final : public SerialLine {
public:
    // `homeDir` (with trailing separator), the folder of the settings file,
    // holds the port mapping (ports/PortNames.h); empty: none.
    explicit Win32SerialLine(std::string homeDir = {}) : homeDir_(std::move(homeDir)) {}
    ~Win32SerialLine() override;
    Win32SerialLine(const Win32SerialLine&) = delete;
    Win32SerialLine& operator=(const Win32SerialLine&) = delete;

    bool IsOpen() const override;
    std::string ErrorText(int code) const override;
    std::string OpenFailureAdvice() const override;
    // The device path the last Open() used ("\\.\COM5").
    std::string DeviceText() const override { return route_.path; }

protected:
    bool DoOpen(const std::string& portName) override;
    void DoClose() override;
    bool DoGetParams(LineParams& params) override;
    bool DoSetParams(const LineParams& params) override;
    bool DoSetTimeouts(const CommTimeouts& timeouts) override;
    bool DoSetDtr(bool on) override;
    bool DoSetRts(bool on) override;
    bool DoPurgeRx() override;
    long DoWrite(const std::uint8_t* data, std::size_t count) override;
    long DoRead(std::uint8_t* data, std::size_t count) override;

private:
    std::string homeDir_;
    PortRoute route_;         // where the last Open() went
    void* handle_ = nullptr;  // HANDLE; INVALID_HANDLE_VALUE when closed
    // The parity last asked for: a pseudo-terminal behind Wine's COM port
    // reports no parity for one that is on (see DoGetParams).
    Parity parityAsked_ = Parity::None;
    bool underWine_ = false;
};

}  // namespace hk
