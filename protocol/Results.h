#pragma once
// Result codes of one exchange with the controller and the texts the
// controller dialog shows after its own prefix. 0 is success; a code tells
// which step failed. Code 7 is never produced.

#include <array>
#include <string>

namespace hk::protocol {

inline constexpr int kResultOk = 0;
inline constexpr int kResultNoStart = 1;           // nothing (or no known start byte) came
inline constexpr int kResultHeaderIncomplete = 2;  // FT1.2 long-frame header short
inline constexpr int kResultRejected = 3;          // the controller answered Nak
inline constexpr int kResultAnswerCheckWrong = 4;  // traditional answer check byte
inline constexpr int kResultAnswerIncomplete = 5;  // fewer answer bytes than expected
inline constexpr int kResultWaitTimedOut = 6;      // Ready / verdict not within the limit
// Writing to the port failed, or the request was refused before anything was
// written (it does not fit a frame or the caller's buffers).
inline constexpr int kResultNotSent = 8;
inline constexpr int kResultCrcWrong = 11;
inline constexpr int kResultControlWrong = 30;
inline constexpr int kResultAddressWrong = 31;
inline constexpr int kResultLengthMismatch = 33;
inline constexpr int kResultLongStartWrong = 34;
inline constexpr int kResultEndWrong = 35;
inline constexpr int kResultCheckSumWrong = 36;
inline constexpr int kResultSingleA2 = 37;
inline constexpr int kResultSingleE5 = 38;
// FT1.2: a long answer frame too short to hold its control and address
// fields (L < 2, or L < 4 with the CRC in the data).
inline constexpr int kResultFrameTooShort = 39;
// FT1.2: a sound answer frame whose data are not as long as the request
// asked for (a short frame carries up to four).
inline constexpr int kResultAnswerLengthWrong = 40;

// Texts of codes 0..8, indexed by code (UTF-8).
inline constexpr std::array<const char*, 9> ExchangeMessages = {
    "OK",
    "нет подтв. начала обмена",
    "нет подтв. приема",
    "несовп КС передачи",
    "несовп КС приема",
    "не все данные",
    "False",
    " ",
    "нет передачи данных",
};

// The text shown for any result code: the table's text for 0..8, otherwise
// "код ошибки N", followed for the FT1.2 checks by what was found in
// brackets ("код ошибки 11 (неверная CRC ответа)").
std::string ResultText(int code);

}  // namespace hk::protocol
