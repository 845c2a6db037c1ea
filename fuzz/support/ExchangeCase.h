#pragma once
// One controller exchange as a fuzz input describes it, and its run on the
// virtual clock over a simulated line whose far end follows the input's
// script. Input layout, byte by byte in this order (every byte past the end
// reads as 0):
//
//   line      bits 0-1 link kind, bit 2 the far end echoes every byte
//             written, bit 3 channel, bit 4 the port fails (an adapter
//             pulled)
//   fail      only with bit 4: value + 1 is the number of the first write or
//             read that fails; every one after it fails too
//   speed     speed index: value % 12 - 1 (-1 and 10 lie outside the table)
//   address   network number (any byte)
//   crc       CRC mode: value % 5 - 1 (only 1 and 2 name a CRC use)
//   N         the request's byte count
//   k         value % 9: the first min(k, N) request bytes follow here; the
//             others are a fixed pattern
//   room      request buffer room: N + 1 + value % 4 bytes
//   answer    answerLen: value - 1 (-1 .. 254)
//   room      answer buffer room: max(answerLen, 0) + value % 4 bytes
//   fill      the answer buffer's fill pattern seed
//   chunks    to the end: answer chunks, each released after written byte
//             number value % (bytes the exchange writes + 1); its delay,
//             two bytes high first, in ms; the spacing of its bytes (value
//             < 128: value ms, else (value - 128) * 40 ms); its byte count;
//             its bytes.

#include <cstdint>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/RecordingLine.h"
#include "fuzz/support/ScriptedAnswer.h"
#include "link/PortSettings.h"

namespace hk::fuzz {

struct ExchangeCase {
    TPortSettings settings{};
    bool echoWritten = false;
    std::size_t failFromCall = 0;       // 0: the port never fails
    std::vector<std::uint8_t> request;  // the whole request buffer
    int answerLen = 0;
    std::vector<std::uint8_t> answer;  // the answer buffer as handed over
    std::vector<AnswerChunk> chunks;
};

// `protocol`: 0 traditional, 1 FT1.2.
ExchangeCase ReadExchangeCase(ByteReader& in, std::int8_t protocol);

// What one run of protocol::ExchangeFrame did.
struct ExchangeRun {
    int result = -1;
    std::int64_t startMs = 0;                   // the moment the exchange was called
    std::int64_t endMs = 0;                     // the moment it returned
    std::int32_t baud = 0;                      // the line speed in force
    std::vector<std::uint8_t> request, answer;  // the buffers afterwards
    bool guardsIntact = false;
    std::vector<LineCall> calls;
    int messagePasses = 0;
    int boxes = 0;
    bool operator==(const ExchangeRun&) const = default;
};

ExchangeRun RunExchange(const ExchangeCase& c);

}  // namespace hk::fuzz
