// Fuzz target: the traditional controller exchange (ExchangeFrame with
// Protocol 0) against a far end that sends whatever the input scripts, at
// the moments it scripts, on the virtual clock (input layout in
// support/ExchangeCase.h).
//
// Checked for every input:
//  - the result is one of 0, 1, 3, 4, 5, 6, 8;
//  - buffers too small for the request or the answer give 8 before anything
//    happens on the line;
//  - every write and read is the one the exchange's rules demand at that
//    point, at the moment they demand it, under the read time-out they
//    demand (Enq; Ready wait; the frame with its check byte; verdict wait,
//    skipping the echo on a loop with echo; answer block), and the result is
//    the one the rules give for what was read, also when the port fails
//    from some call on;
//  - the request buffer changes only in its check byte, the answer buffer
//    only in its first answerLen + 1 bytes and only by the bytes read;
//    nothing outside either buffer changes;
//  - the whole exchange takes no longer than its pauses, its writes' wire
//    time, both wait limits plus one read time-out each, and the answer
//    block's read time-out;
//  - window messages run exactly once, at the end; no box is shown;
//  - a second run of the same input does exactly the same.

#include <array>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/CallWalk.h"
#include "fuzz/support/ExchangeCase.h"
#include "fuzz/support/ExchangeTiming.h"
#include "fuzz/support/Require.h"
#include "link/Port.h"

namespace {

using namespace hk;
using namespace hk::fuzz;
namespace t = hk::fuzz::timing;

constexpr std::uint8_t kEnq = 0x05;
constexpr std::uint8_t kReady = 0x04;
constexpr std::uint8_t kAck = 0x06;
constexpr std::uint8_t kNak = 0x15;

const std::set<int> kResults = {0, 1, 3, 4, 5, 6, 8};

std::uint8_t SumOf(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum % 256);
}

// The request and answer buffers have the room the exchange needs.
bool BuffersFit(const ExchangeCase& c) {
    if (c.answerLen < 0 || c.request.empty()) return false;
    const auto len = static_cast<std::size_t>(c.answerLen);
    if (len > 0 && c.answer.size() < len + 1) return false;
    return c.request.size() >= std::size_t{c.request[0]} + 2;
}

// Count, request bytes and the check byte that makes the request bytes add
// up to 0 modulo 256.
std::vector<std::uint8_t> FrameOf(const std::vector<std::uint8_t>& request) {
    const std::size_t n = request[0];
    std::vector<std::uint8_t> frame(request.begin(), request.begin() + static_cast<long>(n) + 1);
    frame.push_back(static_cast<std::uint8_t>(256 - SumOf(std::span(frame).subspan(1))));
    return frame;
}

struct Walked {
    int result = -1;
    std::int64_t endMs = 0;
    const LineCall* answerRead = nullptr;
    std::int64_t answerReadMs = 0;  // the answer block's read time-out
};

// Replays the exchange's rules over the recorded calls.
Walked Walk(const ExchangeCase& c, const ExchangeRun& run, std::span<const std::uint8_t> frame) {
    CallWalk walk(run.calls);
    Walked w;
    std::int64_t now = run.startMs + t::kLineTurnMs;
    const std::array<std::uint8_t, 1> enq = {kEnq};
    const LineCall& enqWrite = walk.Write(enq, now);
    now = enqWrite.endMs;
    if (enqWrite.result != 1) w.result = 8;

    // Ready: one byte at a time until 04, a read that brings nothing (or
    // fails), or the limit.
    bool ready = false;
    std::int64_t start = now;
    while (!ready && w.result < 0) {
        if (now - start >= t::kReadyLimitMs) {
            w.result = 6;
            break;
        }
        const LineCall& r = walk.Read(1, t::kHandshakeReadMs, now);
        now = r.endMs;
        if (r.result <= 0)
            w.result = 1;
        else if (r.bytes[0] == kReady)
            ready = true;
    }

    if (ready) {
        // Whether the frame went out shows in the verdict only.
        now = walk.Write(frame, now + t::kFramePauseMs + t::kLineTurnMs).endMs;
        // The verdict after the echo of the frame; reads without a byte go
        // on, a failed read ends the wait.
        std::size_t echo = c.settings.LinkKind == kLinkLoopEcho ? frame.size() : 0;
        int verdict = -1;
        start = now;
        while (verdict < 0 && now - start < t::kVerdictLimitMs) {
            const LineCall& r = walk.Read(1, t::kHandshakeReadMs, now);
            now = r.endMs;
            if (r.result < 0) break;
            if (r.result == 0) continue;
            if (echo > 0) {
                --echo;
                continue;
            }
            if (r.bytes[0] == kAck) verdict = 0;
            if (r.bytes[0] == kNak) verdict = 3;
        }
        const auto len = static_cast<std::size_t>(c.answerLen);
        if (verdict < 0) {
            w.result = 6;
        } else if (verdict == 3 || len == 0) {
            w.result = verdict;
        } else {
            w.answerReadMs = t::WithWireTime(t::kAnswerBlockReadMs,
                                             t::ReckonedWireMs(c.settings.SpeedIndex, len + 1));
            const LineCall& r = walk.Read(len + 1, w.answerReadMs, now);
            now = r.endMs;
            w.answerRead = &r;
            if (r.bytes.size() < len + 1)
                w.result = 5;
            else
                w.result = SumOf(r.bytes) == 0 ? 0 : 4;
        }
    }
    FUZZ_REQUIRE(walk.AtEnd(), "the exchange went on after its rules ended it");
    w.endMs = now + t::kLineTurnMs;
    return w;
}

