// Fuzz target: the answer checks of the controller link as pure functions
// over arbitrary bytes: the FT1.2 start byte, the long header, the answer
// body taken byte by byte with its trailer, the whole FT1.2 answer check, and
// the traditional answer block.
//
// Input layout (bytes past the end read as 0):
//   0  CRC mode: value % 5 - 1     1  network number
//   2  answerLen                   3  answer buffer room: answerLen + value % 8 - 4 (at least 0)
//   4  answer fill seed            5  body length for the byte-by-byte body
//   rest  the bytes received
//
// Checked for every input: each verdict equals the frame rules' verdict
// (support/Ft12Reference.h) and lies in the documented set; the body takes
// no byte beyond its length, counts what it took and reports the later of
// a wrong control field and a wrong address; data bytes land in the answer
// in order, never beyond answerLen, the buffer or the body's data; nothing
// outside the answer buffer changes; a failed long header leaves the body
// length alone.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <set>
#include <span>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/Ft12Reference.h"
#include "fuzz/support/GuardedBytes.h"
#include "fuzz/support/Require.h"
#include "protocol/Frames.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

const std::set<int> kFt12Results = {0, 1, 2, 5, 11, 30, 31, 33, 34, 35, 36, 37, 38, 39, 40};

struct Case {
    int crcMode = 0;
    std::uint8_t address = 0;
    std::size_t answerLen = 0;
    std::vector<std::uint8_t> answer;
    std::size_t bodyLength = 0;
    std::span<const std::uint8_t> received;
};

Case ReadCase(ByteReader& in) {
    Case c;
    c.crcMode = in.Byte() % 5 - 1;
    c.address = in.Byte();
    c.answerLen = in.Byte();
    const int room = static_cast<int>(c.answerLen) + in.Byte() % 8 - 4;
    c.answer = GuardedBytes::Pattern(static_cast<std::size_t>(std::max(room, 0)), in.Byte());
    c.bodyLength = in.Byte();
    c.received = in.Rest();
    return c;
}

// The data bytes of `body` that belong in an answer of `answerLen` bytes.
std::size_t StoredCount(std::size_t bodyReceived, std::size_t bodyLength, int crcMode,
                        std::size_t answerLen) {
    const std::size_t dataCame = bodyReceived > 2 ? bodyReceived - 2 : 0;
    return std::min({answerLen, ft12::DataLength(bodyLength, crcMode), dataCame});
}

void CheckAnswer(const GuardedBytes& answer, std::span<const std::uint8_t> body,
                 std::size_t stored) {
    FUZZ_REQUIRE(answer.GuardsIntact(), "a byte outside the answer buffer changed");
    for (std::size_t i = 0; i < stored; ++i)
        FUZZ_REQUIRE(answer.Span()[i] == body[i + 2], "the answer differs from the data bytes");
    FUZZ_REQUIRE(answer.UntouchedFrom(stored), "an answer byte changed that no data byte filled");
}

void CheckStart(const Case& c) {
    const std::uint8_t first = c.received.empty() ? 0 : c.received[0];
    const protocol::Ft12Start got = protocol::ClassifyFt12Start(first, c.crcMode);
    const ft12::Start want = ft12::ClassifyStart(first, c.crcMode);
    FUZZ_REQUIRE(got.result == want.result.value_or(0), "start byte verdict differs");
    if (!want.result) {
        FUZZ_REQUIRE(got.headerRest == want.headerRest, "header rest of a start byte differs");
        FUZZ_REQUIRE(got.bodyLength == want.bodyLength, "short body length differs");
    }
}

void CheckLongHeader(const Case& c) {
    const auto rest = c.received.subspan(std::min<std::size_t>(1, c.received.size()));
    for (std::size_t n = 0; n <= std::min<std::size_t>(4, rest.size()); ++n) {
        constexpr std::size_t kUnset = 1000;
        std::size_t got = kUnset, want = kUnset;
        const int v = protocol::CheckFt12LongHeader(rest.first(n), c.crcMode, got);
        FUZZ_REQUIRE(v == ft12::LongHeaderVerdict(rest.first(n), c.crcMode, want),
                     "long header verdict differs");
        FUZZ_REQUIRE(got == want, "long header body length differs");
    }
}

