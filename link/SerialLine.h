#pragma once
// The serial line seam: exactly the operations the port routines need.
// Implementations: PosixSerialLine (the real port), SimLine (tests).
//
// Contract:
//  - Open() opens a port by its list name ("Com1" ... "Com18"), exclusively;
//    on failure LastError() holds the system's error code (0 = none given).
//  - Write() blocks until its bytes have left the port (drain), so that a
//    parity or speed change after it never applies to bytes still queued.
//    It gives up after WriteTotalTimeoutMultiplier x n + Constant ms
//    (no limit when both are 0) and returns the count written, -1 on failure.
//  - Read() of n bytes returns when n bytes have arrived or the total read
//    time-out (ReadTotalTimeoutMultiplier x n + Constant ms) has expired,
//    whichever comes first: a time-out is not an error, it returns fewer
//    bytes. -1 on failure (port not open).
//  - Every byte written and read is shown to the TrafficTap, with the line
//    parameters in force.
//  - A line whose far end has gone (an adapter pulled out, a terminal hung
//    up) ends reads and writes at once with -1 and reports HungUp() until it
//    is opened again; nothing waits out a time-out on a dead line.
//  - SetParityCheck(true) has received bytes checked against the parity
//    (and stop bit) in force: a byte that fails reads as the three bytes
//    FF 00 <byte>, and a byte FF that passes as FF FF (the marks of POSIX's
//    PARMRK). False where the backend cannot mark them; input is then not
//    checked. Opening the port turns it off.
//  - SetParams() reads the settings back after each change (GetCommState
//    after SetCommState, tcgetattr after tcsetattr): a driver that drops a
//    setting it lacks (mark/space parity on some USB adapters) still reports
//    success. A difference makes SetParams() false and is kept, with what
//    was asked and what the line holds, until the port is opened again
//    (SettingsRefused()). GetParams() reports what the line holds.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace hk {

enum class Parity : std::uint8_t { None, Odd, Even, Mark, Space };
enum class StopBits : std::uint8_t { One, Two };

// The line's settings; the fields bear the names of the Windows device
// control block they are set through there.
struct LineParams {
    std::int32_t BaudRate = 9600;
    std::uint8_t ByteSize = 8;
    hk::Parity Parity = hk::Parity::None;
    hk::StopBits StopBits = hk::StopBits::One;
    bool operator==(const LineParams&) const = default;
};

// The time-out block of a port, in milliseconds.
struct CommTimeouts {
    std::uint32_t ReadIntervalTimeout = 0;
    std::uint32_t ReadTotalTimeoutMultiplier = 0;
    std::uint32_t ReadTotalTimeoutConstant = 0;
    std::uint32_t WriteTotalTimeoutMultiplier = 0;
    std::uint32_t WriteTotalTimeoutConstant = 0;
    bool operator==(const CommTimeouts&) const = default;
};

class TrafficTap {
public:
    virtual ~TrafficTap() = default;
    virtual void OnWritten(std::span<const std::uint8_t> bytes, const LineParams& params) = 0;
    virtual void OnRead(std::span<const std::uint8_t> bytes, const LineParams& params) = 0;
};

class SerialLine {
public:
    virtual ~SerialLine() = default;

    bool Open(const std::string& portName);
    void Close() {
        DoClose();
        hungUp_ = false;
        refusal_.reset();
    }
    virtual bool IsOpen() const = 0;
    int LastError() const { return lastError_; }
    // The system's own text for an error code of this backend.
    virtual std::string ErrorText(int code) const;
    // What the operator can do about the last failed Open(), in Russian
    // (UTF-8): the likely cause and the remedy; empty when nothing is known.
    virtual std::string OpenFailureAdvice() const { return {}; }
    // The list name the port was last opened by ("Com2").
    const std::string& Name() const { return name_; }
    // The far end has gone since the port was opened.
    bool HungUp() const { return hungUp_; }

    bool GetParams(LineParams& params);
    bool SetParams(const LineParams& params);
    // What the line held at Open() or at the last SetParams(), as read back
    // then: no call to the system.
    const LineParams& HeldParams() const { return heldParams_; }
    // A change of settings the line did not take, since the last Open().
    struct Refusal {
        LineParams asked;
        LineParams held;
    };
    bool SettingsRefused() const { return refusal_.has_value(); }
    // The port has gone, or holds other settings than asked: no exchange on
    // it can find anything.
    bool Unusable() const { return hungUp_ || refusal_.has_value(); }
    const std::optional<Refusal>& RefusedSettings() const { return refusal_; }
    // The operator's message for a refusal (Russian, UTF-8): the port, its
    // device and driver where the system names them, what was refused and
    // what to do (ports/RefusedLineSettings.h). Empty without a refusal.
    std::string RefusedSettingsText() const;
    bool GetTimeouts(CommTimeouts& timeouts);
    bool SetTimeouts(const CommTimeouts& timeouts) { return DoSetTimeouts(timeouts); }
    bool SetDtr(bool on) { return DoSetDtr(on); }
    bool SetRts(bool on) { return DoSetRts(on); }
    bool PurgeRx() { return DoPurgeRx(); }
    bool SetParityCheck(bool on) { return IsOpen() && DoSetParityCheck(on); }

    long Write(const std::uint8_t* data, std::size_t count);
    long Read(std::uint8_t* data, std::size_t count);
    long Write(std::span<const std::uint8_t> bytes) { return Write(bytes.data(), bytes.size()); }

    void SetTap(TrafficTap* tap) { tap_ = tap; }

    // The device behind the open port and its driver, as the system names
    // them ("/dev/ttyUSB0", "ch341-uart"); empty where it names none.
    virtual std::string DeviceText() const { return {}; }
    virtual std::string DriverText() const { return {}; }

protected:
    void SetLastError(int code) { lastError_ = code; }
    void MarkHungUp() { hungUp_ = true; }

    virtual bool DoOpen(const std::string& portName) = 0;
    virtual void DoClose() = 0;
    virtual bool DoGetParams(LineParams& params) = 0;
    // Its result is only the system's word: SetParams() reads the line back
    // (DoGetParams) and decides by what the line holds.
    virtual bool DoSetParams(const LineParams& params) = 0;
    // Stores the time-outs that DoRead/DoWrite apply.
    virtual bool DoSetTimeouts(const CommTimeouts& timeouts);
    virtual bool DoSetDtr(bool on) = 0;
    virtual bool DoSetRts(bool on) = 0;
    virtual bool DoPurgeRx() = 0;
    // Marks bytes received with a parity or framing error; false where the
    // backend cannot.
    virtual bool DoSetParityCheck(bool on) { return !on; }
    virtual long DoWrite(const std::uint8_t* data, std::size_t count) = 0;
    virtual long DoRead(std::uint8_t* data, std::size_t count) = 0;

    // The time-outs last set; both backends apply them in DoRead/DoWrite.
    CommTimeouts timeouts_{};

private:
    int lastError_ = 0;
    bool hungUp_ = false;
    std::optional<Refusal> refusal_;
    std::string name_;
    TrafficTap* tap_ = nullptr;
    LineParams heldParams_{};
};

}  // namespace hk
