#include "device/KitBuffers.h"

#include <algorithm>

#include "base/Windows1251.h"
#include "lists/EncodeLine.h"

namespace hk::device {
namespace {

constexpr std::uint8_t kEndOfText = 0x00;
constexpr std::uint8_t kErased = 0xFF;

// Kits 0 and 1 read the buffer at one memory address and write it, during
// reprogramming, at another, which is also the unlock; kits 2 and 3 read and
// write a parameter, unlocked by the complement of its number.
constexpr std::array<KitLayout, 4> kKits = {{
    {2,
     {{{"для канала МЦП",
        {{4, kReadMemory, 0xBF, 0x00, 0x80}},
        {kWriteMemory, 0xDF, 0x00},
        {0xDF, 0x00},
        0},
       {"для канала МПИ",
        {{4, kReadMemory, 0xBF, 0x80, 0x80}},
        {kWriteMemory, 0xDF, 0x80},
        {0xDF, 0x80},
        1}}}},
    {1,
     {{{"для последовательного канала",
        {{4, kReadMemory, 0xAF, 0x00, 0x80}},
        {kWriteMemory, 0x2F, 0x00},
        {0x2F, 0x00},
        0},
       {}}}},
    {1,
     {{{"для канала МПИ",
        {{3, kReadParameter, 0x40, 0x4B}},
        {kWriteParameter, 0x40, 0x4B},
        {0xBF, 0xB4},
        1},
       {}}}},
    {2,
     {{{"для канала МЦП",
        {{3, kReadParameter, 0x40, 0x48}},
        {kWriteParameter, 0x40, 0x48},
        {0xBF, 0xB7},
        0},
       {"для канала МПИ",
        {{3, kReadParameter, 0x40, 0x4B}},
        {kWriteParameter, 0x40, 0x4B},
        {0xBF, 0xB4},
        1}}}},
}};

// "байт" after 1, 5..20, 21, 25..; "байта" after 2..4, 22..24, ...
const char* BytesWord(std::size_t n) {
    const std::size_t last = n % 10, lastTwo = n % 100;
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14)) return "байта";
    return "байт";
}

}  // namespace

const KitLayout& KitBuffersOf(int kitIndex) {
    return kKits[static_cast<std::size_t>(std::clamp(kitIndex, 0, int(kKits.size()) - 1))];
}

bool TwoChannelKit(int kitIndex) { return KitBuffersOf(kitIndex).count == 2; }

bool WithLengthByte(int kitIndex, int protocol) {
    return kitIndex == kMinimalKit && protocol != kTraditional;
}

std::size_t BufferLimit(int kitIndex, int protocol) {
    return WithLengthByte(kitIndex, protocol) ? kBufferBytes - 1 : kBufferBytes;
}

void DecodeBuffer(std::span<const std::uint8_t> bytes, MemoLines& memo, LineEnds ends) {
    const bool showSpecial = ends == LineEnds::Shown;
    memo.Clear();
    std::string line;
    for (std::uint8_t b : bytes) {
        if (b == kEndOfText || b == kErased) break;
        if (b == kCr) {
            if (showSpecial) line += "<CR>";
            memo.AddLine(line);
            line.clear();
        } else if (b == kLf) {
            if (showSpecial) line += "<LF>";
        } else {
            line += static_cast<char>(b);
        }
    }
    memo.AddLine(line);
}

int EncodeMemo(std::span<std::uint8_t> data, const MemoLines& memo, LineSink* trace) {
    const int count = memo.Count();
    if (count == 0) return kEmptyMemoBytes;
    std::size_t needed = 0;
    int end = 0;
    bool placing = true;
    for (int i = 0; i < count; ++i) {
        const std::string line = memo.Line(i);
        if (line.empty()) continue;
        needed += EncodedLength(line);
        if (!placing) continue;
        const int next = EncodeLine(line, data, end, trace);
        if (next == kLineDoesNotFit)
            placing = false;  // the memo is refused: nothing more is placed
        else
            end = next;
    }
    return static_cast<int>(needed) + kTerminatingZeros;
}

