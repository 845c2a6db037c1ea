#pragma once
// The search for the controller's network number and exchange speed behind
// "Подбор", and the pieces of the dialog it shares: the number field's value
// and view, the speed list, the result labels' texts, the key filter of the
// number and password fields, and the echo test of a current loop.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/ControllerContext.h"
#include "device/LinkChoice.h"
#include "link/Port.h"

namespace hk::device {

// "Скорость обмена": item 0 searches speed indices 0..6, item k is index k - 1.
inline constexpr std::array<const char*, 8> SpeedItems = {
    "Подбор",     "    300 бод", "    600 бод", "  1200 бод",
    "  2400 бод", "  4800 бод",  "  9600 бод",  "19200 бод",
};
inline constexpr int kLastSearchSpeed = 6;  // 19200 baud
inline constexpr int kLastNetNumber = 127;

// The labels of the number and speed under test, and the status texts of
// the search and the number field.
inline constexpr const char* kNumberLabelText = "Сетевой номер  ";
inline constexpr const char* kSpeedLabelText = "Скорость обмена ";
inline constexpr const char* kSpeedOkText = " OK";
inline constexpr const char* kSpeedNotSetText = " не установлена";
inline constexpr const char* kNumberTooBigText = "Сетевой номер больше допустимого";
inline constexpr const char* kBadCharacterText = "Недопустимый символ  ";

// The value of a number or password field: characters 0-9 give 0..9 and
// A-F / a-f give 10..15 whatever the base; every other character is
// skipped. Computed modulo 2^32 (the password uses the low 16 bits).
std::int32_t ParseNumber(std::string_view text, int base);
// The same value, or nothing when it exceeds `limit`: a long text cannot
// wrap round into the accepted range.
std::optional<std::int32_t> ParseNumberUpTo(std::string_view text, int base, std::int32_t limit);

// A network number as two upper-case hexadecimal digits or in decimal.
std::string NetNumberText(std::uint8_t number, bool hex);
// The speed label while speed index `speedIndex` (0..6) is tried: "Скорость обмена "
// followed by its item text.
std::string SpeedLabel(int speedIndex);

// The key filter of the number field and the password field: backspace, line
// feed, carriage return and the digits pass; A-F and a-f pass when
// `hexLetters` (the password field, or the number field in Hex view).
bool KeyAccepted(unsigned char key, bool hexLetters);

// The echo test of a current loop (link kinds 1 and 2; others are returned
// unchanged): at most two tries of sending FF with a 100 ms read, 100 ms
// apart; 2 when FF came back, else 1. The 100 ms read time-out stays.
std::int8_t TestEcho(SerialLink& link, std::int8_t linkKind);

// Numbers outer, speeds inner, both ascending and inclusive.
struct SearchRange {
    int firstNumber = 0;
    int lastNumber = kLastNetNumber;
    int firstSpeed = 0;
    int lastSpeed = kLastSearchSpeed;
};
// All numbers when `netNumber` is kNoNetNumber, else that one; all speeds
// for the speed item 0, else the item's one speed.
SearchRange SearchRangeFor(std::uint8_t netNumber, int speedItem);

// The link as the operator chose it (protocol, CRC mode on FT1.2, link
// kind, channel) into `settings`, with NetAddress 0.
void ApplyLinkChoice(TPortSettings& settings, const LinkChoice& choice);
// The one opening of the port for a search, a run of "Подбор" and a network
// scan alike: ApplyLinkChoice, then the chosen port opened at 300 baud with
// the address byte; on a current loop the echo test decides whether the line
// echoes. False when the port did not open (its error box has been shown,
// and link.OpenFailure holds its text).
bool OpenForSearch(SerialLink& link, const LinkChoice& choice);

// "осталось около 12 мин 5 с": the time still to come, rounded up to the
// second.
std::string TimeLeftText(std::int64_t ms);
// The search's progress in the dialog's status bar: "Подбор: попытка 12 из
// 896, осталось около 21 мин 40 с".
std::string SearchProgressText(int attemptsMade, int attemptsTotal, std::int64_t msLeft);

// The status bar once a search has found nothing, in place of its progress:
// "Подбор: КВАРД не ответил ни на одной из 7 попыток".
std::string SearchFailedText(int attemptsTotal);
// How many attempts a search of `range` makes.
int AttemptCount(const SearchRange& range);

// The name of the search's attempts in the exchange log.
inline constexpr const char* kSearchName = "Подбор";

// One attempt at number `n` and speed `speed`, as the search makes it: on the
// traditional framing a number above 0 is first selected by the address
// byte, otherwise the port is set to the speed; then the identification
// request. True when the controller answered it. Settings.NetAddress and
// SpeedIndex := n and speed. The exchange log gets one line, `what` with the
// number (in Hex when `hexView`), the speed and the outcome.
bool TryAttempt(DeviceContext& c, int n, int speed, bool hexView, const std::string& what);

// Tries every number and speed of `range` until the controller answers the
// identification request; true on a hit. Before each number and each speed
// pending window messages run and StopRequest, or a port whose far end has
// gone, ends the search without a result. Each attempt is TryAttempt.
// Settings.NetAddress and SpeedIndex hold the last number and speed tried
// (the ones found after a hit); the number and speed labels show them, and before each
// attempt the view is told how far the search has come and how long the
// attempts still to come will take at the mean pace so far.
bool SearchLink(ControllerContext& c, const SearchRange& range);

}  // namespace hk::device
