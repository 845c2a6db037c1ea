#include "modem/ViewAnswer.h"

#include <algorithm>

namespace hk {
namespace {

constexpr std::int64_t kMicrosPerMilli = 1000;
constexpr std::int64_t kMillisPerSecond = 1000;
// Far more characters than any settings listing: beyond it the line's
// time no longer lengthens the wait.
constexpr std::int64_t kLongestViewAnswer = 4096;

}  // namespace

void ViewAnswer::Begin(const std::string& command, std::int64_t nowMs, std::int64_t quietMs,
                       std::int64_t characterUs) {
    outcome_ = Outcome::Waiting;
    command_ = command.substr(0, command.find_first_of("\r\n"));
    code_ = ResultCodeReader();
    code_.ExpectEcho(command);
    sentAtMs_ = lastByteAtMs_ = nowMs;
    quietMs_ = quietMs;
    characterUs_ = characterUs;
    received_ = 0;
}

void ViewAnswer::Byte(std::uint8_t byte, std::int64_t nowMs) {
    if (outcome_ != Outcome::Waiting) return;
    code_.Take(byte);
    lastByteAtMs_ = nowMs;
    ++received_;
}

bool ViewAnswer::Polled(bool paused, std::int64_t nowMs) {
    if (outcome_ != Outcome::Waiting) return false;
    // Digits ended by a carriage return are a code once the modem pauses.
    if (paused) code_.Finish();
    if (code_.Found()) {
        outcome_ = code_.Verdict() == LineVerdict::Ok ? Outcome::Ok : Outcome::OtherCode;
        return true;
    }
    const std::int64_t wireMs =
        std::min(received_, kLongestViewAnswer) * characterUs_ / kMicrosPerMilli;
    if (nowMs - lastByteAtMs_ >= quietMs_ || nowMs - sentAtMs_ >= quietMs_ + wireMs) {
        outcome_ = Outcome::Unfinished;
        return true;
    }
    return false;
}

void ViewAnswer::CutShort() {
    if (outcome_ == Outcome::Waiting) outcome_ = Outcome::CutShort;
}

std::string ViewAnswer::Text() const {
    switch (outcome_) {
        case Outcome::Ok:
            return "Текущие настройки модема прочитаны (" + command_ + ": " + code_.Code() + ")";
        case Outcome::OtherCode:
            return "Модем ответил на " + command_ + ": " + code_.Code() +
                   " — настройки не прочитаны";
        case Outcome::Unfinished:
            if (received_ == 0)
                return "Модем не ответил на " + command_ + " за " +
                       std::to_string(quietMs_ / kMillisPerSecond) + " с: настройки не прочитаны";
            return "Модем не закончил ответ на " + command_ +
                   " кодом результата: настройки не прочитаны";
        case Outcome::None:
        case Outcome::Waiting:
        case Outcome::CutShort:
            break;
    }
    return {};
}

}  // namespace hk
