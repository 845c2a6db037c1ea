#pragma once
// The time rules of the controller exchange as its header documents them, in
// milliseconds on the virtual clock: the read time-outs, the loop limits
// (hundred-thousandths of a day: 864 ms each), the fixed pauses, and the
// longer limit of a slow line where the awaited bytes need more wire time.

#include <cstddef>
#include <cstdint>

#include "link/Port.h"

namespace hk::fuzz::timing {

inline constexpr std::int64_t kHandshakeReadMs = 1000;
inline constexpr std::int64_t kAnswerBlockReadMs = 4000;
inline constexpr std::int64_t kReadyLimitMs = 1728;
inline constexpr std::int64_t kVerdictLimitMs = 1728;
inline constexpr std::int64_t kEchoLimitMs = 864;
inline constexpr std::int64_t kFastBodyReadMs = 2000;
inline constexpr std::int64_t kFastBodyLimitMs = 1728;
inline constexpr std::int64_t kSlowBodyReadMs = 5000;
inline constexpr std::int64_t kSlowBodyLimitMs = 4320;
inline constexpr int kFirstFastSpeedIndex = 2;
inline constexpr std::int64_t kSlowAnswerMarginMs = 1000;
inline constexpr std::int64_t kLineTurnMs = 2;    // LineToSend, every link kind
inline constexpr std::int64_t kFramePauseMs = 2;  // between Ready and the frame
inline constexpr std::int64_t kBitsPerByte = 11;

// The wire time the exchange reckons for `count` bytes at `speedIndex`
// (0 for an index outside the speed table), rounded up.
inline std::int64_t ReckonedWireMs(int speedIndex, std::size_t count) {
    if (speedIndex < 0 || speedIndex >= static_cast<int>(BaudRates.size())) return 0;
    const std::int64_t baud = BaudRates[static_cast<std::size_t>(speedIndex)];
    const auto bits = static_cast<std::int64_t>(count) * kBitsPerByte * 1000;
    return (bits + baud - 1) / baud;
}

// The longest time `count` bytes can take on a line of `baud` (at most 11
// bits per character), rounded up.
inline std::int64_t MaxWireMs(std::int32_t baud, std::size_t count) {
    if (baud <= 0) return 0;
    const auto bits = static_cast<std::int64_t>(count) * kBitsPerByte * 1000;
    return (bits + baud - 1) / baud;
}

// A limit or read time-out, lengthened where the wire time needs more.
inline std::int64_t WithWireTime(std::int64_t limitMs, std::int64_t wireMs) {
    return wireMs > limitMs ? wireMs + kSlowAnswerMarginMs : limitMs;
}

}  // namespace hk::fuzz::timing
