#pragma once
// The controller's request codes and the parameter numbers of its fixed
// requests: the bytes that say what a request is.

#include <cstdint>

namespace hk::device {

// Request codes (the first request byte).
inline constexpr std::uint8_t kReadParameter = 0x01;   // + parameter number (2 bytes)
inline constexpr std::uint8_t kReadMemory = 0x02;      // + address (2 bytes) + count
inline constexpr std::uint8_t kWriteParameter = 0x05;  // + parameter number + data
inline constexpr std::uint8_t kWriteMemory = 0x06;     // + address + data
inline constexpr std::uint8_t kRestart = 0x08;
inline constexpr std::uint8_t kStop = 0x09;
inline constexpr std::uint8_t kExchangeEnd = 0x0B;
inline constexpr std::uint8_t kReprogramming = 0x0D;  // + one of the three below
inline constexpr std::uint8_t kReprogCancelCode = 0xA0;
inline constexpr std::uint8_t kReprogCopyInCode = 0xA1;
inline constexpr std::uint8_t kReprogCopyOutCode = 0xA3;

// Parameters behind the fixed requests (high byte, low byte).
inline constexpr std::uint8_t kParamHigh = 0x40;
inline constexpr std::uint8_t kParamHighSecond = 0x41;
inline constexpr std::uint8_t kParamStatus = 0x00;
inline constexpr std::uint8_t kParamWriteUnlock = 0x07;
inline constexpr std::uint8_t kParamPassword = 0x08;
inline constexpr std::uint8_t kParamIdentification = 0x1E;

}  // namespace hk::device
