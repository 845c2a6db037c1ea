#pragma once
// The state of the controller dialog's work, in one plain struct owned by the
// dialog and passed by reference (no globals): the found network number, the
// stop request set by "Выход", the last step's result code and the shared
// request and answer buffers.

#include <array>
#include <cstdint>

namespace hk::device {

inline constexpr std::uint8_t kNoNetNumber = 255;  // search all numbers

// StatusState values: idle, re-check the status on the next timer tick,
// status read done.
enum StatusStates : int { kStatusIdle = 0, kStatusRecheck = 2, kStatusRead = 3 };

struct ControllerSession {
    std::uint8_t NetNumber = kNoNetNumber;
    bool StopRequest = false;
    // Result code of the last request or step: 0 success, > 0 failure.
    std::int32_t LastResult = 0;
    // The request being sent (count byte first) with room for the check byte.
    std::array<std::uint8_t, 16> RequestBuf{};
    // Short answers: up to 2 data bytes and the traditional check byte.
    std::array<std::uint8_t, 4> AnswerBuf{};
    int StatusState = kStatusIdle;
    // A status wait sent STOP (set before it goes out, whatever its answer):
    // from then on the controller may be stopped. Cleared by whoever asks.
    bool StopSent = false;
};

}  // namespace hk::device
