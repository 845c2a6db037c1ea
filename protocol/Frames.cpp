#include "protocol/Frames.h"

#include <algorithm>

namespace hk::protocol {
namespace {

constexpr std::uint16_t kCrcInitial = 0xFFFF;
constexpr std::uint16_t kCrcPolynomial = 0x8408;  // 0x1021 bit-reversed
constexpr std::size_t kMaxFt12Body = 255;         // L is one byte
constexpr std::size_t kControlAndAddress = 2;
constexpr std::size_t kCrcBytes = 2;
constexpr std::size_t kLongHeaderRest = 3;  // L L 0x68

std::uint8_t Low(std::uint16_t v) { return static_cast<std::uint8_t>(v & 0xFF); }
std::uint8_t High(std::uint16_t v) { return static_cast<std::uint8_t>(v >> 8); }

bool AddsChecksum(int crcMode) { return crcMode != kCrcInsteadOfTrailer; }
bool ChecksCrc(int crcMode) { return crcMode == kCrcInData || crcMode == kCrcInsteadOfTrailer; }

}  // namespace

std::uint8_t Sum8(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::uint8_t CheckByte(std::span<const std::uint8_t> bytes) {
    return static_cast<std::uint8_t>((0x100 - Sum8(bytes)) & 0xFF);
}

std::uint16_t Crc16Update(std::uint16_t crc, std::uint8_t byte) {
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ kCrcPolynomial)
                        : static_cast<std::uint16_t>(crc >> 1);
    return crc;
}

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = kCrcInitial;
    for (std::uint8_t b : bytes) crc = Crc16Update(crc, b);
    return crc;
}

std::span<const std::uint8_t> BuildTraditionalFrame(std::span<std::uint8_t> request) {
    if (request.empty()) return {};
    const std::size_t n = request[0];
    if (request.size() < n + 2) return {};
    request[n + 1] = CheckByte(request.subspan(1, n));
    return request.first(n + 2);
}

int CheckTraditionalAnswer(std::span<const std::uint8_t> block, std::size_t answerLen) {
    if (block.size() < answerLen + 1) return kResultAnswerIncomplete;
    return Sum8(block.first(answerLen + 1)) == 0 ? kResultOk : kResultAnswerCheckWrong;
}

std::size_t MaxFt12RequestBytes(int crcMode) {
    return kMaxFt12Body - kControlAndAddress - (crcMode == kCrcInData ? kCrcBytes : 0);
}

bool BuildFt12Frame(std::span<const std::uint8_t> requestBytes, std::uint8_t address, int crcMode,
                    Ft12Frame& frame) {
    const std::size_t n = requestBytes.size();
    if (n > MaxFt12RequestBytes(crcMode)) return false;

    Ft12Frame f;
    f.body[f.bodySize++] = Ft12RequestControl;
    f.body[f.bodySize++] = address;
    std::copy(requestBytes.begin(), requestBytes.end(), f.body.begin() + 2);
    // A short frame always carries four data bytes; the padding is part of
    // the CRC and the check sum.
    const bool isShort = n <= Ft12ShortData;
    f.bodySize += isShort ? Ft12ShortData : n;
    const std::uint16_t crc = Crc16(f.Body());
    if (crcMode == kCrcInData) {
        f.body[f.bodySize++] = Low(crc);
        f.body[f.bodySize++] = High(crc);
    }

    if (isShort) {
        f.header[0] = Ft12ShortStart;
        f.headerSize = 1;
    } else {
        const auto l = static_cast<std::uint8_t>(f.bodySize);
        f.header = {Ft12LongStart, l, l, Ft12LongStart};
        f.headerSize = 4;
    }

    if (crcMode == kCrcInsteadOfTrailer)
        f.trailer = {Low(crc), High(crc)};
    else
        f.trailer = {Sum8(f.Body()), Ft12End};
    frame = f;
    return true;
}

Ft12Start ClassifyFt12Start(std::uint8_t first, int crcMode) {
    Ft12Start s;
    switch (first) {
        case Ft12SingleA2:
            s.result = kResultSingleA2;
            break;
        case Ft12SingleE5:
            s.result = kResultSingleE5;
            break;
        case Ft12ShortStart:
            s.bodyLength =
                kControlAndAddress + Ft12ShortData + (crcMode == kCrcInData ? kCrcBytes : 0);
            break;
        case Ft12LongStart:
            s.headerRest = kLongHeaderRest;
            break;
        default:
            s.result = kResultNoStart;
            break;
    }
    return s;
}