BufferImages EncodeBuffers(const KitLayout& kit, std::size_t limit, const MemoLines& upper,
                           const MemoLines& lower, bool clearFirst, bool clearSecond,
                           LineSink* trace) {
    BufferImages images;
    const std::size_t room = std::min(limit, kFrameDataBytes);
    images.bytes[0] = clearFirst ? kClearModeBytes
                                 : EncodeMemo(std::span(images.data[0]).first(room), upper, trace);
    if (kit.count > 1)
        images.bytes[1] = clearSecond
                              ? kClearModeBytes
                              : EncodeMemo(std::span(images.data[1]).first(room), lower, trace);
    return images;
}

std::string OversizeText(const KitLayout& kit, const BufferImages& images, std::size_t limit) {
    std::string text;
    for (int i = 0; i < kit.count; ++i) {
        const auto bytes = static_cast<std::size_t>(images.bytes[static_cast<std::size_t>(i)]);
        if (bytes <= limit) continue;
        const std::size_t over = bytes - limit;
        text += std::string("Строки ") + kit.buffers[static_cast<std::size_t>(i)].label +
                " не помещаются в буфер КВАРД: на " + std::to_string(over) + " " + BytesWord(over) +
                " больше допустимых " + std::to_string(limit) +
                " (вместе с пятью завершающими нулями).\r";
    }
    if (!text.empty()) text += "Запись в КВАРД отменена.";
    return text;
}

std::string ErasedByteText(const KitLayout& kit, const MemoLines& upper, const MemoLines& lower,
                           bool clearFirst, bool clearSecond) {
    std::string text;
    const MemoLines* memos[2] = {&upper, &lower};
    const bool cleared[2] = {clearFirst, clearSecond};
    for (int b = 0; b < kit.count; ++b) {
        const auto k = static_cast<std::size_t>(b);
        if (cleared[k]) continue;
        const MemoLines& memo = *memos[k];
        for (int i = 0; i < memo.Count(); ++i) {
            const std::string line = memo.Line(i);
            // Only the text before the first "<" is sent.
            const std::size_t at = line.substr(0, line.find('<')).find(char(kErased));
            if (at == std::string::npos) continue;
            const std::string before = Utf8FromWindows1251(line.substr(0, at));
            text += "Строка " + std::to_string(i + 1) + " " + kit.buffers[k].label + " («" +
                    Utf8FromWindows1251(line) +
                    "») содержит букву «я»: её код FF в памяти КВАРД означает конец буфера, и "
                    "КВАРД прочитал бы " +
                    (before.empty() ? std::string("буфер только до этой строки")
                                    : "эту строку только до «" + before + "»") +
                    ". Замените «я» (например, заглавной «Я»).\r";
            break;
        }
    }
    if (!text.empty()) text += "Запись в КВАРД отменена.";
    return text;
}

std::size_t BuildWriteFrame(const KitBuffer& buffer, std::span<const std::uint8_t> data, int bytes,
                            bool lengthByte, std::array<std::uint8_t, kWriteFrameBytes>& frame) {
    frame.fill(0);
    const std::size_t header = 1 + buffer.writeHeader.size() + (lengthByte ? 1 : 0);
    const std::size_t count = std::min(static_cast<std::size_t>(std::max(bytes, 0)),
                                       std::min(data.size(), frame.size() - header));
    frame[0] = static_cast<std::uint8_t>(header - 1 + count);
    std::copy(buffer.writeHeader.begin(), buffer.writeHeader.end(), frame.begin() + 1);
    if (lengthByte) frame[4] = static_cast<std::uint8_t>(count);
    std::copy_n(data.begin(), count, frame.begin() + static_cast<std::ptrdiff_t>(header));
    return header + count;
}

}  // namespace hk::device
