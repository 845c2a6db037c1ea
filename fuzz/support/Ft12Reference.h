#pragma once
// A second, deliberately plain, statement of the FT1.2 frame rules of the
// controller link, written from the frame layouts rather than from the code
// under test: the request frame, and the verdicts on the parts of an answer.
// The fuzz targets compare the program's framing and checks with it.
//
// A CRC mode other than 1 (CRC inside the data) or 2 (CRC instead of check
// sum and end byte) means no CRC.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace hk::fuzz::ft12 {

std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

struct Frame {
    std::vector<std::uint8_t> header, body, trailer;
    std::size_t Size() const { return header.size() + body.size() + trailer.size(); }
};

// The request frame of `data` (the N request bytes) to `address`; nullopt
// when the body would not fit in one length byte.
std::optional<Frame> RequestFrame(std::span<const std::uint8_t> data, std::uint8_t address,
                                  int crcMode);

// What the first answer byte means.
struct Start {
    std::optional<int> result;   // the exchange ends with this code
    std::size_t headerRest = 0;  // 3 after 0x68
    std::size_t bodyLength = 0;  // of a short frame
};
Start ClassifyStart(std::uint8_t first, int crcMode);

// The verdict on the three bytes after 0x68 (fewer when fewer came); 0 with
// `bodyLength` set when they announce a body with room for C and A (and the
// CRC in mode 1), 39 when not.
int LongHeaderVerdict(std::span<const std::uint8_t> rest, int crcMode, std::size_t& bodyLength);

// Data bytes in a body of `bodyLength` bytes: without C, A and, in CRC mode 1,
// the CRC.
std::size_t DataLength(std::size_t bodyLength, int crcMode);

// The verdict on the control and address fields of the body bytes received:
// 0, 30 (control not 0x00) or 31 (address wrong); the later finding decides.
int FieldsVerdict(std::span<const std::uint8_t> body, std::uint8_t address);

// The verdict on the trailer after the body bytes received (fewer than the
// body length when the body came short), for an answer of `answerLen` bytes:
// a cut body is 5; a sound frame's data must be `answerLen` long, or four
// for up to four asked (40 otherwise).
int TrailerVerdict(std::span<const std::uint8_t> body, std::span<const std::uint8_t> trailer,
                   std::size_t bodyLength, int crcMode, std::size_t answerLen);

}  // namespace hk::fuzz::ft12
