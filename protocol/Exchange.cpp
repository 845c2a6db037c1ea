#include "protocol/Exchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "protocol/ExchangeText.h"
#include "protocol/Frames.h"

namespace hk::protocol {
namespace {

// Read time-outs (seconds per read call) and loop limits.
constexpr int kHandshakeReadSeconds = 1;
constexpr int kAnswerBlockReadSeconds = 4;
constexpr DayUnits kReadyLimit{2};    // 1.728 s
constexpr DayUnits kVerdictLimit{2};  // 1.728 s
constexpr DayUnits kEchoLimit{1};     // 0.864 s
constexpr int kFastBodyReadSeconds = 2;
constexpr DayUnits kFastBodyLimit{2};  // 1.728 s
constexpr int kSlowBodyReadSeconds = 5;
constexpr DayUnits kSlowBodyLimit{5};    // 4.32 s
constexpr int kFirstFastSpeedIndex = 2;  // 1200 baud and faster

// A long answer on a slow line (128 bytes take 4.73 s at 300 baud) needs more
// than the fixed limits. Where the wire time of the bytes awaited exceeds a
// limit, that limit becomes the wire time plus this margin: one handshake
// read time-out of slack for the controller's turnaround and for gaps between
// its bytes. Every other limit stays as it is.
constexpr int kBitsPerByte = 11;  // start, 8 data, parity or second stop, stop
constexpr int kSlowAnswerMarginMs = 1000;

// The guard after an exchange that ended without a good answer: what
// arrives within one first-answer-byte read time-out of its end (so within
// twice that time of the request) is that exchange's late answer, and then
// whatever follows it with gaps shorter than one address-probe read (the
// program's shortest read towards the controller), up to the wire time of
// the longest frame plus the slow-answer margin.
constexpr int kLateAnswerGuardMs = kHandshakeReadSeconds * 1000;
constexpr int kLateAnswerGapMs = 100;
constexpr std::size_t kLongestAnswerBytes = 4 + 255 + 2;  // 68 L L 68, body, trailer
constexpr std::size_t kLateChunkBytes = 64;

constexpr int kFramePauseMs = 2;
constexpr int kProbeReadMs = 100;
constexpr int kProbeTurnPauseMs = 50;
constexpr int kProbeSettleMs = 20;
constexpr DayUnits kProbeLimit{2};  // 1.728 s

// The time `count` bytes take on the line at the speed of Settings.SpeedIndex,
// rounded up to whole milliseconds.
std::int64_t WireTimeMs(const SerialLink& link, std::size_t count) {
    const int speed = link.Settings.SpeedIndex;
    if (speed < 0 || speed >= static_cast<int>(BaudRates.size())) return 0;
    const std::int64_t baud = BaudRates[static_cast<std::size_t>(speed)];
    const auto bits = static_cast<std::int64_t>(count) * kBitsPerByte * 1000;
    return (bits + baud - 1) / baud;
}

long ReadByte(SerialLink& link, std::uint8_t& byte) { return link.PortHandle.Read(&byte, 1); }

bool WriteAll(SerialLink& link, std::span<const std::uint8_t> bytes) {
    return link.PortHandle.Write(bytes) == static_cast<long>(bytes.size());
}

std::span<const std::uint8_t> Received(std::span<const std::uint8_t> buffer, long count) {
    return buffer.first(static_cast<std::size_t>(std::clamp<long>(count, 0, long(buffer.size()))));
}

int RunTraditional(SerialLink& link, std::span<const std::uint8_t> frame,
                   std::span<std::uint8_t> answer, std::size_t answerLen, TraditionalTrace& trace) {
    SerialLine& port = link.PortHandle;
    SetPortTimeouts(link, kHandshakeReadSeconds, 0);
    LineToSend(link);
    port.PurgeRx();
    if (port.Write(&Enq, 1) != 1) return kResultNotSent;
    LineToReceive(link);

    // Wait for Ready; other bytes (an echoed Enq, noise) are passed over.
    bool ready = false;
    std::int64_t start = link.Clock.NowMs();
    while (!LimitPassed(link.Clock, start, kReadyLimit)) {
        std::uint8_t b = 0;
        if (ReadByte(link, b) <= 0) return kResultNoStart;
        if (b == Ready) {
            ready = true;
            break;
        }
    }
    if (!ready) return kResultWaitTimedOut;
    trace.ready = true;

    link.Clock.Sleep(kFramePauseMs);
    LineToSend(link);
    port.PurgeRx();
    port.Write(frame);  // a lost frame shows as a missing verdict
    LineToReceive(link);

    // Wait for the verdict. A loop with echo first returns the frame itself,
    // which may well contain Ack or Nak bytes.
    std::size_t echo = link.Settings.LinkKind == kLinkLoopEcho ? frame.size() : 0;
    int verdict = -1;
    start = link.Clock.NowMs();
    while (!LimitPassed(link.Clock, start, kVerdictLimit)) {
        std::uint8_t b = 0;
        const long n = ReadByte(link, b);
        if (n < 0) break;  // the port failed: waiting on cannot bring a verdict
        if (n == 0) continue;
        if (echo > 0) {
            --echo;
            continue;
        }
        if (b == Ack || b == Nak) {
            verdict = b == Ack ? kResultOk : kResultRejected;
            break;
        }
    }
    if (verdict < 0) return kResultWaitTimedOut;
    trace.verdict = verdict;
    if (verdict != kResultOk || answerLen == 0) return verdict;

    const std::int64_t wireMs = WireTimeMs(link, answerLen + 1);
    if (wireMs > kAnswerBlockReadSeconds * 1000)
        SetPortTimeouts(link, 0, static_cast<int>(wireMs + kSlowAnswerMarginMs));
    else
        SetPortTimeouts(link, kAnswerBlockReadSeconds, 0);
    const auto block = answer.first(answerLen + 1);
    const long n = port.Read(block.data(), block.size());
    const auto got = Received(block, n);
    trace.block.assign(got.begin(), got.end());
    return CheckTraditionalAnswer(got, answerLen);
}

// One FT1.2 exchange of a built frame; every answer byte read goes into
// `received` as well.
int RunFt12(SerialLink& link, const Ft12Frame& frame, std::uint8_t address, int crcMode,
            std::span<std::uint8_t> answer, std::size_t len, std::vector<std::uint8_t>& received) {
    SerialLine& port = link.PortHandle;
    SetPortTimeouts(link, kHandshakeReadSeconds, 0);
    port.PurgeRx();
    LineToSend(link);
    if (!WriteAll(link, frame.Header()) || !WriteAll(link, frame.Body()) ||
        !WriteAll(link, frame.Trailer()))
        return kResultNotSent;
    LineToReceive(link);
    SetPortTimeouts(link, kHandshakeReadSeconds, 0);

    if (link.Settings.LinkKind == kLinkLoopEcho) {
        std::size_t skipped = 0;
        const std::int64_t start = link.Clock.NowMs();
        while (skipped < frame.Size() && !LimitPassed(link.Clock, start, kEchoLimit)) {
            std::uint8_t b = 0;
            if (ReadByte(link, b) <= 0) break;
            ++skipped;
        }
    }

    std::uint8_t first = 0;
    if (ReadByte(link, first) <= 0) return kResultNoStart;
    received.push_back(first);
    const Ft12Start kind = ClassifyFt12Start(first, crcMode);
    if (kind.result != kResultOk) return kind.result;
    std::size_t bodyLength = kind.bodyLength;
    if (kind.headerRest > 0) {
        std::array<std::uint8_t, 3> rest{};
        const auto got = Received(rest, port.Read(rest.data(), rest.size()));
        received.insert(received.end(), got.begin(), got.end());
        if (const int r = CheckFt12LongHeader(got, crcMode, bodyLength); r != kResultOk) return r;
    }

    // Slow lines get more time for the body: at 300 baud a long body takes seconds.
    const bool fast = link.Settings.SpeedIndex >= kFirstFastSpeedIndex;
    SetPortTimeouts(link, fast ? kFastBodyReadSeconds : kSlowBodyReadSeconds, 0);
    DayUnits limit = fast ? kFastBodyLimit : kSlowBodyLimit;
    const std::chrono::milliseconds bodyWire(WireTimeMs(link, bodyLength));
    if (bodyWire > limit) limit = bodyWire + std::chrono::milliseconds(kSlowAnswerMarginMs);
    Ft12AnswerBody body(address, crcMode, bodyLength, answer, len);
    const std::int64_t start = link.Clock.NowMs();
    while (!body.Complete() && !LimitPassed(link.Clock, start, limit)) {
        std::uint8_t b = 0;
        const long got = ReadByte(link, b);
        if (got < 0) break;  // the port failed; the trailer read reports it
        if (got == 1) {
            body.Take(b);
            received.push_back(b);
        }
    }
    // A wrong control field or address: the frame is not for us, its trailer
    // is not read.
    if (body.Verdict() != kResultOk) return body.Verdict();

    std::array<std::uint8_t, 2> trailer{};
    const auto got = Received(trailer, port.Read(trailer.data(), trailer.size()));
    received.insert(received.end(), got.begin(), got.end());
    return body.CheckTrailer(got);
}

// Arms the guard after an exchange that ended without a good answer, or
// lifts it after a good one.
void KeepGuard(SerialLink& link, int result) {
    if (result == kResultOk) {
        link.LateAnswers.armed = false;
        return;
    }
    link.LateAnswers.armed = true;
    link.LateAnswers.untilMs = link.Clock.NowMs() + kLateAnswerGuardMs;
    link.LateAnswers.baudRate = link.PortHandle.HeldParams().BaudRate;
    link.LateAnswers.netAddress =
        link.Settings.Protocol != kTraditional ? link.Settings.NetAddress : -1;
}

// Before a request: reads and drops what still belongs to the failed
// exchange before it, so that its late answer is never taken for this one's.
// Nothing to wait for after a good exchange, once the guard time has passed,
// or when the line has changed its speed since (bytes sent at the old speed
// arrive as framing errors) or an FT1.2 request goes to another network
// number (its answer carries the old one and fails the address check).
void DiscardLateAnswer(SerialLink& link) {
    LateAnswerGuard& guard = link.LateAnswers;
    if (!guard.armed) return;
    guard.armed = false;
    if (link.PortHandle.HeldParams().BaudRate != guard.baudRate) return;
    if (guard.netAddress >= 0 && guard.netAddress != link.Settings.NetAddress) return;
    if (link.Clock.NowMs() >= guard.untilMs) return;

    const std::int64_t limit =
        guard.untilMs + WireTimeMs(link, kLongestAnswerBytes) + kSlowAnswerMarginMs;
    if (link.Log) link.Log->BeginExchange();
    std::size_t dropped = 0;
    std::array<std::uint8_t, kLateChunkBytes> chunk{};
    for (;;) {
        const std::int64_t now = link.Clock.NowMs();
        if (now >= limit) break;
        const std::int64_t wait = now < guard.untilMs ? guard.untilMs - now : kLateAnswerGapMs;
        SetPortTimeouts(link, 0, static_cast<int>(std::min(wait, limit - now)));
        const long n = link.PortHandle.Read(chunk.data(), chunk.size());
        if (n < 0) break;
        dropped += static_cast<std::size_t>(n);
        if (n == 0 && link.Clock.NowMs() >= guard.untilMs) break;
    }
    if (link.Log) link.Log->EndExchange(dropped > 0 ? LateAnswerText(dropped) : std::string());
}

// The exchange's decoded line, behind the name of its request when the
// caller gave one, above the exchange's bytes.
void NoteExchange(SerialLink& link, const std::string& text) {
    std::string label = link.Log->TakeLabel();
    link.Log->EndExchange(label.empty() ? text : label + ": " + text);
}

}  // namespace

int ExchangeFrame(SerialLink& link, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
                  int answerLen) {
    if (link.Settings.Protocol == kTraditional)
        return ExchangeTraditional(link, request, answer, answerLen);
    return ExchangeFt12(link, request, answer, answerLen);
}

int ExchangeTraditional(SerialLink& link, std::span<std::uint8_t> request,
                        std::span<std::uint8_t> answer, int answerLen) {
    if (answerLen < 0) return kResultNotSent;
    const auto len = static_cast<std::size_t>(answerLen);
    if (len > 0 && answer.size() < len + 1) return kResultNotSent;
    const auto frame = BuildTraditionalFrame(request);
    if (frame.empty()) return kResultNotSent;

    DiscardLateAnswer(link);
    TraditionalTrace trace;
    if (link.Log) link.Log->BeginExchange();
    const int result = RunTraditional(link, frame, answer, len, trace);
    KeepGuard(link, result);
    if (link.Log)
        NoteExchange(link, TraditionalText(request, trace, len, result, link.Log->Secret()));
    // Clicks made during the exchange ("Выход") are handled here; the caller
    // sees them through its stop flag.
    link.View.ProcessMessages();
    LineToSend(link);
    return result;
}

int ExchangeFt12(SerialLink& link, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
                 int answerLen) {
    if (answerLen < 0 || request.empty()) return kResultNotSent;
    const auto len = static_cast<std::size_t>(answerLen);
    const std::size_t n = request[0];
    if (answer.size() < len || request.size() < n + 1) return kResultNotSent;
    const int crcMode = link.Settings.CrcMode;
    const auto address = static_cast<std::uint8_t>(link.Settings.NetAddress);
    Ft12Frame frame;
    if (!BuildFt12Frame(request.subspan(1, n), address, crcMode, frame)) return kResultNotSent;

    DiscardLateAnswer(link);
    std::vector<std::uint8_t> received;
    if (link.Log) link.Log->BeginExchange();
    const int result = RunFt12(link, frame, address, crcMode, answer, len, received);
    // The single byte A2 is the plain "done" of a request without answer data.
    const int shown = len == 0 && result == kResultSingleA2 ? kResultOk : result;
    KeepGuard(link, shown);
    if (link.Log)
        NoteExchange(link,
                     Ft12Text(request, address, crcMode, received, shown, link.Log->Secret()));
    return shown;
}

bool ProbeNetAddress(SerialLink& link, int speedIndex) {
    SerialLine& port = link.PortHandle;
    const auto address = static_cast<std::uint8_t>(link.Settings.NetAddress);
    // Sent without its ninth bit, the address byte would select nobody, or
    // the wrong controller: a line that does not hold address parity ends
    // the probe before anything goes out.
    if (!SetPortSpeed(link, true, speedIndex)) return false;
    // A late answer to a failed exchange before could hold the address
    // byte's value and be taken for the controller returning it.
    DiscardLateAnswer(link);
    SetReadTimeoutConstant(link, kProbeReadMs);
    LineToSend(link);
    port.PurgeRx();
    port.Write(&address, 1);
    if (link.Settings.LinkKind == kLinkLoopEcho) {
        std::uint8_t echo = 0;
        ReadByte(link, echo);
    }
    // The address byte must have left before the parity changes back.
    link.Clock.Sleep(kProbeTurnPauseMs);
    if (!SetPortSpeed(link, false, speedIndex)) return false;
    LineToReceive(link);

    const std::int64_t start = link.Clock.NowMs();
    while (!LimitPassed(link.Clock, start, kProbeLimit)) {
        std::uint8_t b = 0;
        const long n = ReadByte(link, b);
        if (n < 0) break;
        if (n == 1 && b == address) {
            link.Clock.Sleep(kProbeSettleMs);
            return true;
        }
    }
    return false;
}

}  // namespace hk::protocol
