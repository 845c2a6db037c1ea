#include "link/Win32SerialLine.h"

#include <windows.h>

#include "base/Utf8Path.h"
#include "ports/OpenFailure.h"
#include "ports/PortNames.h"
#include "ports/SerialDevices.h"

namespace hk {
namespace {

HANDLE H(void* h) { return static_cast<HANDLE>(h); }

// What a port reports once its device has gone (a USB adapter pulled out).
bool DeviceGone(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_BAD_COMMAND ||
           error == ERROR_GEN_FAILURE || error == ERROR_DEVICE_REMOVED ||
           error == ERROR_OPERATION_ABORTED || error == ERROR_FILE_NOT_FOUND;
}

// Wine's ntdll names itself; a Windows one does not.
bool RunningUnderWine() {
    const HMODULE ntdll = ::GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

}  // namespace

Win32SerialLine::~Win32SerialLine() { DoClose(); }

bool Win32SerialLine::IsOpen() const {
    return handle_ != nullptr && H(handle_) != INVALID_HANDLE_VALUE;
}

bool Win32SerialLine::DoOpen(const std::string& portName) {
    route_ = RoutePort(homeDir_, portName);
    // A port whose mapping line nobody understood opens nothing else instead.
    if (route_.source == PortSource::Unclear) {
        SetLastError(static_cast<int>(ERROR_INVALID_NAME));
        handle_ = nullptr;
        return false;
    }
    // A mapped device's name may hold any letter: it is opened by its UTF-16 name.
    HANDLE h = ::CreateFileW(PathFromUtf8(route_.path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        SetLastError(static_cast<int>(::GetLastError()));
        handle_ = nullptr;
        return false;
    }
    handle_ = h;
    underWine_ = RunningUnderWine();
    parityAsked_ = Parity::None;
    return true;
}

void Win32SerialLine::DoClose() {
    if (IsOpen()) ::CloseHandle(H(handle_));
    handle_ = nullptr;
}

bool Win32SerialLine::DoGetParams(LineParams& params) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!IsOpen() || !::GetCommState(H(handle_), &dcb)) return false;
    params.BaudRate = static_cast<std::int32_t>(dcb.BaudRate);
    params.ByteSize = dcb.ByteSize;
    switch (dcb.Parity) {
        case ODDPARITY:
            params.Parity = Parity::Odd;
            break;
        case EVENPARITY:
            params.Parity = Parity::Even;
            break;
        case MARKPARITY:
            params.Parity = Parity::Mark;
            break;
        case SPACEPARITY:
            params.Parity = Parity::Space;
            break;
        default:
            // Wine's COM port on a pseudo-terminal keeps the mark/space and
            // odd/even choice but reads "no parity" back, as the terminal
            // never holds its parity-enable bit: there the parity asked
            // stands. A Windows driver that drops the parity is found.
            params.Parity = underWine_ ? parityAsked_ : Parity::None;
            break;
    }
    params.StopBits = dcb.StopBits == TWOSTOPBITS ? StopBits::Two : StopBits::One;
    return true;
}

bool Win32SerialLine::DoSetParams(const LineParams& params) {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!IsOpen() || !::GetCommState(H(handle_), &dcb)) return false;
    // Only these four fields change; the driver keeps all others.
    dcb.BaudRate = static_cast<DWORD>(params.BaudRate);
    dcb.ByteSize = params.ByteSize;
    switch (params.Parity) {
        case Parity::None:
            dcb.Parity = NOPARITY;
            break;
        case Parity::Odd:
            dcb.Parity = ODDPARITY;
            break;
        case Parity::Even:
            dcb.Parity = EVENPARITY;
            break;
        case Parity::Mark:
            dcb.Parity = MARKPARITY;
            break;
        case Parity::Space:
            dcb.Parity = SPACEPARITY;
            break;
    }
    dcb.StopBits = params.StopBits == StopBits::Two ? TWOSTOPBITS : ONESTOPBIT;
    parityAsked_ = params.Parity;
    // SerialLine::SetParams reads the block back (GetCommState, DoGetParams)
    // and compares: a driver may take the call and keep another parity.
    return ::SetCommState(H(handle_), &dcb) != 0;
}

bool Win32SerialLine::DoSetTimeouts(const CommTimeouts& t) {
    if (!SerialLine::DoSetTimeouts(t)) return false;
    COMMTIMEOUTS ct{};
    ct.ReadIntervalTimeout = t.ReadIntervalTimeout;
    ct.ReadTotalTimeoutMultiplier = t.ReadTotalTimeoutMultiplier;
    ct.ReadTotalTimeoutConstant = t.ReadTotalTimeoutConstant;
    ct.WriteTotalTimeoutMultiplier = t.WriteTotalTimeoutMultiplier;
    ct.WriteTotalTimeoutConstant = t.WriteTotalTimeoutConstant;
    return ::SetCommTimeouts(H(handle_), &ct) != 0;
}

bool Win32SerialLine::DoSetDtr(bool on) {
    return IsOpen() && ::EscapeCommFunction(H(handle_), on ? SETDTR : CLRDTR) != 0;
}

bool Win32SerialLine::DoSetRts(bool on) {
    return IsOpen() && ::EscapeCommFunction(H(handle_), on ? SETRTS : CLRRTS) != 0;
}

bool Win32SerialLine::DoPurgeRx() {
    return IsOpen() && ::PurgeComm(H(handle_), PURGE_RXCLEAR) != 0;
}

std::string Win32SerialLine::OpenFailureAdvice() const {
    if (IsOpen() || LastError() == 0) return {};
    if (route_.source == PortSource::Unclear) return ExplainUnclearPort(Name(), route_);
    const auto code = static_cast<unsigned long>(LastError());
    return ExplainWindowsOpenFailure(Name(), code, ListSerialDevices());
}

std::string Win32SerialLine::ErrorText(int code) const {
    char text[512] = {};
    const DWORD n =
        ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                         static_cast<DWORD>(code), 0, text, sizeof text, nullptr);
    std::string out(text, n);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
        out.pop_back();
    return out;
}

long Win32SerialLine::DoWrite(const std::uint8_t* data, std::size_t count) {
    DWORD written = 0;
    if (!IsOpen()) return -1;
    if (!::WriteFile(H(handle_), data, static_cast<DWORD>(count), &written, nullptr)) {
        if (DeviceGone(::GetLastError())) MarkHungUp();
        return -1;
    }
    // The bytes must have left the port before a parity or speed change.
    ::FlushFileBuffers(H(handle_));
    return static_cast<long>(written);
}

long Win32SerialLine::DoRead(std::uint8_t* data, std::size_t count) {
    DWORD got = 0;
    if (!IsOpen()) return -1;
    if (!::ReadFile(H(handle_), data, static_cast<DWORD>(count), &got, nullptr)) {
        if (DeviceGone(::GetLastError())) MarkHungUp();
        return -1;
    }
    return static_cast<long>(got);
}

}  // namespace hk
