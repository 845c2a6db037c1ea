#pragma once
// The result codes of the controller operations' own steps (beside the
// exchange codes of protocol/Results.h) and the text shown for any code.

#include <cstdint>
#include <string>

namespace hk::device {

// A step failed on its own account: the operator said No, "Выход" stopped a
// wait, the unit reported a state the write cannot work with.
inline constexpr std::int32_t kStepFailed = 1;
// The connected controller is not the chosen kit.
inline constexpr std::int32_t kKitMismatch = 18;
// The controller answered every status read but did not report the awaited
// state within the wait's time limit.
inline constexpr std::int32_t kNoConfirmation = 19;
// The buffers read back after a write differ from what was written.
inline constexpr std::int32_t kVerifyMismatch = 20;
// The backup of the buffers taken before a write could not be saved.
inline constexpr std::int32_t kBackupNotSaved = 21;
// A channel's buffer flag (bit 4 of its control parameter) was not set as
// the write asked: its read, write-unlock or write failed. (The exchange
// codes of protocol/Results.h end at 40.)
inline constexpr std::int32_t kBufferFlagNotSet = 41;

// The text shown after a step's prefix: the exchange texts for 0..8, and for
// every other code its number followed by a short description where there is
// one.
std::string StepResultText(int code);

}  // namespace hk::device
