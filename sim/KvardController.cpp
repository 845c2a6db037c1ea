#include "sim/KvardController.h"

#include <algorithm>

namespace hk::sim {
namespace {

// The controller's own view of the link bytes.
constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kReady = 0x04;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;
constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
constexpr std::uint8_t kDone = 0xA2;
constexpr std::uint8_t kRefused = 0xE5;
constexpr std::uint8_t kRequestControl = 0x40;
constexpr std::uint8_t kAnswerControl = 0x00;
constexpr std::size_t kShortData = 4;

// Request codes and parameters.
constexpr std::uint8_t kCmdReadParameter = 0x01;
constexpr std::uint8_t kCmdReadMemory = 0x02;
constexpr std::uint8_t kCmdWriteParameter = 0x05;
constexpr std::uint8_t kCmdWriteMemory = 0x06;
constexpr std::uint8_t kCmdRestart = 0x08;
constexpr std::uint8_t kCmdStop = 0x09;
constexpr std::uint8_t kCmdExchangeEnd = 0x0B;
constexpr std::uint8_t kCmdReprogram = 0x0D;
constexpr std::uint8_t kReprogCancel = 0xA0;
constexpr std::uint8_t kReprogCopyIn = 0xA1;
constexpr std::uint8_t kReprogCopyOut = 0xA3;
constexpr std::uint16_t kParStatus = 0x4000;
constexpr std::uint16_t kParControl0 = 0x4004;
constexpr std::uint16_t kParControl1 = 0x4104;
constexpr std::uint16_t kParUnlock = 0x4007;
constexpr std::uint16_t kParPassword = 0x4008;
constexpr std::uint16_t kParIdentA = 0x401E;
constexpr std::uint16_t kParIdentB = 0x411E;
constexpr std::uint16_t kParBufferMcp = 0x4048;
constexpr std::uint16_t kParBufferMpi = 0x404B;

// Status word.
constexpr std::uint8_t kKeyMissing = 0x80;
constexpr std::uint8_t kRunning = 0x00;
constexpr std::uint8_t kStopped = 0x08;
constexpr std::uint8_t kPhaseLoaded = 0x01;
constexpr std::uint8_t kPhaseFinished = 0x03;
constexpr std::uint8_t kBlockBit = 0x04;

constexpr int kBitsPerCharacter = 11;       // start, 8 data, parity or second stop, stop
constexpr std::int64_t kFrameGapMs = 1000;  // a request broken off this long is dropped
constexpr int kNoiseBytes = 100;
constexpr int kNoiseSpacingMs = 20;
constexpr std::uint8_t kErased = 0xFF;
constexpr std::size_t kMaxLog = 100000;

std::uint16_t Word(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::uint16_t>((high << 8) | low);
}
std::uint8_t High(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }
std::uint8_t Low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t Not(std::uint8_t v) { return static_cast<std::uint8_t>(~v); }

std::uint8_t SumOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t s = 0;
    for (std::uint8_t b : bytes) s = static_cast<std::uint8_t>(s + b);
    return s;
}

// The link's CRC-16 (reflected 0x1021, register preset to all ones), written
// out here again: the simulator must not borrow the workstation's code.
std::uint16_t Crc(std::span<const std::uint8_t> bytes) {
    std::uint16_t reg = 0xFFFF;
    for (std::uint8_t b : bytes) {
        reg ^= b;
        for (int i = 0; i < 8; ++i) {
            const bool out = reg & 1;
            reg = static_cast<std::uint16_t>(reg >> 1);
            if (out) reg ^= 0x8408;
        }
    }
    return reg;
}

}  // namespace

KvardController::KvardController(KvardOptions options) : options_(options) {
    switch (options_.kit) {
        case KvardKit::Basic:
            cells_ = {{true, 0xBF00, 0xDF00, kBufferSize}, {true, 0xBF80, 0xDF80, kBufferSize}};
            identB_ = {0x05, 0x21};
            break;
        case KvardKit::Minimal:
            cells_ = {{true, 0xAF00, 0x2F00, kBufferSize}};
            identB_ = {0x01, 0xFE};
            break;
        case KvardKit::Expandable:
            cells_ = {{false, kParBufferMpi, kParBufferMpi, kBufferSize}};
            identB_ = {0x02, 0xFD};
            break;
        case KvardKit::Kvard47:
            cells_ = {{false, kParBufferMcp, kParBufferMcp, kBufferSize},
                      {false, kParBufferMpi, kParBufferMpi, kBufferSize}};
            identB_ = {0x03, 0xFC};
            break;
    }
    identA_ = {0x05, 0x21};
    buffers_ = cells_.size();
    cells_.push_back({false, kParControl0, kParControl0, 2});
    cells_.push_back({false, kParControl1, kParControl1, 2});
    for (const Cell& c : cells_)
        stored_.emplace_back(c.size, c.size == kBufferSize ? kErased : std::uint8_t{0});
    reprog_ = stored_;
}

