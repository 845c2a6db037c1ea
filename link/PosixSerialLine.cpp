#include "link/PosixSerialLine.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <optional>

#include "link/Clock.h"
#include "link/Deadline.h"
#include "ports/OpenFailure.h"
#include "ports/RefusedLineSettings.h"

namespace hk {
namespace {

struct BaudCode {
    std::int32_t baud;
    speed_t code;
};
constexpr BaudCode kBaudCodes[] = {
    {300, B300},   {600, B600},     {1200, B1200},   {2400, B2400},   {4800, B4800},
    {9600, B9600}, {19200, B19200}, {38400, B38400}, {57600, B57600}, {115200, B115200},
};

// Linux numbers the slave sides of pseudo-terminals with majors 136..143.
constexpr unsigned kFirstPtySlaveMajor = 136;
constexpr unsigned kLastPtySlaveMajor = 143;

bool IsPseudoTerminal(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
    const unsigned m = major(st.st_rdev);
    return m >= kFirstPtySlaveMajor && m <= kLastPtySlaveMajor;
}

// The transfers' time limits run on the monotonic clock (it keeps no state).
RealClock steadyClock;

// When a transfer of `count` bytes gives up: multiplier x count + constant
// from now; no limit when both are 0.
std::optional<Deadline> TransferLimit(std::uint32_t multiplier, std::uint32_t constant,
                                      std::size_t count) {
    const std::int64_t budget =
        std::int64_t{multiplier} * static_cast<std::int64_t>(count) + constant;
    if (budget <= 0) return std::nullopt;
    return Deadline(steadyClock, std::chrono::milliseconds(budget));
}

// Milliseconds left of `limit` (0 once it has passed), or -1 (wait for ever)
// without one.
int PollBudget(const std::optional<Deadline>& limit) {
    return limit ? static_cast<int>(limit->RemainingMs()) : -1;
}

}  // namespace

PosixSerialLine::~PosixSerialLine() { DoClose(); }

std::string PosixSerialLine::OpenFailureAdvice() const {
    if (IsOpen() || LastError() == 0) return {};
    return ExplainOpenFailure(GatherOpenFailureFacts(Name(), route_, homeDir_, LastError()));
}

std::string PosixSerialLine::DeviceText() const {
    if (fd_ < 0) return route_.path;
    const char* name = ::ttyname(fd_);
    return name ? std::string(name) : route_.path;
}

std::string PosixSerialLine::DriverText() const { return AdapterDriverName(DeviceText()); }

bool PosixSerialLine::DoOpen(const std::string& portName) {
    route_ = RoutePort(homeDir_, portName);
    // A port whose mapping line nobody understood opens nothing else instead.
    if (route_.source == PortSource::Unclear) {
        SetLastError(EINVAL);
        return false;
    }
    const int fd = ::open(route_.path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        SetLastError(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        SetLastError(errno == EWOULDBLOCK ? EBUSY : errno);
        ::close(fd);
        return false;
    }
    ::ioctl(fd, TIOCEXCL);
    termios tio{};
    if (termios_.getAttributes(fd, &tio) != 0) {
        SetLastError(errno);
        ::close(fd);
        return false;
    }
    ::cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_cflag &= ~static_cast<tcflag_t>(CRTSCTS);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    termios_.setAttributes(fd, TCSANOW, &tio);
    fd_ = fd;
    pseudoTerminal_ = IsPseudoTerminal(fd);
    parityAsked_ = false;
    return true;
}

void PosixSerialLine::DoClose() {
    if (fd_ >= 0) {
        // Exclusive mode belongs to the tty, not to this descriptor: left
        // set, it would refuse every later open by an ordinary user while
        // anything else (the far end of a pty, a getty) keeps the tty alive.
        ::ioctl(fd_, TIOCNXCL);
        ::close(fd_);  // also drops the flock
        fd_ = -1;
        parityAsked_ = false;
    }
}

bool PosixSerialLine::DoGetParams(LineParams& params) {
    termios tio{};
    if (fd_ < 0) return false;
    if (termios_.getAttributes(fd_, &tio) != 0) return NoteGone(), false;
    const speed_t code = ::cfgetospeed(&tio);
    params.BaudRate = 0;
    for (const auto& b : kBaudCodes)
        if (b.code == code) params.BaudRate = b.baud;
    switch (tio.c_cflag & CSIZE) {
        case CS5:
            params.ByteSize = 5;
            break;
        case CS6:
            params.ByteSize = 6;
            break;
        case CS7:
            params.ByteSize = 7;
            break;
        default:
            params.ByteSize = 8;
            break;
    }
    // A pseudo-terminal never holds PARENB; everywhere else it is read back.
    const bool parityOn = (tio.c_cflag & PARENB) || (pseudoTerminal_ && parityAsked_);
    if (!parityOn)
        params.Parity = Parity::None;
    else if (tio.c_cflag & CMSPAR)
        params.Parity = (tio.c_cflag & PARODD) ? Parity::Mark : Parity::Space;
    else
        params.Parity = (tio.c_cflag & PARODD) ? Parity::Odd : Parity::Even;
    params.StopBits = (tio.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
    return true;
}

bool PosixSerialLine::DoSetParams(const LineParams& params) {
    termios tio{};
    if (fd_ < 0) return false;
    if (termios_.getAttributes(fd_, &tio) != 0) return NoteGone(), false;
    speed_t code = 0;
    bool known = false;
    for (const auto& b : kBaudCodes)
        if (b.baud == params.BaudRate) {
            code = b.code;
            known = true;
        }
    if (!known) return false;
    ::cfsetispeed(&tio, code);
    ::cfsetospeed(&tio, code);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE);
    switch (params.ByteSize) {
        case 5:
            tio.c_cflag |= CS5;
            break;
        case 6:
            tio.c_cflag |= CS6;
            break;
        case 7:
            tio.c_cflag |= CS7;
            break;
        default:
            tio.c_cflag |= CS8;
            break;
    }
    tio.c_cflag &= ~static_cast<tcflag_t>(PARENB | PARODD | CMSPAR);
    switch (params.Parity) {
        case Parity::None:
            break;
        case Parity::Odd:
            tio.c_cflag |= PARENB | PARODD;
            break;
        case Parity::Even:
            tio.c_cflag |= PARENB;
            break;
        case Parity::Mark:
            tio.c_cflag |= PARENB | CMSPAR | PARODD;
            break;
        case Parity::Space:
            tio.c_cflag |= PARENB | CMSPAR;
            break;
    }
    if (params.StopBits == StopBits::Two)
        tio.c_cflag |= CSTOPB;
    else
        tio.c_cflag &= ~static_cast<tcflag_t>(CSTOPB);
    parityAsked_ = params.Parity != Parity::None;
    // 0 says only that some part of the change took, and the C library
    // reports a pty's dropped PARENB as EINVAL: SetParams judges by what it
    // reads back.
    if (termios_.setAttributes(fd_, TCSANOW, &tio) == 0) return true;
    NoteGone();
    return false;
}

void PosixSerialLine::NoteGone() {
    // A setting that fails because the adapter was pulled out is no setting
    // the adapter refused: the line has gone.
    if (errno == EIO || errno == ENXIO || errno == ENODEV) MarkHungUp();
}

bool PosixSerialLine::SetModemLine(int bit, bool on) {
    if (fd_ < 0) return false;
    return ::ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bit) == 0;
}

bool PosixSerialLine::DoSetDtr(bool on) { return SetModemLine(TIOCM_DTR, on); }
bool PosixSerialLine::DoSetRts(bool on) { return SetModemLine(TIOCM_RTS, on); }

bool PosixSerialLine::DoSetParityCheck(bool on) {
    termios tio{};
    if (fd_ < 0 || termios_.getAttributes(fd_, &tio) != 0) return false;
    // PARMRK marks a byte with a parity or framing error as FF 00 <byte>
    // and doubles a genuine FF; IGNPAR and ISTRIP would hide them.
    if (on) {
        tio.c_iflag |= INPCK | PARMRK;
        tio.c_iflag &= ~static_cast<tcflag_t>(IGNPAR | ISTRIP);
    } else {
        tio.c_iflag &= ~static_cast<tcflag_t>(INPCK | PARMRK);
    }
    if (termios_.setAttributes(fd_, TCSANOW, &tio) != 0) return false;
    termios held{};
    return termios_.getAttributes(fd_, &held) == 0 &&
           ((held.c_iflag & (INPCK | PARMRK)) == (on ? (INPCK | PARMRK) : 0));
}

bool PosixSerialLine::DoPurgeRx() { return fd_ >= 0 && ::tcflush(fd_, TCIFLUSH) == 0; }

long PosixSerialLine::DoWrite(const std::uint8_t* data, std::size_t count) {
    if (fd_ < 0) return -1;
    const std::optional<Deadline> limit = TransferLimit(timeouts_.WriteTotalTimeoutMultiplier,
                                                        timeouts_.WriteTotalTimeoutConstant, count);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) {
            if (errno == EIO || errno == ENXIO || errno == ENODEV) MarkHungUp();
            return -1;
        }
        pollfd p{fd_, POLLOUT, 0};
        const int wait = PollBudget(limit);
        if (wait == 0) break;
        if (::poll(&p, 1, wait) < 0 && errno != EINTR) return -1;
    }
    // Bytes must have left the port before a parity or speed change follows.
    ::tcdrain(fd_);
    return static_cast<long>(done);
}