int CheckFt12LongHeader(std::span<const std::uint8_t> rest, int crcMode, std::size_t& bodyLength) {
    if (rest.size() < kLongHeaderRest) return kResultHeaderIncomplete;
    if (rest[2] != Ft12LongStart) return kResultLongStartWrong;
    if (rest[0] != rest[1]) return kResultLengthMismatch;
    // Without its control and address fields a frame names no controller.
    if (rest[0] < kControlAndAddress + (crcMode == kCrcInData ? kCrcBytes : 0))
        return kResultFrameTooShort;
    bodyLength = rest[0];
    return kResultOk;
}

Ft12AnswerBody::Ft12AnswerBody(std::uint8_t address, int crcMode, std::size_t bodyLength,
                               std::span<std::uint8_t> answer, std::size_t answerLen)
    : address_(address),
      crcMode_(crcMode),
      bodyLength_(bodyLength),
      answer_(answer),
      answerLen_(std::min(answerLen, answer.size())) {
    const std::size_t overhead = kControlAndAddress + (crcMode == kCrcInData ? kCrcBytes : 0);
    dataLength_ = bodyLength > overhead ? bodyLength - overhead : 0;
}

void Ft12AnswerBody::Take(std::uint8_t byte) {
    if (Complete()) return;
    const std::size_t i = received_++;
    if (AddsChecksum(crcMode_)) sum_ = static_cast<std::uint8_t>(sum_ + byte);
    if (ChecksCrc(crcMode_)) crc_ = Crc16Update(crc_, byte);
    if (i == 0) {
        if (byte != Ft12AnswerControl) verdict_ = kResultControlWrong;
    } else if (i == 1) {
        if (byte != address_) verdict_ = kResultAddressWrong;
    } else {
        const std::size_t d = i - kControlAndAddress;
        if (d < dataLength_ && d < answerLen_) answer_[d] = byte;
    }
}

int Ft12AnswerBody::CheckTrailer(std::span<const std::uint8_t> trailer) const {
    if (trailer.size() < 2) return kResultAnswerIncomplete;
    if (crcMode_ == kCrcInsteadOfTrailer) {
        // The trailer is the CRC itself; over body and CRC the register ends at 0.
        const std::uint16_t crc = Crc16Update(Crc16Update(crc_, trailer[0]), trailer[1]);
        if (crc != 0) return kResultCrcWrong;
    } else {
        if (crcMode_ == kCrcInData && crc_ != 0) return kResultCrcWrong;
        if (trailer[0] != sum_) return kResultCheckSumWrong;
        if (trailer[1] != Ft12End) return kResultEndWrong;
    }
    // A body cut short by the time limit would leave stale bytes in the
    // answer, whatever its trailer says.
    if (!Complete()) return kResultAnswerIncomplete;
    // A frame with other data than asked for answers another request (a
    // late answer to an earlier one, say): four data bytes are a short
    // frame's padded data and answer any request for up to four.
    if (dataLength_ == answerLen_ || (dataLength_ == Ft12ShortData && answerLen_ <= Ft12ShortData))
        return kResultOk;
    return kResultAnswerLengthWrong;
}

int CheckFt12Answer(std::span<const std::uint8_t> received, std::uint8_t address, int crcMode,
                    std::span<std::uint8_t> answer, std::size_t answerLen) {
    if (received.empty()) return kResultNoStart;
    const Ft12Start start = ClassifyFt12Start(received[0], crcMode);
    if (start.result != kResultOk) return start.result;
    std::size_t pos = 1;
    std::size_t bodyLength = start.bodyLength;
    if (start.headerRest > 0) {
        const auto rest = received.subspan(pos, std::min(start.headerRest, received.size() - pos));
        if (const int r = CheckFt12LongHeader(rest, crcMode, bodyLength); r != kResultOk) return r;
        pos += rest.size();
    }
    Ft12AnswerBody body(address, crcMode, bodyLength, answer, answerLen);
    while (!body.Complete() && pos < received.size()) body.Take(received[pos++]);
    if (body.Verdict() != kResultOk) return body.Verdict();
    return body.CheckTrailer(
        received.subspan(pos, std::min<std::size_t>(2, received.size() - pos)));
}

}  // namespace hk::protocol