// ---- contents and state ----------------------------------------------------

void KvardController::SetBuffer(std::size_t index, std::span<const std::uint8_t> bytes) {
    if (index >= buffers_) return;
    auto& buf = stored_[index];
    std::fill(buf.begin(), buf.end(), kErased);
    std::copy_n(bytes.begin(), std::min(bytes.size(), buf.size()), buf.begin());
}

std::vector<std::uint8_t> KvardController::Buffer(std::size_t index) const {
    return index < buffers_ ? stored_[index] : std::vector<std::uint8_t>{};
}

std::vector<std::uint8_t> KvardController::ModemLines(const std::vector<std::string>& lines) {
    std::vector<std::uint8_t> out;
    for (const auto& line : lines) {
        out.insert(out.end(), line.begin(), line.end());
        out.push_back(0x0D);
    }
    out.push_back(0x00);
    return out;
}

std::array<std::uint8_t, 2> KvardController::ControlParameter(int channel) const {
    const auto& v = stored_[buffers_ + (channel ? 1 : 0)];
    return {v[0], v[1]};
}

void KvardController::SetControlParameter(int channel, std::array<std::uint8_t, 2> value) {
    auto& v = stored_[buffers_ + (channel ? 1 : 0)];
    v = {value[0], value[1]};
}

void KvardController::SetIdentification(std::array<std::uint8_t, 2> a,
                                        std::array<std::uint8_t, 2> b) {
    identA_ = a;
    identB_ = b;
}

std::uint8_t KvardController::S0() const { return keyMissingPolls_ != 0 ? kKeyMissing : 0; }

std::uint8_t KvardController::S1(std::int64_t nowMs) {
    Settle(nowMs);
    return static_cast<std::uint8_t>(runState_ | phase_ | (blockBit_ ? kBlockBit : 0));
}

void KvardController::Inject(KvardFault fault, int times) { faults_[fault] = times; }

void KvardController::InjectFor(std::vector<std::uint8_t> request, KvardFault fault, int times) {
    aimed_.push_back({std::move(request), fault, times});
}

// Faults aimed at this request become faults of its answer.
void KvardController::AimFaults(std::span<const std::uint8_t> request) {
    for (AimedFault& a : aimed_) {
        if (a.times == 0 || request.size() < a.request.size() ||
            !std::equal(a.request.begin(), a.request.end(), request.begin()))
            continue;
        if (a.times > 0) --a.times;
        int& pending = faults_[a.fault];
        if (pending >= 0) ++pending;
    }
}

bool KvardController::TakeFault(KvardFault fault) {
    auto it = faults_.find(fault);
    if (it == faults_.end() || it->second == 0) return false;
    if (it->second > 0) --it->second;
    return true;
}

void KvardController::Record(KvardRequest request) {
    // A demo may run for days: the log keeps the recent half when full.
    if (requests_.size() >= kMaxLog)
        requests_.erase(requests_.begin(), requests_.begin() + kMaxLog / 2);
    requests_.push_back(std::move(request));
}

int KvardController::CountRequests(std::uint8_t code) const {
    return static_cast<int>(std::count_if(requests_.begin(), requests_.end(), [&](const auto& r) {
        return !r.bytes.empty() && r.bytes[0] == code;
    }));
}

// The controller's slow steps finish in their own time; the status read
// looks at them lazily.
void KvardController::Settle(std::int64_t nowMs) {
    if (stopAt_ && nowMs >= *stopAt_) {
        if (runState_ == kRunning) runState_ = kStopped;
        stopAt_.reset();
    }
    if (phaseAt_ && nowMs >= phaseAt_->first) {
        phase_ = phaseAt_->second;
        phaseAt_.reset();
    }
    if (blockAt_ && nowMs >= *blockAt_) {
        blockBit_ = true;
        blockAt_.reset();
    }
}