void CheckBodyByByte(const Case& c) {
    GuardedBytes answer(c.answer);
    protocol::Ft12AnswerBody body(c.address, c.crcMode, c.bodyLength, answer.Span(), c.answerLen);
    const std::size_t taken = std::min(c.received.size(), c.bodyLength + 3);
    for (std::size_t k = 0; k < taken; ++k) {
        body.Take(c.received[k]);
        const std::size_t in = std::min(k + 1, c.bodyLength);
        FUZZ_REQUIRE(body.Received() == in, "the body counted another number of bytes");
        FUZZ_REQUIRE(body.Complete() == (in >= c.bodyLength), "body completeness is wrong");
        FUZZ_REQUIRE(body.Verdict() == ft12::FieldsVerdict(c.received.first(in), c.address),
                     "control/address verdict differs");
    }
    const std::size_t in = std::min(taken, c.bodyLength);
    const auto received = c.received.first(in);
    const std::size_t answerLen = std::min(c.answerLen, c.answer.size());
    const auto after = c.received.subspan(in);
    for (std::size_t n = 0; n <= std::min<std::size_t>(3, after.size()); ++n) {
        const int v = body.CheckTrailer(after.first(n));
        FUZZ_REQUIRE(kFt12Results.contains(v), "a trailer verdict outside the set");
        FUZZ_REQUIRE(
            v == ft12::TrailerVerdict(received, after.first(n), c.bodyLength, c.crcMode, answerLen),
            "trailer verdict differs");
    }
    CheckAnswer(answer, received, StoredCount(in, c.bodyLength, c.crcMode, answerLen));
}

// The whole answer, as the exchange would find it with every byte in time.
void CheckWholeAnswer(const Case& c) {
    GuardedBytes answer(c.answer);
    const int got =
        protocol::CheckFt12Answer(c.received, c.address, c.crcMode, answer.Span(), c.answerLen);
    FUZZ_REQUIRE(kFt12Results.contains(got), "a whole-answer verdict outside the set");

    int want = 1;
    std::span<const std::uint8_t> body;
    std::size_t bodyLength = 0;
    if (!c.received.empty()) {
        const ft12::Start start = ft12::ClassifyStart(c.received[0], c.crcMode);
        std::size_t pos = 1;
        bodyLength = start.bodyLength;
        want = start.result.value_or(0);
        if (want == 0 && start.headerRest > 0) {
            const auto rest =
                c.received.subspan(pos, std::min<std::size_t>(3, c.received.size() - pos));
            want = ft12::LongHeaderVerdict(rest, c.crcMode, bodyLength);
            pos += rest.size();
        }
        if (want == 0) {
            body = c.received.subspan(pos, std::min(bodyLength, c.received.size() - pos));
            pos += body.size();
            want = ft12::FieldsVerdict(body, c.address);
            if (want == 0)
                want = ft12::TrailerVerdict(
                    body,
                    c.received.subspan(pos, std::min<std::size_t>(2, c.received.size() - pos)),
                    bodyLength, c.crcMode, std::min(c.answerLen, c.answer.size()));
        }
    }
    FUZZ_REQUIRE(got == want, "whole-answer verdict differs");
    CheckAnswer(
        answer, body,
        StoredCount(body.size(), bodyLength, c.crcMode, std::min(c.answerLen, c.answer.size())));
}

void CheckTraditionalBlock(const Case& c) {
    const int got = protocol::CheckTraditionalAnswer(c.received, c.answerLen);
    int want = 5;
    if (c.received.size() >= c.answerLen + 1) {
        unsigned sum = 0;
        for (std::size_t i = 0; i <= c.answerLen; ++i) sum += c.received[i];
        want = sum % 256 == 0 ? 0 : 4;
    }
    FUZZ_REQUIRE(got == want, "traditional answer block verdict differs");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const Case c = ReadCase(in);
    CheckStart(c);
    CheckLongHeader(c);
    CheckBodyByByte(c);
    CheckWholeAnswer(c);
    CheckTraditionalBlock(c);
    return 0;
}
