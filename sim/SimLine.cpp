#include "sim/SimLine.h"

#include <algorithm>

namespace hk::sim {
namespace {

// Start bit, data bits, parity bit if any, stop bits.
double CharacterMs(const LineParams& p) {
    if (p.BaudRate <= 0) return 0;
    const int bits =
        1 + p.ByteSize + (p.Parity == Parity::None ? 0 : 1) + (p.StopBits == StopBits::Two ? 2 : 1);
    return 1000.0 * bits / p.BaudRate;
}

}  // namespace

std::vector<std::uint8_t> SimLine::WrittenBytes() const {
    std::vector<std::uint8_t> out;
    out.reserve(written_.size());
    for (const auto& w : written_) out.push_back(w.value);
    return out;
}

void SimLine::Log(SimEvent e) {
    e.atMs = clock_.NowMs();
    events_.push_back(std::move(e));
}

bool SimLine::DoOpen(const std::string& portName) {
    SimEvent e{SimEvent::Kind::Open};
    e.name = portName;
    Log(e);
    if (auto it = refused_.find(portName); it != refused_.end()) {
        SetLastError(it->second);
        return false;
    }
    open_ = true;
    gone_ = false;
    incoming_.clear();
    return true;
}

void SimLine::DoClose() {
    if (!open_) return;
    Log(SimEvent{SimEvent::Kind::Close});
    open_ = false;
    incoming_.clear();
}

bool SimLine::DoGetParams(LineParams& params) {
    if (!open_) return false;
    params = params_;
    return true;
}

bool SimLine::DoSetParams(const LineParams& params) {
    if (!open_) return false;
    params_ = params;
    if (noMarkSpace_ && params.Parity == Parity::Mark) params_.Parity = Parity::Odd;
    if (noMarkSpace_ && params.Parity == Parity::Space) params_.Parity = Parity::Even;
    SimEvent e{SimEvent::Kind::SetParams};
    e.params = params_;
    Log(e);
    return true;
}

bool SimLine::DoSetTimeouts(const CommTimeouts& timeouts) {
    if (!SerialLine::DoSetTimeouts(timeouts)) return false;
    SimEvent e{SimEvent::Kind::SetTimeouts};
    e.timeouts = timeouts;
    Log(e);
    return true;
}

bool SimLine::DoSetDtr(bool on) {
    if (!open_) return false;
    dtr_ = on;
    SimEvent e{SimEvent::Kind::Dtr};
    e.level = on;
    Log(e);
    if (peer_) peer_->OnControlLines(dtr_, rts_, *this);
    return true;
}

bool SimLine::DoSetRts(bool on) {
    if (!open_) return false;
    rts_ = on;
    SimEvent e{SimEvent::Kind::Rts};
    e.level = on;
    Log(e);
    if (peer_) peer_->OnControlLines(dtr_, rts_, *this);
    return true;
}

bool SimLine::DoPurgeRx() {
    if (!open_) return false;
    Log(SimEvent{SimEvent::Kind::PurgeRx});
    const std::int64_t now = clock_.NowMs();
    if (peer_) peer_->Tick(now, *this);
    while (!incoming_.empty() && incoming_.front().atMs <= now) incoming_.pop_front();
    return true;
}

long SimLine::DoWrite(const std::uint8_t* data, std::size_t count) {
    if (!open_) return -1;
    if (gone_) {
        MarkHungUp();
        return -1;
    }
    SimEvent e{SimEvent::Kind::Write};
    e.params = params_;
    e.bytes.assign(data, data + count);
    Log(e);
    // The write returns when its bytes have left the port, as the real line
    // drains: each byte takes its character time at the speed in force.
    const std::int64_t start = clock_.NowMs();
    const double charMs = CharacterMs(params_);
    for (std::size_t i = 0; i < count; ++i) {
        clock_.AdvanceTo(start + static_cast<std::int64_t>(static_cast<double>(i) * charMs));
        written_.push_back({data[i], params_, clock_.NowMs()});
        if (peer_) peer_->OnByte(data[i], params_, *this);
    }
    clock_.AdvanceTo(start + static_cast<std::int64_t>(static_cast<double>(count) * charMs));
    return static_cast<long>(count);
}

long SimLine::DoRead(std::uint8_t* data, std::size_t count) {
    if (!open_) return -1;
    if (gone_) {
        MarkHungUp();
        return -1;
    }
    const std::int64_t now = clock_.NowMs();
    const std::int64_t budget =
        std::int64_t{timeouts_.ReadTotalTimeoutMultiplier} * static_cast<std::int64_t>(count) +
        timeouts_.ReadTotalTimeoutConstant;
    // Without any time-out the read returns what has already arrived.
    const std::int64_t deadline = now + budget;
    if (peer_) peer_->Tick(deadline, *this);
    std::size_t got = 0;
    std::int64_t lastArrival = now;
    while (got < count && !incoming_.empty() && incoming_.front().atMs <= deadline) {
        const Arrival& a = incoming_.front();
        lastArrival = std::max(lastArrival, a.atMs);
        const bool garbled = a.baudRate != 0 && a.baudRate != params_.BaudRate;
        data[got++] = garbled ? std::uint8_t{0x00} : a.value;
        incoming_.pop_front();
    }
    clock_.AdvanceTo(got == count ? lastArrival : deadline);
    SimEvent e{SimEvent::Kind::Read};
    e.params = params_;
    e.bytes.assign(data, data + got);
    Log(e);
    return static_cast<long>(got);
}

void SimLine::Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) {
    // The peer answers at the speed it heard, the line's own at this moment.
    Queue(bytes, delayMs, spacingMs, params_.BaudRate);
}

void SimLine::Queue(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs,
                    std::int32_t baudRate) {
    std::int64_t at = clock_.NowMs() + std::max(0, delayMs);
    for (std::uint8_t b : bytes) {
        const auto pos =
            std::upper_bound(incoming_.begin(), incoming_.end(), at,
                             [](std::int64_t t, const Arrival& a) { return t < a.atMs; });
        incoming_.insert(pos, Arrival{at, b, baudRate});
        at += std::max(0, spacingMs);
    }
}

}  // namespace hk::sim
