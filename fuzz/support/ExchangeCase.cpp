#include "fuzz/support/ExchangeCase.h"

#include <algorithm>

#include "fuzz/support/CountingView.h"
#include "fuzz/support/Ft12Reference.h"
#include "fuzz/support/GuardedBytes.h"
#include "link/Clock.h"
#include "link/Port.h"
#include "protocol/Exchange.h"
#include "sim/SimLine.h"

namespace hk::fuzz {
namespace {

constexpr std::size_t kMaxExplicitRequestBytes = 8;
constexpr std::size_t kMaxChunks = 64;

// The bytes the exchange writes when it gets as far as the frame.
std::size_t BytesWritten(const ExchangeCase& c) {
    if (c.request.empty()) return 0;
    const std::size_t n = c.request[0];
    if (c.settings.Protocol == 0) return 1 + n + 2;  // Enq, then count, request, check byte
    const auto data = std::span(c.request).subspan(1, std::min(n, c.request.size() - 1));
    const auto frame = ft12::RequestFrame(data, static_cast<std::uint8_t>(c.settings.NetAddress),
                                          c.settings.CrcMode);
    return frame ? frame->Size() : 0;
}

int SpacingMs(std::uint8_t v) { return v < 128 ? v : (v - 128) * 40; }

}  // namespace

ExchangeCase ReadExchangeCase(ByteReader& in, std::int8_t protocol) {
    ExchangeCase c;
    const std::uint8_t line = in.Byte();
    c.settings.LinkKind = static_cast<std::int8_t>(line & 3);
    c.echoWritten = (line & 4) != 0;
    c.settings.Channel = static_cast<std::int8_t>((line >> 3) & 1);
    if ((line & 16) != 0) c.failFromCall = std::size_t{in.Byte()} + 1;
    c.settings.SpeedIndex = static_cast<std::int8_t>(in.Byte() % 12 - 1);
    c.settings.NetAddress = static_cast<std::int8_t>(in.Byte());
    c.settings.CrcMode = static_cast<std::int8_t>(in.Byte() % 5 - 1);
    c.settings.Protocol = protocol;

    const std::size_t n = in.Byte();
    const std::size_t explicitBytes =
        std::min<std::size_t>(in.Byte() % (kMaxExplicitRequestBytes + 1), n);
    std::vector<std::uint8_t> request(1 + n);
    request[0] = static_cast<std::uint8_t>(n);
    const auto given = in.Bytes(explicitBytes);
    std::copy(given.begin(), given.end(), request.begin() + 1);
    for (std::size_t i = 1 + given.size(); i <= n; ++i)
        request[i] = static_cast<std::uint8_t>(i * 37 + explicitBytes);
    request.resize(n + 1 + in.Byte() % 4, 0xEE);
    c.request = std::move(request);

    c.answerLen = in.Byte() - 1;
    const std::size_t answerRoom =
        static_cast<std::size_t>(std::max(c.answerLen, 0)) + in.Byte() % 4;
    c.answer = GuardedBytes::Pattern(answerRoom, in.Byte());

    const std::size_t written = BytesWritten(c);
    while (!in.AtEnd() && c.chunks.size() < kMaxChunks) {
        AnswerChunk chunk;
        chunk.afterWritten = in.Byte() % (written + 1);
        const int high = in.Byte();
        chunk.delayMs = high * 256 + in.Byte();
        chunk.spacingMs = SpacingMs(in.Byte());
        const auto bytes = in.Bytes(in.Byte());
        chunk.bytes.assign(bytes.begin(), bytes.end());
        c.chunks.push_back(std::move(chunk));
    }
    return c;
}

ExchangeRun RunExchange(const ExchangeCase& c) {
    VirtualClock clock;
    sim::SimLine sim(clock);
    ScriptedAnswer farEnd(c.chunks, c.echoWritten);
    sim.Attach(&farEnd);
    RecordingLine line(sim, clock);
    CountingView view;
    SerialLink link(line, clock, view);
    link.Settings = c.settings;
    OpenPort(link, "Com1", c.settings.SpeedIndex, AddressMode::Off);
    line.FailFromCall(c.failFromCall);
    farEnd.Start(sim);

    GuardedBytes request(c.request);
    GuardedBytes answer(c.answer);
    ExchangeRun run;
    run.startMs = clock.NowMs();
    run.result = protocol::ExchangeFrame(link, request.Span(), answer.Span(), c.answerLen);
    run.endMs = clock.NowMs();
    run.baud = sim.Params().BaudRate;
    run.request.assign(request.Span().begin(), request.Span().end());
    run.answer.assign(answer.Span().begin(), answer.Span().end());
    run.guardsIntact = request.GuardsIntact() && answer.GuardsIntact();
    run.calls = line.Calls();
    run.messagePasses = view.messagePasses;
    run.boxes = view.boxes;
    return run;
}

}  // namespace hk::fuzz
