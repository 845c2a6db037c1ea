#include "fuzz/support/Ft12Reference.h"

#include <algorithm>

namespace hk::fuzz::ft12 {
namespace {

constexpr std::uint8_t kShortStart = 0x10;
constexpr std::uint8_t kLongStart = 0x68;
constexpr std::uint8_t kEnd = 0x16;
constexpr std::uint8_t kRequestControl = 0x40;
constexpr std::uint8_t kAnswerControl = 0x00;
constexpr std::size_t kShortData = 4;

bool CrcInData(int crcMode) { return crcMode == 1; }
bool CrcAsTrailer(int crcMode) { return crcMode == 2; }

std::uint8_t SumOf(std::span<const std::uint8_t> bytes) {
    unsigned sum = 0;
    for (std::uint8_t b : bytes) sum += b;
    return static_cast<std::uint8_t>(sum % 256);
}

void AppendLowFirst(std::vector<std::uint8_t>& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value % 256));
    out.push_back(static_cast<std::uint8_t>(value / 256));
}

}  // namespace

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    unsigned reg = 0xFFFF;
    for (std::uint8_t b : bytes) {
        reg ^= b;
        for (int i = 0; i < 8; ++i) {
            const bool out = (reg % 2) != 0;
            reg /= 2;
            if (out) reg ^= 0x8408;
        }
    }
    return static_cast<std::uint16_t>(reg);
}

std::optional<Frame> RequestFrame(std::span<const std::uint8_t> data, std::uint8_t address,
                                  int crcMode) {
    Frame f;
    f.body = {kRequestControl, address};
    f.body.insert(f.body.end(), data.begin(), data.end());
    const bool isShort = data.size() <= kShortData;
    if (isShort) f.body.resize(2 + kShortData, 0x00);
    const std::uint16_t crc = Crc16(f.body);
    if (CrcInData(crcMode)) AppendLowFirst(f.body, crc);
    if (f.body.size() > 255) return std::nullopt;
    if (isShort) {
        f.header = {kShortStart};
    } else {
        const auto l = static_cast<std::uint8_t>(f.body.size());
        f.header = {kLongStart, l, l, kLongStart};
    }
    if (CrcAsTrailer(crcMode))
        AppendLowFirst(f.trailer, crc);
    else
        f.trailer = {SumOf(f.body), kEnd};
    return f;
}

Start ClassifyStart(std::uint8_t first, int crcMode) {
    Start s;
    if (first == 0xA2)
        s.result = 37;
    else if (first == 0xE5)
        s.result = 38;
    else if (first == kShortStart)
        s.bodyLength = CrcInData(crcMode) ? 8 : 6;
    else if (first == kLongStart)
        s.headerRest = 3;
    else
        s.result = 1;
    return s;
}

int LongHeaderVerdict(std::span<const std::uint8_t> rest, int crcMode, std::size_t& bodyLength) {
    if (rest.size() < 3) return 2;
    if (rest[2] != kLongStart) return 34;
    if (rest[0] != rest[1]) return 33;
    if (rest[0] < (CrcInData(crcMode) ? 4 : 2)) return 39;
    bodyLength = rest[0];
    return 0;
}

std::size_t DataLength(std::size_t bodyLength, int crcMode) {
    const std::size_t overhead = CrcInData(crcMode) ? 4 : 2;
    return bodyLength > overhead ? bodyLength - overhead : 0;
}

int FieldsVerdict(std::span<const std::uint8_t> body, std::uint8_t address) {
    int verdict = 0;
    if (body.size() > 0 && body[0] != kAnswerControl) verdict = 30;
    if (body.size() > 1 && body[1] != address) verdict = 31;
    return verdict;
}

int TrailerVerdict(std::span<const std::uint8_t> body, std::span<const std::uint8_t> trailer,
                   std::size_t bodyLength, int crcMode, std::size_t answerLen) {
    if (trailer.size() < 2) return 5;
    if (CrcAsTrailer(crcMode)) {
        std::vector<std::uint8_t> all(body.begin(), body.end());
        all.insert(all.end(), trailer.begin(), trailer.begin() + 2);
        if (Crc16(all) != 0) return 11;
    } else {
        if (CrcInData(crcMode) && Crc16(body) != 0) return 11;
        if (trailer[0] != SumOf(body)) return 36;
        if (trailer[1] != kEnd) return 35;
    }
    if (body.size() < bodyLength) return 5;
    const std::size_t data = DataLength(bodyLength, crcMode);
    if (data == answerLen || (data == kShortData && answerLen <= kShortData)) return 0;
    return 40;
}

}  // namespace hk::fuzz::ft12
