#pragma once
// The modem's answer to the settings view ("Просмотр текущих настроек...",
// hayeskvd-cli modem-view), followed as it arrives: the view succeeds only
// when the answer ends with OK (0 in digit form); another result code
// (ERROR, NO CARRIER ...) fails it, and so does an answer that never ends
// with a code: a modem silent for the quiet time (after the command, or
// after its last byte), or a line that keeps sending without a code (RING,
// noise) for the quiet time and the time its bytes take on the line. The
// echo of the command is no part of the answer; RING is no answer.
//
// Bookkeeping only: the console feeds it the bytes and the pauses, and
// shows its text. Times are milliseconds on the link's clock.

#include <cstdint>
#include <string>

#include "modem/ResultCodes.h"

namespace hk {

// How long the settings view waits for the modem without a byte.
inline constexpr int kViewAnswerQuietMs = 3000;

class ViewAnswer {
public:
    enum class Outcome {
        None,        // no view yet
        Waiting,     // the answer is still coming
        Ok,          // ended with OK (0)
        OtherCode,   // ended with another result code
        Unfinished,  // no result code within its time
        CutShort,    // a command, a run, a mode button or a lost port ended it
    };

    // `command` (its bytes as sent) went out at `nowMs`; `characterUs`: one
    // character's time on the line.
    void Begin(const std::string& command, std::int64_t nowMs, std::int64_t quietMs,
               std::int64_t characterUs);
    void Byte(std::uint8_t byte, std::int64_t nowMs);
    // After each poll of the receiver; `paused`: the modem has paused after
    // what it sent. True when the outcome was decided by this poll.
    bool Polled(bool paused, std::int64_t nowMs);
    void CutShort();

    Outcome Result() const { return outcome_; }
    bool Waiting() const { return outcome_ == Outcome::Waiting; }
    const ResultCodeReader& Code() const { return code_; }
    // The status text (UTF-8): «Текущие настройки модема прочитаны (AT I4:
    // OK)», «Модем ответил на AT I4: ERROR — настройки не прочитаны», «Модем
    // не ответил на AT I4 за 3 с: …», «Модем не закончил ответ на AT I4
    // кодом результата: …»; empty while waiting, before a view, or when it
    // was cut short.
    std::string Text() const;

private:
    Outcome outcome_ = Outcome::None;
    std::string command_;
    ResultCodeReader code_;
    std::int64_t sentAtMs_ = 0;
    std::int64_t lastByteAtMs_ = 0;
    std::int64_t quietMs_ = kViewAnswerQuietMs;
    std::int64_t characterUs_ = 0;
    std::int64_t received_ = 0;
};

}  // namespace hk
