// Fuzz target: the FT1.2 controller exchange (ExchangeFrame with Protocol 1)
// in every CRC mode against a far end that sends whatever the input scripts,
// at the moments it scripts, on the virtual clock (input layout in
// support/ExchangeCase.h).
//
// Checked for every input:
//  - the result is one of 0, 1, 2, 5, 8, 11, 30, 31, 33, 34, 35, 36, 37, 38;
//  - buffers too small, or a request too long for a frame, give 8 before
//    anything happens on the line; a failed write gives 8 at once;
//  - the frame written (header, body, trailer as three writes) is the one
//    the frame layout gives for the request, address and CRC mode;
//  - every read is the one the exchange's rules demand at that point, at the
//    moment and under the time-out they demand (echo skip, first byte, long
//    header, body byte by byte within its limit, trailer), and the result is
//    the one the rules give for what was read (0 for a lone A2 when no
//    answer data are expected), also when the port fails from some call on;
//  - the request buffer does not change; the answer buffer changes only in
//    the data bytes the body carried, never past answerLen; nothing outside
//    either buffer changes;
//  - the whole exchange takes no longer than its pause, the frame's wire
//    time, the echo limit plus one read, the first byte's and the header's
//    reads, the body limit plus one read, and the trailer's read;
//  - no window messages run and no box is shown;
//  - a second run of the same input does exactly the same.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/CallWalk.h"
#include "fuzz/support/ExchangeCase.h"
#include "fuzz/support/ExchangeTiming.h"
#include "fuzz/support/Ft12Reference.h"
#include "fuzz/support/Require.h"
#include "link/Port.h"