void Check(const ExchangeCase& c, const ExchangeRun& run) {
    FUZZ_REQUIRE(kResults.contains(run.result), "a result outside 0, 1, 3, 4, 5, 6, 8");
    FUZZ_REQUIRE(run.guardsIntact, "a byte outside the request or answer buffer changed");
    FUZZ_REQUIRE(run.boxes == 0, "the exchange showed a box");

    if (!BuffersFit(c)) {
        FUZZ_REQUIRE(run.result == 8, "buffers too small did not give 8");
        FUZZ_REQUIRE(run.calls.empty(), "buffers too small, yet the line was used");
        FUZZ_REQUIRE(run.request == c.request, "buffers too small, yet the request changed");
        FUZZ_REQUIRE(run.answer == c.answer, "buffers too small, yet the answer changed");
        FUZZ_REQUIRE(run.messagePasses == 0, "buffers too small, yet window messages ran");
        return;
    }

    const std::vector<std::uint8_t> frame = FrameOf(c.request);
    std::vector<std::uint8_t> request = c.request;
    request[frame.size() - 1] = frame.back();
    FUZZ_REQUIRE(run.request == request, "the request buffer changed beyond its check byte");

    const Walked w = Walk(c, run, frame);
    FUZZ_REQUIRE(run.result == w.result, "the result differs from what the rules give");
    FUZZ_REQUIRE(run.endMs == w.endMs, "the exchange ended at another moment than its rules");
    FUZZ_REQUIRE(run.messagePasses == 1, "window messages did not run exactly once");

    const std::size_t got = w.answerRead ? w.answerRead->bytes.size() : 0;
    for (std::size_t i = 0; i < got; ++i)
        FUZZ_REQUIRE(run.answer[i] == w.answerRead->bytes[i],
                     "the answer differs from the bytes read");
    for (std::size_t i = got; i < c.answer.size(); ++i)
        FUZZ_REQUIRE(run.answer[i] == c.answer[i], "an answer byte changed that was not read");

    // The documented bound: the pauses, the wire time of what was written,
    // each wait's limit plus one read time-out, and the answer block's read.
    const std::int64_t bound = t::kLineTurnMs + t::MaxWireMs(run.baud, 1) + t::kReadyLimitMs +
                               t::kHandshakeReadMs + t::kFramePauseMs + t::kLineTurnMs +
                               t::MaxWireMs(run.baud, frame.size()) + t::kVerdictLimitMs +
                               t::kHandshakeReadMs + w.answerReadMs + t::kLineTurnMs;
    FUZZ_REQUIRE(run.endMs - run.startMs <= bound, "the exchange took longer than its limits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const ExchangeCase c = ReadExchangeCase(in, 0);
    const ExchangeRun run = RunExchange(c);
    Check(c, run);
    FUZZ_REQUIRE(RunExchange(c) == run, "a second run of the same input differs");
    return 0;
}
