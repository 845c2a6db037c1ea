#pragma once
// The controller's request set, its status word and the waits on it, the
// end-of-exchange, restart and reprogramming requests, and the check that
// the connected controller is the chosen kit. Every request goes out through
// protocol::ExchangeFrame with session.RequestBuf; outcomes land in
// session.LastResult; texts and boxes go to the DeviceView. Time limits are in
// DayUnits (864 ms) on link.Clock.

#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "device/ControllerSession.h"
#include "device/DeviceView.h"
#include "device/RequestCodes.h"
#include "device/StepResults.h"
#include "link/Port.h"

namespace hk::device {

// One request as it goes into RequestBuf: the count byte N, then N bytes.
struct DeviceCommand {
    std::array<std::uint8_t, 6> bytes{};
    std::span<const std::uint8_t> Bytes() const { return {bytes.data(), bytes[0] + 1u}; }
};

struct DeviceCommandTable {
    DeviceCommand ReprogCopyIn{{2, kReprogramming, kReprogCopyInCode}};
    DeviceCommand ReprogCopyOut{{2, kReprogramming, kReprogCopyOutCode}};
    DeviceCommand ReprogCancel{{2, kReprogramming, kReprogCancelCode}};
    DeviceCommand Restart{{1, kRestart}};
    DeviceCommand Stop{{1, kStop}};
    DeviceCommand ExchangeEnd{{1, kExchangeEnd}};
    DeviceCommand Status{{3, kReadParameter, kParamHigh, kParamStatus}};
    DeviceCommand IdentificationA{{3, kReadParameter, kParamHigh, kParamIdentification}};
    DeviceCommand IdentificationB{{3, kReadParameter, kParamHighSecond, kParamIdentification}};
};
inline constexpr DeviceCommandTable DeviceCommands{};

// Write-unlock before a protected write: 05 40 07 x y.
constexpr DeviceCommand WriteUnlockCommand(std::uint8_t x, std::uint8_t y) {
    return {{5, kWriteParameter, kParamHigh, kParamWriteUnlock, x, y}};
}
// Access password: 05 40 08 h l.
constexpr DeviceCommand PasswordCommand(std::uint8_t h, std::uint8_t l) {
    return {{5, kWriteParameter, kParamHigh, kParamPassword, h, l}};
}

// The status word S0 S1.
inline constexpr std::uint8_t kStatusKeyMissing = 0x80;  // S0: electronic key not installed
inline constexpr std::uint8_t kRunStateMask = 0x18;      // S1
inline constexpr std::uint8_t kRunRunning = 0x00;
inline constexpr std::uint8_t kRunStopped = 0x08;
inline constexpr std::uint8_t kReprogPhaseMask = 0x03;  // S1
inline constexpr std::uint8_t kReprogLoaded = 0x01;     // after ReprogCopyIn
inline constexpr std::uint8_t kReprogFinished = 0x03;   // after ReprogCopyOut or ReprogCancel
inline constexpr std::uint8_t kBlockWritten = 0x04;     // S1, after each block written

// Kit names for the mismatch message, by KitIndex.
inline constexpr std::array<const char*, 4> KitNames = {"БАЗОВЫЙ", "МИНИМАЛЬНЫЙ",
                                                        "БАЗОВЫЙ РАСШИРЯЕМЫЙ", "КВАРД-47"};

// The kits as the kit menu names them, by KitIndex.
inline constexpr std::array<const char*, 4> KitTitles = {
    "Базовый комплект КВАРД 40", "Минимальный комплект КВАРД 40", "Расширяемый комплект КВАРД 40",
    "КВАРД-47"};
// The menu's name of kit `kit`, or what to say of a kit that was not read.
std::string KitTitle(int kit);

// Texts shown by the operations (UTF-8).
inline constexpr const char* kInstallKeyText = "Установите электронный ключ ";
inline constexpr const char* kUnitStatusText = "Статус блока ";
inline constexpr const char* kStatusReadText = "Чтение статуса работы КВАРД ";
inline constexpr const char* kStopCommandText = "Команда STOP ";
inline constexpr const char* kRetryText = "Повтор ";
inline constexpr const char* kVersionReadText = "Чтение версии программы ";
inline constexpr const char* kIdentificationDisagreesText =
    "не подтверждено: повторное чтение дало другие ответы (опоздавший ответ на прежний запрос), ";
inline constexpr const char* kKitMismatchText =
    "Несоответствие выбранного и подключенного комплекта КВАРД.";
inline constexpr const char* kChooseKitText = "Для продолжения работы выберите в меню ";
inline constexpr const char* kKitSuffixText = " комплект КВАРД.";
inline constexpr const char* kRestartQuestion = "Перезапустить КВАРД?";

// What the operations work with: the port, the session state, the dialog.
struct DeviceContext {
    SerialLink& link;
    ControllerSession& session;
    DeviceView& view;
};

enum class ReprogStep : int { CopyIn = 0, CopyOut = 1, Cancel = 2 };

// Exchanges `request` (count byte first) with the controller, naming it in
// the exchange log. Returns the exchange's result.
int Exchange(DeviceContext& c, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
             int answerLen);

// Loads `command` into RequestBuf and exchanges it; the answer goes to
// `answer`. Returns the exchange's result (LastResult is not touched).
int SendRequest(DeviceContext& c, const DeviceCommand& command, std::span<std::uint8_t> answer,
                int answerLen);

// Sends ReprogCopyIn, ReprogCopyOut or ReprogCancel; LastResult := the result.
int SendReprogCommand(DeviceContext& c, ReprogStep step);

// Sends End of exchange and returns its result (LastResult is not touched).
int SendExchangeEnd(DeviceContext& c);

// Asks "Перезапустить КВАРД?"; Yes sends Restart, whose result is not kept.
// True when the restart went out.
bool AskRestart(DeviceContext& c);

// The limits of the status waits.
inline constexpr DayUnits kStopWaitLimit{17};  // 14.688 s
inline constexpr DayUnits kMatchWaitLimit{3};  // 2.592 s

// The status waits poll the status into AnswerBuf until their condition
// holds or `timeout` passes, and return LastResult. A time-out alone is not
// a failure: LastResult is what the last status read left. StopRequest
// ("Выход") ends a wait with kStepFailed at its next pass; a status read
// that fails ends it with its text. `conditionMet`, when given, tells a wait
// that ended because its condition held (true) from one that ended any
// other way, the time limit included.
//
// Until S1 & mask == expected, polling back to back.
int WaitForStatus(DeviceContext& c, std::uint8_t mask, std::uint8_t expected, DayUnits timeout,
                  bool* conditionMet = nullptr);
// Until the controller reports itself stopped: a running controller gets
// STOP (at most once per wait; session.StopSent := true before it goes out)
// and is polled every 100 ms; while the key has not been seen installed the
// operator is asked to install it, and Yes starts the limit again; any other
// run state shows the unit's status in the error box and fails.
int WaitUntilStopped(DeviceContext& c, DayUnits timeout, bool* conditionMet = nullptr);

// Reads both identification words (two tries) and gives the connected kit
// in `kit`. A pair read on the second try is read once more, B before A,
// and must agree (a late answer to the failed try would shift the answers
// by one): otherwise kNoConfirmation and no kit. Returns LastResult.
// `words`, when given, gets the pair the kit was told from (A, then B).
int IdentifyKit(DeviceContext& c, int& kit, std::array<std::uint8_t, 4>* words = nullptr);

// Reads both identification words (two tries) and compares the connected kit
// with `kitIndex`; a mismatch shows the information box and gives
// kKitMismatch. Returns LastResult. `words` as for IdentifyKit.
int CheckKit(DeviceContext& c, std::uint8_t kitIndex, std::array<std::uint8_t, 4>* words = nullptr);

// The kit that two identification answers (2 bytes each) name.
int KitFromIdentification(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b);

// Two upper-case hexadecimal digits.
std::string Hex2(std::uint8_t value);

}  // namespace hk::device
