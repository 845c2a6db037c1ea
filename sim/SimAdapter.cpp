#include "sim/SimAdapter.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace hk::sim {
namespace {

constexpr double kNever = std::numeric_limits<double>::max();
// Two moments closer than this are one. Times are milliseconds in doubles
// on the line's clock, which in the demo is the steady clock counting from
// the computer's start: a tenth of a microsecond lies far below a bit at the
// fastest speed (52 µs) and far above the rounding of such times even after
// years of uptime (a nanosecond is lost in it after 4.7 hours).
constexpr double kTiny = 1e-4;
// The receiver forgets frames it has passed once this many have gathered.
constexpr std::size_t kFramesKept = 4096;

int OnesIn(std::uint8_t value, int bits) {
    int ones = 0;
    for (int k = 0; k < bits; ++k) ones += (value >> k) & 1;
    return ones;
}

// The parity bit of `value`'s `bits` data bits under `parity`.
std::uint8_t ParityBit(Parity parity, std::uint8_t value, int bits) {
    const int ones = OnesIn(value, bits);
    switch (parity) {
        case Parity::Mark:
            return 1;
        case Parity::Space:
            return 0;
        case Parity::Even:
            return static_cast<std::uint8_t>(ones & 1);
        case Parity::Odd:
            return static_cast<std::uint8_t>((ones & 1) ^ 1);
        case Parity::None:
            break;
    }
    return 1;
}

// "late-switch:18" -> 18; -1 when the word is not `name` with a number.
int Milliseconds(const std::string& word, const std::string& name) {
    if (word.rfind(name + ":", 0) != 0) return -1;
    const std::string digits = word.substr(name.size() + 1);
    if (digits.empty() || digits.size() > 5 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return -1;
    return std::stoi(digits);
}

}  // namespace

bool ParseAdapterFaults(const std::vector<std::string>& words, AdapterFaults& faults,
                        std::string& unknown) {
    for (const std::string& word : words) {
        if (word == "drop-parity") {
            faults.dropParity = true;
        } else if (word == "space-for-mark") {
            faults.spaceForMark = true;
        } else if (word == "odd-for-mark") {
            faults.oddForMark = true;
        } else if (word == "clear-mark-space") {
            faults.clearMarkSpace = true;
        } else if (word == "early-drain") {
            faults.earlyDrain = true;
        } else if (const int late = Milliseconds(word, "late-switch"); late >= 0) {
            faults.lateSwitchMs = late;
        } else if (const int delay = Milliseconds(word, "send-delay"); delay >= 0) {
            faults.sendDelayMs = delay;
        } else {
            unknown = word;
            return false;
        }
    }
    return true;
}

SimAdapterLine::SimAdapterLine(Clock& clock, AdapterFaults faults)
    : clock_(clock), faults_(faults) {}

SimAdapterLine::~SimAdapterLine() {
    Unplug();
    if (destroyed_) destroyed_();
}

void SimAdapterLine::PlugLoopback() {
    Unplug();
    txTo_ = rxFrom_ = this;
}

void SimAdapterLine::JoinNullModem(SimAdapterLine& a, SimAdapterLine& b) {
    a.Unplug();
    b.Unplug();
    a.txTo_ = &b;
    b.rxFrom_ = &a;
    b.txTo_ = &a;
    a.rxFrom_ = &b;
}

void SimAdapterLine::Unplug() {
    if (txTo_ && txTo_ != this) txTo_->rxFrom_ = nullptr;
    if (rxFrom_ && rxFrom_ != this) rxFrom_->txTo_ = nullptr;
    txTo_ = rxFrom_ = nullptr;
}

LineParams SimAdapterLine::ChipParams(LineParams held) const {
    if (faults_.spaceForMark && held.Parity == Parity::Mark) held.Parity = Parity::Space;
    if (faults_.oddForMark && held.Parity == Parity::Mark) held.Parity = Parity::Odd;
    if (faults_.oddForMark && held.Parity == Parity::Space) held.Parity = Parity::Even;
    if (faults_.dropParity) held.Parity = Parity::None;
    return held;
}

const LineParams& SimAdapterLine::ChipAt(double atMs) const {
    const auto after = std::upper_bound(
        chip_.begin(), chip_.end(), atMs + kTiny,
        [](double t, const ChipSettings& s) { return t < s.fromMs; });
    return after == chip_.begin() ? chip_.front().params : std::prev(after)->params;
}

bool SimAdapterLine::DoOpen(const std::string&) {
    if (refusal_ != 0) {
        SetLastError(refusal_);
        return false;
    }
    const double now = NowMs();
    open_ = true;
    gone_ = false;
    parityCheck_ = false;
    held_ = LineParams{};
    chip_.assign(1, ChipSettings{-kNever, ChipParams(held_)});
    queued_.clear();
    txFreeMs_ = now;
    wireIn_.clear();
    firstFrame_ = 0;
    rxCursorMs_ = now;
    received_.clear();
    readable_.clear();
    return true;
}

void SimAdapterLine::DoClose() {
    open_ = false;
    queued_.clear();
}

bool SimAdapterLine::DoGetParams(LineParams& params) {
    if (gone_) MarkHungUp();
    if (!open_ || gone_) return false;
    params = held_;
    return true;
}

bool SimAdapterLine::DoSetParams(const LineParams& params) {
    if (gone_) MarkHungUp();
    if (!open_ || gone_ || params.BaudRate <= 0) return false;
    const double now = NowMs();
    // What started before the change goes out as it began.
    Transmit(now);
    held_ = params;
    if (faults_.clearMarkSpace && held_.Parity == Parity::Mark) held_.Parity = Parity::Odd;
    if (faults_.clearMarkSpace && held_.Parity == Parity::Space) held_.Parity = Parity::Even;
    chip_.push_back({now + faults_.lateSwitchMs, ChipParams(held_)});
    return true;
}

bool SimAdapterLine::DoSetParityCheck(bool on) {
    parityCheck_ = on;
    return true;
}

bool SimAdapterLine::DoPurgeRx() {
    if (gone_) MarkHungUp();
    if (!open_ || gone_) return false;
    const double now = NowMs();
    Receive(now);
    while (!received_.empty() && received_.front().atMs <= now + kTiny) received_.pop_front();
    readable_.clear();
    return true;
}

double SimAdapterLine::NextStartMs() const {
    if (queued_.empty()) return kNever;
    return std::max(queued_.front().readyMs, txFreeMs_);
}

void SimAdapterLine::Transmit(double untilMs) {
    while (!queued_.empty()) {
        const double start = NextStartMs();
        if (start > untilMs + kTiny) break;
        const std::uint8_t value = queued_.front().value;
        queued_.pop_front();
        // The chip's settings when the frame begins decide its form.
        const LineParams& p = ChipAt(start);
        Frame frame{start, 1000.0 / p.BaudRate, {}};
        frame.bits.push_back(0);
        for (int k = 0; k < p.ByteSize; ++k)
            frame.bits.push_back(static_cast<std::uint8_t>((value >> k) & 1));
        if (p.Parity != Parity::None) frame.bits.push_back(ParityBit(p.Parity, value, p.ByteSize));
        frame.bits.push_back(1);
        if (p.StopBits == StopBits::Two) frame.bits.push_back(1);
        txFreeMs_ = frame.EndMs();
        if (txTo_) txTo_->wireIn_.push_back(std::move(frame));
    }
}

int SimAdapterLine::LevelAt(double atMs) const {
    const auto after =
        std::upper_bound(wireIn_.begin(), wireIn_.end(), atMs,
                         [](double t, const Frame& f) { return t < f.startMs; });
    if (after == wireIn_.begin()) return 1;
    const Frame& f = *std::prev(after);
    if (atMs >= f.EndMs()) return 1;
    const auto bit = static_cast<std::size_t>((atMs - f.startMs) / f.bitMs);
    return f.bits[std::min(bit, f.bits.size() - 1)];
}

double SimAdapterLine::Receive(double untilMs) {
    if (rxFrom_) rxFrom_->Transmit(untilMs);
    for (;;) {
        // The next fall of the line from 1 to 0 at or after the cursor: only
        // a frame's bits make one, at a bit's beginning.
        while (firstFrame_ + 1 < wireIn_.size() && wireIn_[firstFrame_ + 1].EndMs() <= rxCursorMs_)
            ++firstFrame_;
        double edge = kNever;
        for (std::size_t i = firstFrame_; i < wireIn_.size() && edge == kNever; ++i) {
            const Frame& f = wireIn_[i];
            if (f.EndMs() <= rxCursorMs_) continue;
            for (std::size_t k = 0; k < f.bits.size(); ++k) {
                const double at = f.startMs + f.bitMs * static_cast<double>(k);
                if (at + kTiny < rxCursorMs_ || f.bits[k] != 0) continue;
                const int before = k > 0 ? f.bits[k - 1] : LevelAt(at - kTiny);
                if (before == 1) {
                    edge = at;
                    break;
                }
            }
        }
        const double next = std::min(edge, rxFrom_ ? rxFrom_->NextStartMs() : kNever);
        if (edge > untilMs + kTiny) return next;
        // Sampled in each bit's middle, with the receiver's own settings.
        const LineParams& rx = ChipAt(edge);
        const double bit = 1000.0 / rx.BaudRate;
        const bool parity = rx.Parity != Parity::None;
        const double stopAt = edge + bit * (1 + rx.ByteSize + (parity ? 1 : 0) + 0.5);
        if (stopAt > untilMs + kTiny) return stopAt;
        if (LevelAt(edge + bit / 2) != 0) {  // too short for a start bit
            rxCursorMs_ = edge + bit / 2;
            continue;
        }
        std::uint8_t value = 0;
        for (int k = 0; k < rx.ByteSize; ++k)
            if (LevelAt(edge + bit * (1 + k + 0.5))) value |= static_cast<std::uint8_t>(1u << k);
        const bool parityError =
            parity && LevelAt(edge + bit * (1 + rx.ByteSize + 0.5)) !=
                          ParityBit(rx.Parity, value, rx.ByteSize);
        const bool framingError = LevelAt(stopAt) != 1;
        received_.push_back({stopAt, value, parityError, framingError});
        rxCursorMs_ = stopAt;
        if (firstFrame_ > kFramesKept) {
            wireIn_.erase(wireIn_.begin(),
                          wireIn_.begin() + static_cast<std::ptrdiff_t>(firstFrame_ - 1));
            firstFrame_ = 1;
        }
    }
}

void SimAdapterLine::Deliver(const Received& r, std::deque<std::uint8_t>& out) const {
    if (!parityCheck_) {
        // A tty that does not check parity still sees a framing error, and
        // reads that byte as 00.
        out.push_back(r.framingError ? std::uint8_t{0} : r.value);
        return;
    }
    if (r.parityError || r.framingError) {
        out.push_back(0xFF);
        out.push_back(0x00);
    } else if (r.value == 0xFF) {
        out.push_back(0xFF);
    }
    out.push_back(r.value);
}

void SimAdapterLine::WaitUntil(double atMs) {
    const auto target = static_cast<std::int64_t>(std::ceil(atMs - kTiny));
    const std::int64_t now = clock_.NowMs();
    if (target > now) clock_.Sleep(static_cast<int>(target - now));
}

long SimAdapterLine::DoWrite(const std::uint8_t* data, std::size_t count) {
    if (!open_) return -1;
    if (gone_) {
        MarkHungUp();
        return -1;
    }
    const double now = NowMs();
    Transmit(now);
    for (std::size_t i = 0; i < count; ++i) queued_.push_back({now + faults_.sendDelayMs, data[i]});
    // A drain that waits returns when the last stop bit has left; one that
    // does not, at once, the bytes still in the chip.
    if (!faults_.earlyDrain) {
        Transmit(kNever);
        WaitUntil(txFreeMs_);
    }
    return static_cast<long>(count);
}

long SimAdapterLine::DoRead(std::uint8_t* data, std::size_t count) {
    if (!open_) return -1;
    if (gone_) {
        MarkHungUp();
        return -1;
    }
    const double now = NowMs();
    Transmit(now);
    const double deadline =
        now + static_cast<double>(std::int64_t{timeouts_.ReadTotalTimeoutMultiplier} *
                                      static_cast<std::int64_t>(count) +
                                  timeouts_.ReadTotalTimeoutConstant);
    double at = now;
    double done = now;
    for (;;) {
        const double next = Receive(at);
        while (!received_.empty() && received_.front().atMs <= at + kTiny) {
            done = std::max(done, received_.front().atMs);
            Deliver(received_.front(), readable_);
            received_.pop_front();
        }
        if (readable_.size() >= count || at >= deadline) break;
        at = std::min(deadline, next);
    }
    const std::size_t n = std::min(count, readable_.size());
    std::copy_n(readable_.begin(), n, data);
    readable_.erase(readable_.begin(), readable_.begin() + static_cast<std::ptrdiff_t>(n));
    WaitUntil(n == count ? done : deadline);
    return static_cast<long>(n);
}

}  // namespace hk::sim