namespace {

using namespace hk;
using namespace hk::fuzz;
namespace t = hk::fuzz::timing;

const std::set<int> kResults = {0, 1, 2, 5, 8, 11, 30, 31, 33, 34, 35, 36, 37, 38, 39, 40};

std::uint8_t AddressOf(const ExchangeCase& c) {
    return static_cast<std::uint8_t>(c.settings.NetAddress);
}

// The request frame, when the request and answer buffers are usable.
std::optional<ft12::Frame> FrameFor(const ExchangeCase& c) {
    if (c.answerLen < 0 || c.request.empty()) return std::nullopt;
    if (c.answer.size() < static_cast<std::size_t>(c.answerLen)) return std::nullopt;
    const std::size_t n = c.request[0];
    if (c.request.size() < n + 1) return std::nullopt;
    return ft12::RequestFrame(std::span(c.request).subspan(1, n), AddressOf(c), c.settings.CrcMode);
}

struct Walked {
    int result = -1;
    std::int64_t endMs = 0;
    std::vector<std::uint8_t> body;  // body bytes received
    std::size_t bodyLength = 0;
    std::int64_t bodyLimitMs = 0;
    std::int64_t bodyReadMs = 0;
};

// Replays the exchange's rules over the recorded calls.
Walked Walk(const ExchangeCase& c, const ExchangeRun& run, const ft12::Frame& frame) {
    const int crcMode = c.settings.CrcMode;
    CallWalk walk(run.calls);
    Walked w;
    std::int64_t now = run.startMs + t::kLineTurnMs;
    const auto finish = [&](int result) {
        FUZZ_REQUIRE(walk.AtEnd(), "the exchange went on after its rules ended it");
        w.result = c.answerLen == 0 && result == 37 ? 0 : result;
        w.endMs = now;
        return w;
    };

    for (const auto* part : {&frame.header, &frame.body, &frame.trailer}) {
        const LineCall& written = walk.Write(*part, now);
        now = written.endMs;
        if (written.result != static_cast<long>(part->size())) return finish(8);
    }

    if (c.settings.LinkKind == kLinkLoopEcho) {
        // As many bytes as the frame had, until a read brings nothing (or
        // fails) or the limit passes.
        std::size_t skipped = 0;
        const std::int64_t start = now;
        while (skipped < frame.Size() && now - start < t::kEchoLimitMs) {
            const LineCall& r = walk.Read(1, t::kHandshakeReadMs, now);
            now = r.endMs;
            if (r.result <= 0) break;
            ++skipped;
        }
    }

    const LineCall& first = walk.Read(1, t::kHandshakeReadMs, now);
    now = first.endMs;
    if (first.result <= 0) return finish(1);
    const ft12::Start start = ft12::ClassifyStart(first.bytes[0], crcMode);
    if (start.result) return finish(*start.result);
    w.bodyLength = start.bodyLength;
    if (start.headerRest > 0) {
        const LineCall& rest = walk.Read(start.headerRest, t::kHandshakeReadMs, now);
        now = rest.endMs;
        if (const int v = ft12::LongHeaderVerdict(rest.bytes, crcMode, w.bodyLength); v != 0)
            return finish(v);
    }

    const bool fast = c.settings.SpeedIndex >= t::kFirstFastSpeedIndex;
    w.bodyReadMs = fast ? t::kFastBodyReadMs : t::kSlowBodyReadMs;
    w.bodyLimitMs = t::WithWireTime(fast ? t::kFastBodyLimitMs : t::kSlowBodyLimitMs,
                                    t::ReckonedWireMs(c.settings.SpeedIndex, w.bodyLength));
    const std::int64_t bodyStart = now;
    while (w.body.size() < w.bodyLength && now - bodyStart < w.bodyLimitMs) {
        const LineCall& r = walk.Read(1, w.bodyReadMs, now);
        now = r.endMs;
        if (r.result < 0) break;  // the trailer read finds the port failed
        if (r.result == 1) w.body.push_back(r.bytes[0]);
    }
    if (const int v = ft12::FieldsVerdict(w.body, AddressOf(c)); v != 0) return finish(v);

    const LineCall& trailer = walk.Read(2, w.bodyReadMs, now);
    now = trailer.endMs;
    return finish(ft12::TrailerVerdict(w.body, trailer.bytes, w.bodyLength, crcMode,
                                       static_cast<std::size_t>(c.answerLen)));
}

void Check(const ExchangeCase& c, const ExchangeRun& run) {
    FUZZ_REQUIRE(kResults.contains(run.result), "a result outside the FT1.2 set");
    FUZZ_REQUIRE(run.guardsIntact, "a byte outside the request or answer buffer changed");
    FUZZ_REQUIRE(run.boxes == 0, "the exchange showed a box");
    FUZZ_REQUIRE(run.messagePasses == 0, "the FT1.2 exchange let window messages run");
    FUZZ_REQUIRE(run.request == c.request, "the request buffer changed");

    const std::optional<ft12::Frame> frame = FrameFor(c);
    if (!frame) {
        FUZZ_REQUIRE(run.result == 8, "unusable buffers or an overlong request did not give 8");
        FUZZ_REQUIRE(run.calls.empty(),
                     "unusable buffers or an overlong request, yet the line was used");
        FUZZ_REQUIRE(run.answer == c.answer, "unusable buffers, yet the answer changed");
        return;
    }

    const Walked w = Walk(c, run, *frame);
    FUZZ_REQUIRE(run.result == w.result, "the result differs from what the rules give");
    FUZZ_REQUIRE(run.endMs == w.endMs, "the exchange ended at another moment than its rules");

    // Data bytes go to the answer as they come, whatever the later verdict.
    const std::size_t dataCame = w.body.size() > 2 ? w.body.size() - 2 : 0;
    const std::size_t stored =
        std::min({static_cast<std::size_t>(c.answerLen),
                  ft12::DataLength(w.bodyLength, c.settings.CrcMode), dataCame});
    for (std::size_t i = 0; i < stored; ++i)
        FUZZ_REQUIRE(run.answer[i] == w.body[i + 2], "the answer differs from the data received");
    for (std::size_t i = stored; i < c.answer.size(); ++i)
        FUZZ_REQUIRE(run.answer[i] == c.answer[i],
                     "an answer byte changed that no data byte filled");

    // The documented bound: the pause, the frame's wire time, the echo
    // limit plus one read, the first byte's and the header's reads, the body
    // limit plus one read, and the trailer's read.
    const std::int64_t echo =
        c.settings.LinkKind == kLinkLoopEcho ? t::kEchoLimitMs + t::kHandshakeReadMs : 0;
    const std::int64_t bound = t::kLineTurnMs + t::MaxWireMs(run.baud, frame->Size()) + echo +
                               2 * t::kHandshakeReadMs + w.bodyLimitMs + 2 * w.bodyReadMs;
    FUZZ_REQUIRE(run.endMs - run.startMs <= bound, "the exchange took longer than its limits");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const ExchangeCase c = ReadExchangeCase(in, 1);
    const ExchangeRun run = RunExchange(c);
    Check(c, run);
    FUZZ_REQUIRE(RunExchange(c) == run, "a second run of the same input differs");
    return 0;
}