// ---- the line ----------------------------------------------------------------

std::int64_t KvardController::ByteTimeMs() const {
    return options_.baudRate > 0 ? kBitsPerCharacter * 1000 / options_.baudRate : 0;
}

bool KvardController::IsAddressByte(const LineParams& params) const {
    if (options_.channel == 0) return params.Parity == Parity::Mark;
    if (params.Parity == Parity::Even) return true;
    return options_.evenParityReadsAsNone && options_.netNumber != 0 &&
           params.Parity == Parity::None;
}

bool KvardController::IsDataByte(const LineParams& params) const {
    return params.Parity == (options_.channel == 0 ? Parity::Space : Parity::Odd);
}

void KvardController::ResetRx() {
    rx_ = Rx::Idle;
    frame_.clear();
    need_ = 0;
}

void KvardController::OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) {
    const std::int64_t now = out.NowMs();
    Settle(now);
    // The byte is fully here one character time after the previous one.
    lineBusyUntil_ = std::max(now, lineBusyUntil_) + ByteTimeMs();
    if (options_.loopEcho) out.Send({byte}, static_cast<int>(lineBusyUntil_ - now));

    // At another speed the controller's receiver sees only garbage.
    if (params.BaudRate != options_.baudRate) {
        ResetRx();
        return;
    }
    if (now - lastByteAt_ > kFrameGapMs) ResetRx();
    lastByteAt_ = now;

    if (options_.framing == KvardFraming::Ft12) {
        OnFt12(byte, out);
        return;
    }
    if (IsAddressByte(params)) {
        if (options_.netNumber == 0) return;  // selection of some other controller
        if (addressBytes_.size() >= kMaxLog) addressBytes_.clear();
        addressBytes_.push_back(byte);
        ResetRx();
        selected_ = byte == options_.netNumber;
        if (selected_) Answer({options_.netNumber}, out);
        return;
    }
    if (options_.netNumber != 0 && (!selected_ || !IsDataByte(params))) return;
    OnTraditional(byte, out);
}

void KvardController::Answer(std::vector<std::uint8_t> bytes, PeerOutput& out, int lateMs) {
    const std::int64_t now = out.NowMs();
    const auto delay =
        static_cast<int>(std::max<std::int64_t>(0, lineBusyUntil_ - now)) + options_.turnaroundMs;
    out.Send(bytes, std::max(delay, lateMs), static_cast<int>(ByteTimeMs()));
}

// ---- traditional framing -------------------------------------------------------

void KvardController::OnTraditional(std::uint8_t byte, PeerOutput& out) {
    switch (rx_) {
        case Rx::Idle:
            if (byte != kEnq) return;
            if (TakeFault(KvardFault::Silence)) return;
            if (TakeFault(KvardFault::NoiseForReady)) {
                static constexpr std::uint8_t kNoise[] = {0x55, 0xAA, 0x00, 0xFF, 0x33};
                std::vector<std::uint8_t> noise;
                for (int i = 0; i < kNoiseBytes; ++i) noise.push_back(kNoise[i % 5]);
                out.Send(noise, options_.turnaroundMs, kNoiseSpacingMs);
                return;
            }
            Answer({kReady}, out);
            rx_ = Rx::Count;
            return;
        case Rx::Count:
            frame_ = {byte};
            need_ = std::size_t{byte} + 2;  // count, N request bytes, check byte
            rx_ = Rx::Frame;
            return;
        case Rx::Frame:
            frame_.push_back(byte);
            if (frame_.size() == need_) {
                TraditionalFrame(out);
                ResetRx();
            }
            return;
        default:
            ResetRx();
            return;
    }
}

