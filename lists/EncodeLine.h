#pragma once
// The line encoder shared by the modem exchange and the controller buffers:
// one text line (Windows-1251 bytes) becomes the bytes sent to a modem or
// stored in a controller's modem buffer.
//
//  - The text before the first "<" is copied unchanged (case kept).
//  - A line without "<" gets one carriage return (0D) after it; an empty line
//    is the single byte 0D.
//  - From the first "<" on nothing is copied; the groups "<LF>"/"<0A>" (0A)
//    and "<CR>"/"<0D>" (0D), in any letter case, give at most two terminator
//    bytes in the order typed. Unknown groups give nothing, and no carriage
//    return is added once the line holds a "<".

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "lists/LineSink.h"

namespace hk {

inline constexpr std::uint8_t kCr = 0x0D;
inline constexpr std::uint8_t kLf = 0x0A;

// Returned by EncodeLine when the line's bytes would not fit into the buffer.
inline constexpr int kLineDoesNotFit = -1;

// Writes the bytes of `line` into `buf` from index `start` on and returns the
// new end (start + bytes written). When they would not fit (or `start` lies
// outside `buf`) nothing is written, nothing is traced and the result is
// kLineDoesNotFit.
// With a `trace` (the byte trace is switched on) two lines are added to it:
// the line as typed, then "<end>) " followed by every byte of `buf` from
// index 0 up to the new end as two upper-case hex digits and a blank.
int EncodeLine(std::string_view line, std::span<std::uint8_t> buf, int start,
               LineSink* trace = nullptr);

// The number of bytes EncodeLine writes for `line`.
std::size_t EncodedLength(std::string_view line);

// The second trace line for the first `end` bytes of `buf`.
std::string TraceBytesLine(std::span<const std::uint8_t> buf, int end);

// ASCII-only upper case, as the exchange compares command text.
std::string UpperAscii(std::string_view text);

}  // namespace hk
