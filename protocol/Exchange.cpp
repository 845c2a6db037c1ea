#include "protocol/Exchange.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <string>
#include <vector>

#include "link/Deadline.h"
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

// Waits for Ready after the Enq; other bytes (an echoed Enq, noise) are
// passed over. kResultOk when it came.
int AwaitReady(SerialLink& link) {
    const Deadline limit(link.Clock, kReadyLimit);
    while (!limit.Expired()) {
        std::uint8_t b = 0;
        if (ReadByte(link, b) <= 0) return kResultNoStart;
        if (b == Ready) return kResultOk;
    }
    return kResultWaitTimedOut;
}

// Waits for the verdict on a frame of `frameSize` bytes. A loop with echo
// first returns the frame itself, which may well contain Ack or Nak bytes.
int AwaitVerdict(SerialLink& link, std::size_t frameSize) {
    std::size_t echo = link.Settings.LinkKind == kLinkLoopEcho ? frameSize : 0;
    const Deadline limit(link.Clock, kVerdictLimit);
    while (!limit.Expired()) {
        std::uint8_t b = 0;
        const long n = ReadByte(link, b);
        if (n < 0) break;  // the port failed: waiting on cannot bring a verdict
        if (n == 0) continue;
        if (echo > 0) {
            --echo;
            continue;
        }
        if (b == Ack || b == Nak) return b == Ack ? kResultOk : kResultRejected;
    }
    return kResultWaitTimedOut;
}

// Reads the answer block of `answerLen` bytes and its checksum in one read,
// given the block read time-out or, on a slow line, the wire time and margin.
int ReadTraditionalAnswer(SerialLink& link, std::span<std::uint8_t> answer, std::size_t answerLen,
                          TraditionalTrace& trace) {
    const std::int64_t wireMs = WireTimeMs(link, answerLen + 1);
    if (wireMs > kAnswerBlockReadSeconds * 1000)
        SetPortTimeouts(link, 0, static_cast<int>(wireMs + kSlowAnswerMarginMs));
    else
        SetPortTimeouts(link, kAnswerBlockReadSeconds, 0);
    const auto block = answer.first(answerLen + 1);
    const long n = link.PortHandle.Read(block.data(), block.size());
    const auto got = Received(block, n);
    trace.block.assign(got.begin(), got.end());
    return CheckTraditionalAnswer(got, answerLen);
}

// One traditional exchange: Enq, Ready, the frame, the verdict, the answer.
int RunTraditional(SerialLink& link, std::span<const std::uint8_t> frame,
                   std::span<std::uint8_t> answer, std::size_t answerLen, TraditionalTrace& trace) {
    SerialLine& port = link.PortHandle;
    SetPortTimeouts(link, kHandshakeReadSeconds, 0);
    LineToSend(link);
    port.PurgeRx();
    if (port.Write(&Enq, 1) != 1) return kResultNotSent;
    LineToReceive(link);
    if (const int ready = AwaitReady(link); ready != kResultOk) return ready;
    trace.ready = true;

    link.Clock.Sleep(kFramePauseMs);
    LineToSend(link);
    port.PurgeRx();
    port.Write(frame);  // a lost frame shows as a missing verdict
    LineToReceive(link);
    const int verdict = AwaitVerdict(link, frame.size());
    if (verdict == kResultWaitTimedOut) return verdict;
    trace.verdict = verdict;
    if (verdict != kResultOk || answerLen == 0) return verdict;
    return ReadTraditionalAnswer(link, answer, answerLen, trace);
}

// On a loop with echo, reads past the echo of the `frameSize` bytes sent.
void SkipEcho(SerialLink& link, std::size_t frameSize) {
    if (link.Settings.LinkKind != kLinkLoopEcho) return;
    std::size_t skipped = 0;
    const Deadline limit(link.Clock, kEchoLimit);
    while (skipped < frameSize && !limit.Expired()) {
        std::uint8_t b = 0;
        if (ReadByte(link, b) <= 0) break;
        ++skipped;
    }
}

