#pragma once
// The decoded line of one exchange for the exchange log, from the bytes and
// the result alone (pure functions, tested on bytes). The traditional line
// shows the request, the ready and accept/reject verdicts, the answer with
// its check byte verdict and the result; the FT1.2 line the frame kind,
// address and data of the request, the answer's kind (short or long frame,
// single byte), control field, address, data and check verdict, and the
// result. A secret request (the access password, its write-unlock) shows only
// its first three bytes; the rest reads "**".

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace hk::protocol {

// What a traditional exchange went through.
struct TraditionalTrace {
    bool ready = false;               // 04 came after the start byte
    int verdict = -1;                 // -1 none, 0 accepted (06), 3 rejected (15)
    std::vector<std::uint8_t> block;  // the answer block as read (data and check byte)
};

// `request`: the count byte and the request bytes.
std::string TraditionalText(std::span<const std::uint8_t> request, const TraditionalTrace& trace,
                            std::size_t answerLen, int result, bool secret);

// `received`: every answer byte read, in order, from the first on.
std::string Ft12Text(std::span<const std::uint8_t> request, std::uint8_t address, int crcMode,
                     std::span<const std::uint8_t> received, int result, bool secret);

// What the guard after a failed exchange discarded before the next request
// (the bytes themselves stand below it in the log).
std::string LateAnswerText(std::size_t bytes);

// The request bytes in hex, the secret ones masked.
std::string RequestHex(std::span<const std::uint8_t> request, bool secret);

}  // namespace hk::protocol
