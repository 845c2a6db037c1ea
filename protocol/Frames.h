#pragma once
// The byte formats of the controller link, as pure functions over byte spans:
// the traditional frame with its check byte and answer block, and the FT1.2
// frames (short, long, three CRC modes) with the step-by-step answer checks
// that the exchange runs while it reads. Nothing here touches a port or a
// clock, so every format and every fault is testable from bytes alone.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "protocol/Results.h"

namespace hk::protocol {

// Single control bytes of the traditional protocol.
inline constexpr std::uint8_t Enq = 0x05;    // to the controller: start of exchange
inline constexpr std::uint8_t Ready = 0x04;  // from the controller: the frame may follow
inline constexpr std::uint8_t Eot = Ready;
inline constexpr std::uint8_t Ack = 0x06;  // frame accepted
inline constexpr std::uint8_t Nak = 0x15;  // frame rejected (check byte wrong)

// FT1.2 bytes.
inline constexpr std::uint8_t Ft12ShortStart = 0x10;
inline constexpr std::uint8_t Ft12LongStart = 0x68;
inline constexpr std::uint8_t Ft12End = 0x16;
inline constexpr std::uint8_t Ft12SingleA2 = 0xA2;  // single-byte answer, "done"
inline constexpr std::uint8_t Ft12SingleE5 = 0xE5;  // single-byte answer
inline constexpr std::uint8_t Ft12RequestControl = 0x40;
inline constexpr std::uint8_t Ft12AnswerControl = 0x00;
inline constexpr std::size_t Ft12ShortData = 4;  // data bytes of a short frame

// CRC use in FT1.2 frames (Settings.CrcMode).
enum CrcModes : int { kCrcNone = 0, kCrcInData = 1, kCrcInsteadOfTrailer = 2 };

// Sum of the bytes modulo 256.
std::uint8_t Sum8(std::span<const std::uint8_t> bytes);
// The traditional check byte: (0 - sum of the bytes) mod 256, so that the
// bytes and their check byte add up to 0 modulo 256.
std::uint8_t CheckByte(std::span<const std::uint8_t> bytes);

// CRC-16/MCRF4XX: initial 0xFFFF, reflected polynomial 0x8408, no final XOR.
// Sent low byte first, so the CRC over a block followed by its own CRC is 0.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);
// One more byte into a running CRC register (start with 0xFFFF).
std::uint16_t Crc16Update(std::uint16_t crc, std::uint8_t byte);

// ---- Traditional framing ---------------------------------------------------

// Largest number of request bytes any request may carry (the count is a byte).
inline constexpr std::size_t kMaxRequestBytes = 255;

// Fills in the check byte of a request buffer (byte 0 = N, bytes 1..N the
// request) at position N+1 and returns the frame, N+2 bytes of the buffer.
// An empty span when the buffer has no room for N+2 bytes (nothing written).
std::span<const std::uint8_t> BuildTraditionalFrame(std::span<std::uint8_t> request);

// The answer block: `answerLen` data bytes and one check byte. kResultOk, or
// kResultAnswerIncomplete when fewer bytes came, kResultAnswerCheckWrong when
// they do not add up to 0 modulo 256.
int CheckTraditionalAnswer(std::span<const std::uint8_t> block, std::size_t answerLen);

// ---- FT1.2 framing ----------------------------------------------------------

// The largest request an FT1.2 frame carries: the body (C, A, data and, in
// CRC mode 1, the CRC) must fit in 256 bytes and L in one byte.
std::size_t MaxFt12RequestBytes(int crcMode);

// One request frame, in the three parts the exchange writes separately.
struct Ft12Frame {
    std::array<std::uint8_t, 4> header{};
    std::size_t headerSize = 0;
    std::array<std::uint8_t, 256> body{};
    std::size_t bodySize = 0;
    std::array<std::uint8_t, 2> trailer{};

    std::span<const std::uint8_t> Header() const { return {header.data(), headerSize}; }
    std::span<const std::uint8_t> Body() const { return {body.data(), bodySize}; }
    std::span<const std::uint8_t> Trailer() const { return {trailer.data(), trailer.size()}; }
    std::size_t Size() const { return headerSize + bodySize + trailer.size(); }
};

// Frames the N request bytes for the controller with network number
// `address`: a short frame (data padded to four bytes) when N <= 4, else a
// long frame. False, with `frame` untouched, when N exceeds
// MaxFt12RequestBytes(crcMode). A CRC mode other than 1 or 2 means none.
bool BuildFt12Frame(std::span<const std::uint8_t> requestBytes, std::uint8_t address, int crcMode,
                    Ft12Frame& frame);

// What the first answer byte announces: a result (single bytes, unknown
// start) or, for a frame, how many more bytes to read before the body.
struct Ft12Start {
    int result = kResultOk;      // not kResultOk: the exchange ends with it
    std::size_t headerRest = 0;  // 3 for a long frame (L L 0x68)
    std::size_t bodyLength = 0;  // known at once for a short frame
};
Ft12Start ClassifyFt12Start(std::uint8_t first, int crcMode);

// The three bytes after 0x68. On success `bodyLength` := L. A body too short
// for the control and address fields (and, in CRC mode 1, the CRC) is
// kResultFrameTooShort: such a frame answers nothing.
int CheckFt12LongHeader(std::span<const std::uint8_t> rest, int crcMode, std::size_t& bodyLength);

// Takes the answer body byte by byte as it arrives: checks the control field
// and the address, keeps the running check sum and the bytes for the CRC,
// and copies the data bytes into the answer, never more than `answerLen` and
// never past the end of `answer`.
class Ft12AnswerBody {
public:
    Ft12AnswerBody(std::uint8_t address, int crcMode, std::size_t bodyLength,
                   std::span<std::uint8_t> answer, std::size_t answerLen);

    void Take(std::uint8_t byte);
    std::size_t Received() const { return received_; }
    bool Complete() const { return received_ >= bodyLength_; }
    // kResultControlWrong or kResultAddressWrong (the later finding decides),
    // else kResultOk.
    int Verdict() const { return verdict_; }
    // Checks the two trailer bytes against what was received. A body cut
    // short is incomplete; a sound frame must carry the data asked for:
    // exactly `answerLen` bytes, or four (a short frame's padded data) for a
    // request of up to four (kResultAnswerLengthWrong otherwise).
    int CheckTrailer(std::span<const std::uint8_t> trailer) const;

private:
    std::uint8_t address_;
    int crcMode_;
    std::size_t bodyLength_;
    std::span<std::uint8_t> answer_;
    std::size_t answerLen_;
    std::size_t dataLength_;  // body bytes that are data (without C, A and CRC)
    std::size_t received_ = 0;
    std::uint8_t sum_ = 0;
    std::uint16_t crc_ = 0xFFFF;  // over the body bytes received so far
    int verdict_ = kResultOk;
};

// The whole answer check over the bytes as they came, in order: what the
// exchange finds when every byte arrives in time. Data go into `answer`.
int CheckFt12Answer(std::span<const std::uint8_t> received, std::uint8_t address, int crcMode,
                    std::span<std::uint8_t> answer, std::size_t answerLen);

}  // namespace hk::protocol