// The answer's start byte and, for a long frame, the rest of its header;
// the body length it announces goes to `bodyLength`.
int ReadFt12Header(SerialLink& link, int crcMode, std::size_t& bodyLength,
                   std::vector<std::uint8_t>& received) {
    std::uint8_t first = 0;
    if (ReadByte(link, first) <= 0) return kResultNoStart;
    received.push_back(first);
    const Ft12Start kind = ClassifyFt12Start(first, crcMode);
    if (kind.result != kResultOk) return kind.result;
    bodyLength = kind.bodyLength;
    if (kind.headerRest == 0) return kResultOk;
    std::array<std::uint8_t, 3> rest{};
    const auto got = Received(rest, link.PortHandle.Read(rest.data(), rest.size()));
    received.insert(received.end(), got.begin(), got.end());
    return CheckFt12LongHeader(got, crcMode, bodyLength);
}

// Reads the answer body into `body` until it is complete or its time is up.
// Slow lines get more time for the body: at 300 baud a long body takes seconds.
void ReadFt12Body(SerialLink& link, std::size_t bodyLength, Ft12AnswerBody& body,
                  std::vector<std::uint8_t>& received) {
    const bool fast = link.Settings.SpeedIndex >= kFirstFastSpeedIndex;
    SetPortTimeouts(link, fast ? kFastBodyReadSeconds : kSlowBodyReadSeconds, 0);
    DayUnits units = fast ? kFastBodyLimit : kSlowBodyLimit;
    const std::chrono::milliseconds bodyWire(WireTimeMs(link, bodyLength));
    if (bodyWire > units) units = bodyWire + std::chrono::milliseconds(kSlowAnswerMarginMs);
    const Deadline limit(link.Clock, units);
    while (!body.Complete() && !limit.Expired()) {
        std::uint8_t b = 0;
        const long got = ReadByte(link, b);
        if (got < 0) break;  // the port failed; the trailer read reports it
        if (got == 1) {
            body.Take(b);
            received.push_back(b);
        }
    }
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
    SkipEcho(link, frame.Size());

    std::size_t bodyLength = 0;
    if (const int r = ReadFt12Header(link, crcMode, bodyLength, received); r != kResultOk) return r;
    Ft12AnswerBody body(address, crcMode, bodyLength, answer, len);
    ReadFt12Body(link, bodyLength, body, received);
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
        link.LateAnswers.window.reset();
        return;
    }
    link.LateAnswers.window.emplace(link.Clock, std::chrono::milliseconds(kLateAnswerGuardMs));
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
    if (!guard.window) return;
    const Deadline window = *guard.window;
    guard.window.reset();
    if (link.PortHandle.HeldParams().BaudRate != guard.baudRate) return;
    if (guard.netAddress >= 0 && guard.netAddress != link.Settings.NetAddress) return;
    // What arrives until the window closes, and then what follows it with
    // short gaps, up to the longest frame's wire time and the margin after.
    const std::int64_t windowLeft = window.RemainingMs();
    if (windowLeft == 0) return;
    const Deadline limit(
        link.Clock, std::chrono::milliseconds(windowLeft + WireTimeMs(link, kLongestAnswerBytes) +
                                              kSlowAnswerMarginMs));
    if (link.Log) link.Log->BeginExchange();
    std::size_t dropped = 0;
    std::array<std::uint8_t, kLateChunkBytes> chunk{};
    for (;;) {
        // Each read gets a positive time-out, taken from one look at each limit.
        const std::int64_t left = limit.RemainingMs();
        if (left == 0) break;
        const std::int64_t inWindow = window.RemainingMs();
        const std::int64_t wait = inWindow > 0 ? inWindow : kLateAnswerGapMs;
        SetPortTimeouts(link, 0, static_cast<int>(std::min(wait, left)));
        const long n = link.PortHandle.Read(chunk.data(), chunk.size());
        if (n < 0) break;
        dropped += static_cast<std::size_t>(n);
        if (n == 0 && window.Expired()) break;
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
    if (!SetPortSpeed(link, AddressMode::On, speedIndex)) return false;
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
    if (!SetPortSpeed(link, AddressMode::Off, speedIndex)) return false;
    LineToReceive(link);

    const Deadline limit(link.Clock, kProbeLimit);
    while (!limit.Expired()) {
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
