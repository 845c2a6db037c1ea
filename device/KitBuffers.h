#pragma once
// Where each controller kit keeps its modem buffers, and how the text of a
// main-window memo becomes a buffer image and back.
//
// A buffer holds 128 bytes: Windows-1251 text lines, 0D ending a line, 0A
// inside or at the end of a line, and 00 or FF ending the content. A write
// sends the encoded lines followed by five zero bytes (four zero bytes for a
// memo without any line, 120 in clear mode) in one request: the count byte,
// three header bytes and the data; kit 1 over FT1.2 puts the number of data
// bytes between header and data.

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "device/Commands.h"
#include "lists/MemoLines.h"

namespace hk::device {

inline constexpr std::size_t kBufferBytes = 128;
inline constexpr std::size_t kFrameDataBytes = 130;  // data area of a write request
inline constexpr std::size_t kWriteFrameBytes = 4 + kFrameDataBytes;
inline constexpr int kClearModeBytes = 120;
inline constexpr int kEmptyMemoBytes = 4;
inline constexpr int kTerminatingZeros = 5;

// One buffer of a kit.
struct KitBuffer {
    const char* label;   // the main window's label of its memo
    DeviceCommand read;  // answered with the 128 buffer bytes
    std::array<std::uint8_t, 3> writeHeader;
    std::array<std::uint8_t, 2> unlock;  // x y of the write-unlock before the write
    int channel;                         // its control parameter is (40 + channel) 04
};

struct KitLayout {
    int count;  // 2 for kits 0 and 3, else 1
    std::array<KitBuffer, 2> buffers;
};

// Kit 1, the minimal kit: one channel's buffer.
inline constexpr int kMinimalKit = 1;

// The layout of kit 0..3 (a larger index is taken as kit 3).
const KitLayout& KitBuffersOf(int kitIndex);

// The kit keeps a buffer for each of the two channels, МЦП and МПИ (kits 0
// and 3): the main window shows both memos, a read or write takes two lists.
bool TwoChannelKit(int kitIndex);

// Kit 1 over FT1.2 counts the data bytes in front of the data.
bool WithLengthByte(int kitIndex, int protocol);
// The most data bytes (text and terminating zeros) a buffer takes: 128, one
// less when the length byte goes with them.
std::size_t BufferLimit(int kitIndex, int protocol);

// How a decoded buffer shows its line ends: not at all, or as "<CR>" and
// "<LF>" ("Показать спец. символы").
enum class LineEnds : bool { Hidden = false, Shown = true };

// Replaces the memo's lines with the text of a buffer: 00 or FF ends it, 0D
// ends a line (shown as "<CR>" when `ends` are shown), 0A stays inside the
// line ("<LF>" when shown, else dropped). The line being built when the walk
// ends is added too, also when empty.
void DecodeBuffer(std::span<const std::uint8_t> bytes, MemoLines& memo, LineEnds ends);

// Encodes the non-empty lines of `memo` from the start of `data` (already
// zero) and returns the number of data bytes the memo needs: the encoded
// length plus the five terminating zeros, or 4 for a memo without any line.
// Only lines that fit in `data` are placed (and traced into `trace`); the
// caller refuses a memo that needs more than it has room for. The lines are
// counted before the first is encoded, so a `trace` that is `memo` itself
// does not feed its own encoding.
int EncodeMemo(std::span<std::uint8_t> data, const MemoLines& memo, LineSink* trace);

// Both data areas of a write, zeroed and filled as the write sends them.
struct BufferImages {
    std::array<std::array<std::uint8_t, kFrameDataBytes>, 2> data{};
    std::array<int, 2> bytes{};  // data bytes of each; 0 for a buffer the kit has not
};

// The upper memo first, then (kits with two buffers) the lower one, each
// within `limit` bytes, or the clear-mode zeros. With the byte trace on,
// `trace` is the lower memo: what the upper memo's encoding traces into it
// becomes part of the second buffer.
BufferImages EncodeBuffers(const KitLayout& kit, std::size_t limit, const MemoLines& upper,
                           const MemoLines& lower, bool clearFirst, bool clearSecond,
                           LineSink* trace);

// The error box text for the buffers whose data do not fit `limit` bytes,
// one sentence per buffer separated by carriage returns; empty when all fit.
std::string OversizeText(const KitLayout& kit, const BufferImages& images, std::size_t limit);

// Byte FF ends a buffer's content (unused memory reads FF) and is also the
// letter "я" in Windows-1251: a line holding it would be cut there, and
// everything after it in the buffer lost. The error box text naming, for
// each buffer written with lines, the first such line (its number in the
// memo, counting from 1), its text and the letter; empty when there is none.
std::string ErasedByteText(const KitLayout& kit, const MemoLines& upper, const MemoLines& lower,
                           bool clearFirst, bool clearSecond);

// The write request of a buffer: count, header, (length byte,) data.
// Returns the request's size in `frame`.
std::size_t BuildWriteFrame(const KitBuffer& buffer, std::span<const std::uint8_t> data, int bytes,
                            bool lengthByte, std::array<std::uint8_t, kWriteFrameBytes>& frame);

}  // namespace hk::device
