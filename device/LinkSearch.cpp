#include "device/LinkSearch.h"

#include <algorithm>

#include "link/Deadline.h"
#include "protocol/Exchange.h"

namespace hk::device {
namespace {

constexpr unsigned char kBackspace = 8;
constexpr unsigned char kLineFeed = 10;
constexpr unsigned char kCarriageReturn = 13;

constexpr std::uint8_t kEchoProbe = 0xFF;
constexpr int kEchoTries = 2;
constexpr int kEchoReadMs = 100;
constexpr int kEchoPauseMs = 100;

constexpr int kIdentificationAnswerLen = 2;
// A search opens its port at 300 baud, with the address byte's parity.
constexpr int kOpeningSpeed = 0;

// The digit value of a field character, or -1 for a character that is skipped.
int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::int32_t ParseNumber(std::string_view text, int base) {
    std::uint32_t value = 0;
    for (char c : text) {
        const int d = DigitValue(c);
        if (d >= 0)
            value = value * static_cast<std::uint32_t>(base) + static_cast<std::uint32_t>(d);
    }
    return static_cast<std::int32_t>(value);
}

std::optional<std::int32_t> ParseNumberUpTo(std::string_view text, int base, std::int32_t limit) {
    std::int64_t value = 0;
    for (char c : text) {
        const int d = DigitValue(c);
        if (d < 0) continue;
        value = value * base + d;
        if (value > limit) return std::nullopt;
    }
    return static_cast<std::int32_t>(value);
}

std::string NetNumberText(std::uint8_t number, bool hex) {
    return hex ? Hex2(number) : std::to_string(number);
}

std::string SpeedLabel(int speedIndex) {
    return kSpeedLabelText + std::string(SpeedItems.at(static_cast<std::size_t>(speedIndex) + 1));
}

bool KeyAccepted(unsigned char key, bool hexLetters) {
    if (key == kBackspace || key == kLineFeed || key == kCarriageReturn) return true;
    if (key >= '0' && key <= '9') return true;
    const bool letter = (key >= 'A' && key <= 'F') || (key >= 'a' && key <= 'f');
    return letter && hexLetters;
}

std::int8_t TestEcho(SerialLink& link, std::int8_t linkKind) {
    if (linkKind != kLinkLoop && linkKind != kLinkLoopEcho) return linkKind;
    SetReadTimeoutConstant(link, kEchoReadMs);
    for (int attempt = 0; attempt < kEchoTries; ++attempt) {
        link.PortHandle.Write(&kEchoProbe, 1);
        std::uint8_t echo = 0;
        if (link.PortHandle.Read(&echo, 1) == 1 && echo == kEchoProbe) return kLinkLoopEcho;
        link.Clock.Sleep(kEchoPauseMs);
    }
    return kLinkLoop;
}

SearchRange SearchRangeFor(std::uint8_t netNumber, int speedItem) {
    SearchRange r;
    if (netNumber != kNoNetNumber) r.firstNumber = r.lastNumber = netNumber;
    if (speedItem > 0 && speedItem < static_cast<int>(SpeedItems.size()))
        r.firstSpeed = r.lastSpeed = speedItem - 1;
    return r;
}

void ApplyLinkChoice(TPortSettings& settings, const LinkChoice& choice) {
    settings.Protocol = choice.protocol;
    if (choice.protocol == kFt12) settings.CrcMode = static_cast<std::int8_t>(choice.crcMode);
    settings.LinkKind = choice.currentLoop ? kLinkLoop : kLinkRs232;
    settings.Channel = static_cast<std::int8_t>(choice.channel);
    settings.NetAddress = 0;
}

bool OpenForSearch(SerialLink& link, const LinkChoice& choice) {
    ApplyLinkChoice(link.Settings, choice);
    if (!OpenPort(link, choice.portName, kOpeningSpeed, AddressMode::On)) return false;
    if (choice.currentLoop) link.Settings.LinkKind = TestEcho(link, link.Settings.LinkKind);
    return true;
}

bool TryAttempt(DeviceContext& c, int n, int speed, bool hexView, const std::string& what) {
    ControllerSession& s = c.session;
    TPortSettings& settings = c.link.Settings;
    settings.NetAddress = static_cast<std::int8_t>(n);
    settings.SpeedIndex = static_cast<std::int8_t>(speed);
    // One line in the log per attempt instead of its bytes.
    const std::string attempt = what + ": номер " +
                                NetNumberText(static_cast<std::uint8_t>(n), hexView) + ", " +
                                std::to_string(BaudRates[std::size_t(speed)]) + " бод — ";
    bool found = false;
    {
        const auto quiet = ExchangeNotes::QuietScope(c.link.Log);
        // Traditional framing carries no address: a numbered controller is
        // selected by the address byte first. FT1.2 frames carry it.
        if (n > 0 && settings.Protocol == kTraditional) {
            if (!protocol::ProbeNetAddress(c.link, speed)) {
                if (c.link.Log) c.link.Log->Summary(attempt + "номер не подтверждён");
                return false;
            }
        } else if (!SetPortSpeed(c.link, AddressMode::On, speed)) {
            return false;  // the caller ends on the line that refused its settings
        }
        s.LastResult =
            SendRequest(c, DeviceCommands.IdentificationA, s.AnswerBuf, kIdentificationAnswerLen);
        found = s.LastResult <= 0;
    }
    if (c.link.Log)
        c.link.Log->Summary(
            attempt + (found ? "КВАРД ответил"
                             : "нет ответа на идентификацию: " + StepResultText(s.LastResult)));
    return found;
}

std::string TimeLeftText(std::int64_t ms) {
    const std::int64_t seconds = (ms + 999) / 1000;
    if (seconds >= 60)
        return "осталось около " + std::to_string(seconds / 60) + " мин " +
               std::to_string(seconds % 60) + " с";
    return "осталось около " + std::to_string(seconds) + " с";
}

std::string SearchProgressText(int attemptsMade, int attemptsTotal, std::int64_t msLeft) {
    std::string text = std::string(kSearchName) + ": попытка " + std::to_string(attemptsMade + 1) +
                       " из " + std::to_string(attemptsTotal);
    if (attemptsMade > 0) text += ", " + TimeLeftText(msLeft);
    return text;
}

std::string SearchFailedText(int attemptsTotal) {
    // "из" takes the genitive: из 1 попытки, из 21 попытки, из 7 попыток.
    const bool singular = attemptsTotal % 10 == 1 && attemptsTotal % 100 != 11;
    return std::string(kSearchName) + ": КВАРД не ответил ни на одной из " +
           std::to_string(attemptsTotal) + (singular ? " попытки" : " попыток");
}

int AttemptCount(const SearchRange& range) {
    return std::max(0, range.lastNumber - range.firstNumber + 1) *
           std::max(0, range.lastSpeed - range.firstSpeed + 1);
}

bool SearchLink(ControllerContext& c, const SearchRange& range) {
    ControllerSession& s = c.session;
    const int total = AttemptCount(range);
    const Stopwatch spent(c.link.Clock);
    int made = 0;
    for (int n = range.firstNumber; n <= range.lastNumber; ++n) {
        c.view.ProcessMessages();
        if (s.StopRequest || c.link.PortHandle.Unusable()) return false;
        const auto number = static_cast<std::uint8_t>(n);
        c.view.SetNumberLabel(kNumberLabelText + NetNumberText(number, c.view.Choice().hexView));
        c.link.Settings.NetAddress = static_cast<std::int8_t>(n);

        for (int speed = range.firstSpeed; speed <= range.lastSpeed; ++speed) {
            c.link.Settings.SpeedIndex = static_cast<std::int8_t>(speed);
            c.ShowResultLabel(SpeedLabel(speed));
            c.view.ProcessMessages();
            if (s.StopRequest || c.link.PortHandle.Unusable()) return false;
            c.view.ShowSearchProgress(made, total,
                                      made > 0 ? spent.ElapsedMs() / made * (total - made) : 0);
            if (TryAttempt(c.device, n, speed, c.view.Choice().hexView, kSearchName)) return true;
            ++made;
        }
    }
    return false;
}

}  // namespace hk::device
