#include "sim/PtyBridge.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "link/Clock.h"

namespace hk::sim {
namespace {

// The demo runs in real time on the program's own monotonic clock.
std::int64_t SteadyMs() { return RealClock().NowMs(); }

}  // namespace

PtyBridge::~PtyBridge() {
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
}

bool PtyBridge::Start(std::string& error) {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error = std::string("pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(master_);
    if (!name) {
        error = std::string("ptsname: ") + std::strerror(errno);
        return false;
    }
    slavePath_ = name;
    // Keep the slave open so that the master never reads end-of-file while
    // the program reopens its port, and make it raw until the program does.
    slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        error = std::string("open ") + name + ": " + std::strerror(errno);
        return false;
    }
    termios tio{};
    if (::tcgetattr(slave_, &tio) == 0) {
        ::cfmakeraw(&tio);
        ::tcsetattr(slave_, TCSANOW, &tio);
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    return true;
}

bool PtyBridge::LinkAs(const std::string& linkPath, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::create_directories(fs::path(linkPath).parent_path(), ec);
    fs::remove(linkPath, ec);
    fs::create_symlink(slavePath_, linkPath, ec);
    if (ec) {
        error = linkPath + ": " + ec.message();
        return false;
    }
    return true;
}

LineParams PtyBridge::CurrentParams() const {
    LineParams p{};
    termios tio{};
    // On a pseudo-terminal the master reports the slave's settings.
    if (::tcgetattr(master_, &tio) != 0) return p;
    static const struct {
        speed_t code;
        std::int32_t baud;
    } kSpeeds[] = {{B300, 300},     {B600, 600},      {B1200, 1200},   {B2400, 2400},
                   {B4800, 4800},   {B9600, 9600},    {B19200, 19200}, {B38400, 38400},
                   {B57600, 57600}, {B115200, 115200}};
    const speed_t code = ::cfgetospeed(&tio);
    p.BaudRate = 0;
    for (const auto& s : kSpeeds)
        if (s.code == code) p.BaudRate = s.baud;
    p.ByteSize = (tio.c_cflag & CSIZE) == CS7 ? 7 : 8;
    // A pseudo-terminal drops PARENB but keeps CMSPAR and PARODD, so those
    // two decide: mark, space and odd come through; even reads as none.
    const bool odd = tio.c_cflag & PARODD;
    if (tio.c_cflag & CMSPAR)
        p.Parity = odd ? Parity::Mark : Parity::Space;
    else if (odd)
        p.Parity = Parity::Odd;
    else
        p.Parity = (tio.c_cflag & PARENB) ? Parity::Even : Parity::None;
    p.StopBits = (tio.c_cflag & CSTOPB) ? StopBits::Two : StopBits::One;
    return p;
}

void PtyBridge::OnReadable() {
    std::uint8_t buf[256];
    for (;;) {
        const ssize_t n = ::read(master_, buf, sizeof buf);
        if (n <= 0) return;
        const LineParams params = CurrentParams();
        for (ssize_t i = 0; i < n; ++i) peer_.OnByte(buf[i], params, *this);
    }
}

int PtyBridge::FlushDue() {
    // What the peer sends of its own accord before the next round.
    peer_.Tick(SteadyMs() + 50, *this);
    const std::int64_t now = SteadyMs();
    std::size_t k = 0;
    std::vector<std::uint8_t> out;
    while (k < due_.size() && due_[k].atMs <= now) out.push_back(due_[k++].value);
    if (!out.empty()) {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t n = ::write(master_, out.data() + done, out.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
            } else if (n < 0 && errno == EAGAIN) {
                pollfd p{master_, POLLOUT, 0};
                ::poll(&p, 1, 10);
            } else {
                break;
            }
        }
        due_.erase(due_.begin(), due_.begin() + static_cast<std::ptrdiff_t>(k));
    }
    if (due_.empty()) return -1;
    return static_cast<int>(std::max<std::int64_t>(0, due_.front().atMs - now));
}

std::int64_t PtyBridge::NowMs() { return SteadyMs(); }

void PtyBridge::Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) {
    std::int64_t at = SteadyMs() + std::max(0, delayMs);
    for (std::uint8_t b : bytes) {
        const auto pos = std::upper_bound(due_.begin(), due_.end(), at,
                                          [](std::int64_t t, const Due& d) { return t < d.atMs; });
        due_.insert(pos, Due{at, b});
        at += std::max(0, spacingMs);
    }
}

void ServeBridges(const std::vector<PtyBridge*>& bridges, const std::atomic<bool>& stop,
                  const std::function<void()>& afterRound) {
    std::vector<pollfd> fds(bridges.size());
    int wait = 50;
    while (!stop.load()) {
        for (std::size_t i = 0; i < bridges.size(); ++i)
            fds[i] = pollfd{bridges[i]->MasterFd(), POLLIN, 0};
        ::poll(fds.data(), fds.size(), wait);
        wait = 50;
        for (std::size_t i = 0; i < bridges.size(); ++i) {
            if (fds[i].revents & POLLIN) bridges[i]->OnReadable();
            const int next = bridges[i]->FlushDue();
            if (next >= 0) wait = std::min(wait, next);
        }
        if (afterRound) afterRound();
    }
}

ServedPty::ServedPty(SimPeer& peer, const std::string& linkPath)
    : bridge_(std::make_unique<PtyBridge>(peer)) {
    started_ = bridge_->Start(error_) && (linkPath.empty() || bridge_->LinkAs(linkPath, error_));
    slavePath_ = bridge_->SlavePath();
    if (started_) server_ = std::thread([this] { ServeBridges({bridge_.get()}, stop_); });
}

ServedPty::~ServedPty() { Stop(); }

void ServedPty::Stop() {
    stop_ = true;
    if (server_.joinable()) server_.join();
    bridge_.reset();
}

}  // namespace hk::sim