void KvardController::TraditionalFrame(PeerOutput& out) {
    const std::size_t n = frame_[0];
    const auto request = std::span<const std::uint8_t>(frame_).subspan(1, n);
    if (static_cast<std::uint8_t>(SumOf(request) + frame_[n + 1]) != 0) {
        Answer({kNak}, out);
        return;
    }
    const std::int64_t now = out.NowMs();
    AimFaults(request);
    const int late = TakeFault(KvardFault::LateAnswer) ? options_.lateAnswerMs : 0;
    if (TakeFault(KvardFault::Nak)) {
        Record({.bytes = {request.begin(), request.end()}, .accepted = false, .atMs = now});
        Answer({kNak}, out, late);
        return;
    }
    const Reply reply = Execute(request, now);
    Record({{request.begin(), request.end()}, reply.accepted, now});
    if (!reply.accepted) {
        Answer({kNak}, out, late);
        return;
    }
    std::vector<std::uint8_t> answer = {kAck};
    if (!reply.data.empty()) {
        answer.insert(answer.end(), reply.data.begin(), reply.data.end());
        std::uint8_t check = static_cast<std::uint8_t>(0x100 - SumOf(reply.data));
        if (TakeFault(KvardFault::BadCheckByte)) ++check;
        answer.push_back(check);
        if (TakeFault(KvardFault::ShortAnswer)) answer.pop_back();
    }
    Answer(answer, out, late);
    if (!request.empty() && request[0] == kCmdExchangeEnd) selected_ = false;
}

// ---- FT1.2 framing ---------------------------------------------------------------

void KvardController::OnFt12(std::uint8_t byte, PeerOutput& out) {
    const std::size_t crcInData = options_.crcMode == 1 ? 2 : 0;
    switch (rx_) {
        case Rx::Idle:
            if (byte == kShortStart) {
                frame_ = {byte};
                need_ = 1 + 2 + kShortData + crcInData + 2;
                rx_ = Rx::Ft12Frame;
            } else if (byte == kLongStart) {
                frame_ = {byte};
                rx_ = Rx::LongHeader;
            }
            return;
        case Rx::LongHeader:
            frame_.push_back(byte);
            if (frame_.size() < 4) return;
            if (frame_[1] != frame_[2] || frame_[3] != kLongStart) {
                ResetRx();
                return;
            }
            need_ = 4 + std::size_t{frame_[1]} + 2;
            rx_ = Rx::Ft12Frame;
            return;
        case Rx::Ft12Frame:
            frame_.push_back(byte);
            if (frame_.size() == need_) {
                Ft12Frame(out);
                ResetRx();
            }
            return;
        default:
            ResetRx();
            return;
    }
}

void KvardController::Ft12Frame(PeerOutput& out) {
    const std::size_t headerSize = frame_[0] == kShortStart ? 1 : 4;
    const auto all = std::span<const std::uint8_t>(frame_);
    const auto body = all.subspan(headerSize, frame_.size() - headerSize - 2);
    const auto trailer = all.last(2);
    const int mode = options_.crcMode;
    const std::size_t crcInData = mode == 1 ? 2 : 0;

    // A damaged frame, or one for another controller, is passed over in silence.
    bool sound = false;
    if (mode == 2)
        sound = Crc(all.subspan(headerSize)) == 0;
    else
        sound = (mode != 1 || Crc(body) == 0) && trailer[0] == SumOf(body) && trailer[1] == kEnd;
    if (!sound || body.size() < 2 + crcInData) return;
    if (body[0] != kRequestControl || body[1] != options_.netNumber) return;

    const auto request = body.subspan(2, body.size() - 2 - crcInData);
    const std::int64_t now = out.NowMs();
    AimFaults(request);
    if (TakeFault(KvardFault::Silence)) {
        Record({.bytes = {request.begin(), request.end()}, .accepted = false, .atMs = now});
        return;
    }
    const int late = TakeFault(KvardFault::LateAnswer) ? options_.lateAnswerMs : 0;
    if (TakeFault(KvardFault::Nak)) {
        Record({.bytes = {request.begin(), request.end()}, .accepted = false, .atMs = now});
        Answer({kRefused}, out, late);
        return;
    }
    const Reply reply = Execute(request, now);
    Record({{request.begin(), request.end()}, reply.accepted, now});
    if (!reply.accepted)
        Answer({kRefused}, out, late);
    else if (reply.data.empty())
        Answer({kDone}, out, late);
    else
        Answer(Ft12Answer(reply.data), out, late);
}

