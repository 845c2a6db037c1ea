#pragma once
// The real serial port on Linux and other POSIX systems, on termios directly:
// it gives the exact blocking semantics the exchanges rely on (a read of n
// bytes with one total time-out, a write that drains before it returns,
// mark and space parity through CMSPAR) without an event loop underneath.
//
// The port is opened exclusively twice over: TIOCEXCL refuses other openers
// of the tty (except privileged ones) and an advisory flock() refuses every
// other program that locks its port the same way, root included. Closing
// clears TIOCEXCL again, so that the next open (this program's or another's)
// is not refused for a tty that outlives the descriptor.
//
// A hang-up (end of file on the tty, EIO, POLLHUP) marks the line as gone
// and ends the read or write at once.
// It is put into raw (binary) mode on opening, the counterpart of the
// always-binary ports of Windows; flow control and input parity checking stay
// off, as the driver's defaults of the original platform. Only the adapter
// check turns parity checking on (INPCK with PARMRK), to see the ninth bit
// a second adapter sends.
//
// The settings are read back after each change (tcgetattr after tcsetattr,
// whose 0 only says that some part of the change took): a USB adapter whose
// driver has no mark/space parity clears CMSPAR, and GetParams() then
// reports the odd or even parity the line really sends. A pseudo-terminal
// keeps speed, stop bits, CMSPAR and PARODD but always drops PARENB (and
// forces 8 data bits): on a pty alone PARENB counts as what this port last
// set, so a far end on a pty tells mark from space and odd from even by
// CMSPAR and PARODD, and a pty that dropped CMSPAR would still show.

#include <termios.h>

#include "link/SerialLine.h"
#include "ports/PortNames.h"

namespace hk {

// The termios calls the line makes on its descriptor: the system's, or a
// test's own (a driver that drops a setting).
struct TermiosCalls {
    int (*getAttributes)(int fd, termios* tio) = ::tcgetattr;
    int (*setAttributes)(int fd, int action, const termios* tio) = ::tcsetattr;
};

class PosixSerialLine final : public SerialLine {
public:
    // `homeDir` (with trailing separator), the folder of the settings file,
    // holds the port mapping and the ports/ folder (ports/PortNames.h).
    explicit PosixSerialLine(std::string homeDir, TermiosCalls calls = {})
        : homeDir_(std::move(homeDir)), termios_(calls) {}
    ~PosixSerialLine() override;
    PosixSerialLine(const PosixSerialLine&) = delete;
    PosixSerialLine& operator=(const PosixSerialLine&) = delete;

    bool IsOpen() const override { return fd_ >= 0; }
    // The device path the last Open() used.
    const std::string& DevicePath() const { return route_.path; }
    // Why the last Open() failed and what to do (ports/OpenFailure.h).
    std::string OpenFailureAdvice() const override;

    // The tty the descriptor is ("/dev/ttyUSB0", "/dev/pts/3") and its
    // driver from /sys ("ch341-uart").
    std::string DeviceText() const override;
    std::string DriverText() const override;

protected:
    bool DoOpen(const std::string& portName) override;
    void DoClose() override;
    bool DoGetParams(LineParams& params) override;
    bool DoSetParams(const LineParams& params) override;
    bool DoSetDtr(bool on) override;
    bool DoSetRts(bool on) override;
    bool DoPurgeRx() override;
    bool DoSetParityCheck(bool on) override;
    // Marks the line hung up when the last call's errno says the device went.
    void NoteGone();
    long DoWrite(const std::uint8_t* data, std::size_t count) override;
    long DoRead(std::uint8_t* data, std::size_t count) override;

private:
    bool SetModemLine(int bit, bool on);

    std::string homeDir_;
    TermiosCalls termios_;
    PortRoute route_;
    int fd_ = -1;
    bool pseudoTerminal_ = false;  // holds no PARENB
    bool parityAsked_ = false;     // the last settings asked had parity on
};

}  // namespace hk