long PosixSerialLine::DoRead(std::uint8_t* data, std::size_t count) {
    if (fd_ < 0) return -1;
    const std::optional<Deadline> limit = TransferLimit(timeouts_.ReadTotalTimeoutMultiplier,
                                                        timeouts_.ReadTotalTimeoutConstant, count);
    std::size_t done = 0;
    // The far end has gone: what came is returned, otherwise the read fails
    // at once (waiting for bytes that cannot come only burns the window's time).
    const auto gone = [&] {
        MarkHungUp();
        return done > 0 ? static_cast<long>(done) : -1L;
    };
    bool hangUpSeen = false;
    while (done < count) {
        const ssize_t n = ::read(fd_, data + done, count - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        // In raw mode without a minimum an empty line reads as 0 bytes (or
        // EAGAIN); only poll() tells a hang-up from silence. After a hang-up
        // the bytes that came before it are read, then the read ends.
        if (hangUpSeen) return gone();
        if (n < 0 && (errno == EIO || errno == ENXIO || errno == ENODEV)) return gone();
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return done > 0 ? static_cast<long>(done) : -1;
        const int wait = PollBudget(limit);
        if (wait == 0) break;
        pollfd p{fd_, POLLIN, 0};
        const int r = ::poll(&p, 1, wait);
        if (r < 0 && errno != EINTR) return done > 0 ? static_cast<long>(done) : -1;
        if (r > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) hangUpSeen = true;
    }
    return static_cast<long>(done);
}

}  // namespace hk