std::vector<std::uint8_t> KvardController::Ft12Answer(std::span<const std::uint8_t> data) {
    const int mode = options_.crcMode;
    std::vector<std::uint8_t> body;
    body.push_back(TakeFault(KvardFault::BadControl) ? std::uint8_t{0x08} : kAnswerControl);
    body.push_back(TakeFault(KvardFault::BadAddress)
                       ? static_cast<std::uint8_t>(options_.netNumber ^ 0x01)
                       : options_.netNumber);
    body.insert(body.end(), data.begin(), data.end());
    const bool isShort = data.size() <= kShortData;
    if (isShort) body.resize(2 + kShortData, 0x00);

    std::uint16_t crc = Crc(body);
    if (mode != 0 && TakeFault(KvardFault::BadCrc)) crc ^= 0x0001;
    if (mode == 1) {
        body.push_back(Low(crc));
        body.push_back(High(crc));
    }

    std::vector<std::uint8_t> frame;
    if (isShort) {
        frame = {kShortStart};
    } else {
        const auto l = static_cast<std::uint8_t>(body.size());
        frame = {kLongStart, l, l, kLongStart};
    }
    frame.insert(frame.end(), body.begin(), body.end());
    if (mode == 2) {
        frame.push_back(Low(crc));
        frame.push_back(High(crc));
    } else {
        std::uint8_t sum = SumOf(body);
        if (TakeFault(KvardFault::BadCheckByte)) ++sum;
        frame.push_back(sum);
        frame.push_back(TakeFault(KvardFault::BadEndByte) ? std::uint8_t{0x17} : kEnd);
    }
    if (TakeFault(KvardFault::ShortAnswer)) frame.pop_back();
    return frame;
}

// ---- requests ------------------------------------------------------------------

KvardController::Reply KvardController::Execute(std::span<const std::uint8_t> request,
                                                std::int64_t nowMs) {
    if (request.empty()) return {};
    const auto number = [&] { return Word(request[1], request[2]); };
    switch (request[0]) {
        case kCmdReadParameter:
            if (request.size() < 3) return {};
            return ReadParameter(number(), nowMs);
        case kCmdReadMemory:
            if (request.size() < 4) return {};
            return ReadMemory(number(), request[3]);
        case kCmdWriteParameter:
            if (request.size() < 3) return {};
            return WriteParameterRequest(number(), request.subspan(3), nowMs);
        case kCmdWriteMemory: {
            if (request.size() < 3) return {};
            auto data = request.subspan(3);
            // The minimal kit's FT1.2 dialect counts the data bytes first.
            if (options_.kit == KvardKit::Minimal && options_.framing == KvardFraming::Ft12) {
                if (data.empty() || data[0] != data.size() - 1) return {};
                data = data.subspan(1);
            }
            return WriteMemory(number(), data, nowMs);
        }
        case kCmdRestart:
            Restart();
            return {true, {}};
        case kCmdStop:
            if (!ignoreStop && runState_ == kRunning && !stopAt_)
                stopAt_ = nowMs + options_.stopDelayMs;
            return {true, {}};
        case kCmdExchangeEnd:
            accessGranted_ = false;
            unlock_.reset();
            return {true, {}};
        case kCmdReprogram:
            if (request.size() < 2) return {};
            return Reprogram(request[1], nowMs);
        default:
            return {};
    }
}

// The write-unlock and the access password are taken here; every other
// parameter is written.
KvardController::Reply KvardController::WriteParameterRequest(std::uint16_t number,
                                                              std::span<const std::uint8_t> data,
                                                              std::int64_t nowMs) {
    if (number == kParUnlock) {
        if (data.size() < 2) return {};
        unlock_ = std::array<std::uint8_t, 2>{data[0], data[1]};
        return {true, {}};
    }
    if (number == kParPassword) {
        if (data.size() < 2) return {};
        const bool unlocked = TakeUnlock(Not(data[0]), Not(data[1]));
        const bool right = !options_.password || *options_.password == Word(data[0], data[1]);
        if (!unlocked || !right) return {};
        accessGranted_ = true;
        return {true, {}};
    }
    return WriteParameter(number, data, nowMs);
}

// The restart command: running from the first phase, no stop under way, the
// reprogramming buffer loaded again from the non-volatile memory, access and
// write-unlock gone.
void KvardController::Restart() {
    runState_ = kRunning;
    phase_ = 0;
    blockBit_ = false;
    stopAt_.reset();
    phaseAt_.reset();
    blockAt_.reset();
    reprogActive_ = false;
    reprog_ = stored_;
    accessGranted_ = false;
    unlock_.reset();
}

KvardController::Reply KvardController::ReadParameter(std::uint16_t number, std::int64_t nowMs) {
    if (number == kParStatus) {
        const std::uint8_t s0 = S0();
        if (keyMissingPolls_ > 0) --keyMissingPolls_;
        return {true, {s0, S1(nowMs)}};
    }
    if (number == kParIdentA) return {true, {identA_.begin(), identA_.end()}};
    if (number == kParIdentB) return {true, {identB_.begin(), identB_.end()}};
    const auto cell = FindParameter(number);
    if (!cell) return {};
    return {true, stored_[*cell]};
}

KvardController::Reply KvardController::ReadMemory(std::uint16_t address, std::size_t count) {
    std::size_t offset = 0;
    const auto cell = FindMemory(address, count, Access::Read, offset);
    if (!cell || count == 0) return {};
    const auto& bytes = stored_[*cell];
    return {true,
            {bytes.begin() + static_cast<std::ptrdiff_t>(offset),
             bytes.begin() + static_cast<std::ptrdiff_t>(offset + count)}};
}

KvardController::Reply KvardController::WriteParameter(std::uint16_t number,
                                                       std::span<const std::uint8_t> data,
                                                       std::int64_t nowMs) {
    const bool unlocked = TakeUnlock(Not(High(number)), Not(Low(number)));
    const auto cell = FindParameter(number);
    if (!cell || !unlocked || !reprogActive_) return {};
    if (options_.password && !accessGranted_) return {};
    if (data.empty() || data.size() > cells_[*cell].size) return {};
    if (dropControlWrites && *cell >= buffers_) return {true, {}};
    std::copy(data.begin(), data.end(), reprog_[*cell].begin());
    BlockWritten(nowMs);
    return {true, {}};
}

KvardController::Reply KvardController::WriteMemory(std::uint16_t address,
                                                    std::span<const std::uint8_t> data,
                                                    std::int64_t nowMs) {
    const bool unlocked = TakeUnlock(High(address), Low(address));
    std::size_t offset = 0;
    const auto cell = FindMemory(address, data.size(), Access::Write, offset);
    if (!cell || data.empty() || !unlocked || !reprogActive_) return {};
    if (options_.password && !accessGranted_) return {};
    std::copy(data.begin(), data.end(),
              reprog_[*cell].begin() + static_cast<std::ptrdiff_t>(offset));
    BlockWritten(nowMs);
    return {true, {}};
}

KvardController::Reply KvardController::Reprogram(std::uint8_t step, std::int64_t nowMs) {
    switch (step) {
        case kReprogCopyIn:
            // Only a stopped controller with its key in place copies its memory.
            if (refuseCopyIn || runState_ != kStopped || S0() != 0) return {};
            reprog_ = stored_;
            reprogActive_ = true;
            phase_ = 0;
            blockBit_ = false;
            phaseAt_ = {nowMs + options_.copyDelayMs, kPhaseLoaded};
            return {true, {}};
        case kReprogCopyOut:
            if (!reprogActive_) return {};
            stored_ = reprog_;
            if (damageOnCommit && buffers_ > 0) stored_[0][0] ^= 0x01;
            reprogActive_ = false;
            phaseAt_ = {nowMs + options_.copyDelayMs, kPhaseFinished};
            return {true, {}};
        case kReprogCancel:
            reprog_ = stored_;
            reprogActive_ = false;
            phaseAt_ = {nowMs + options_.copyDelayMs, kPhaseFinished};
            return {true, {}};
        default:
            return {};
    }
}

bool KvardController::TakeUnlock(std::uint8_t x, std::uint8_t y) {
    const bool ok = unlock_ && (*unlock_)[0] == x && (*unlock_)[1] == y;
    unlock_.reset();  // one unlock, one write
    return ok;
}

void KvardController::BlockWritten(std::int64_t nowMs) {
    blockBit_ = false;
    blockAt_.reset();
    if (!neverSetBlockBit) blockAt_ = nowMs + options_.blockDelayMs;
}

std::optional<std::size_t> KvardController::FindParameter(std::uint16_t number) const {
    for (std::size_t i = 0; i < cells_.size(); ++i)
        if (!cells_[i].memory && cells_[i].readAt == number) return i;
    return std::nullopt;
}

std::optional<std::size_t> KvardController::FindMemory(std::uint16_t address, std::size_t count,
                                                       Access access, std::size_t& offset) const {
    for (std::size_t i = 0; i < cells_.size(); ++i) {
        const Cell& c = cells_[i];
        const std::size_t base = access == Access::Write ? c.writeAt : c.readAt;
        if (c.memory && address >= base && address + count <= base + c.size) {
            offset = address - base;
            return i;
        }
    }
    return std::nullopt;
}

}  // namespace hk::sim
