#pragma once
// The check of what the modem holds against the list ("Проверить модем",
// hayeskvd-cli modem-verify): reads the list memo for the settings it makes
// (ListSettings), asks the modem for each S-register with ATSn? and, when
// flags or a stored profile are to be checked or a register gave no value,
// for its settings listing with AT&V; compares (CheckResult) and shows the
// outcome through the window: the table in the answers memo, the list lines
// whose setting the modem holds otherwise marked, the summary as the status
// text. The exchange log records each question, each answer line and the
// summary.
//
// A value other than the list's is asked for once more (the register, or
// the listing), and taken only when both answers say it alike: noise on the
// line can pass for a value, the same value twice hardly; two that disagree
// leave the setting unchecked.
//
// Nothing is asked when the list sets nothing to check, or sets Q1 (the
// modem then sends no result codes). Before the first question the line is
// let settle: the answer to a line sent just before (a run cut short, a
// command) is read until the modem has been silent for the 500 ms pause a
// run gives an answer before its next line, and shown in the answers memo,
// so that it is never taken for the answer to a question. A line that does
// not fall silent within kSettleLimitMs (noise, a modem ringing) is asked
// all the same: the purge before each question drops what came before it. Each question goes
// out as a run's line does: unread input purged, the 20 ms read time-out of
// the receiver, the bytes of EncodeLine in one write. Its answer is read
// byte by byte up to its result code, word or digit, with or without echo,
// and on until the modem pauses; what came before the echo of the question
// is not part of it. A pause is no byte for two characters' time at the
// line's speed, at least the receiver's 20 ms read time-out (at 300 baud a
// modem's bytes come 33 ms apart: digits, a carriage return and such a gap
// before the line feed would read as a digit code otherwise). A modem
// silent for kCheckAnswerQuietMs (after the question, or after its last
// byte) has not answered: the check ends there, and what it had not read
// stays unchecked. So has a modem whose answer holds no result code and
// tells nothing of what was asked: RING and nothing else (a line that only
// rings), noise.
//
// Between reads the window's messages run (link.View.ProcessMessages); the
// stop request is taken there and ends the check at once, showing nothing.
// The job reads the list memo once, at its start, and nothing else of the
// window; it returns everything it found.

#include <functional>
#include <string>

#include "link/Deadline.h"
#include "link/Port.h"
#include "lists/MemoryLines.h"
#include "modem/ModemAnswer.h"
#include "modem/ModemCheck.h"
#include "modem/ModemConsole.h"
#include "modem/ModemWindow.h"

namespace hk {

// How long a question may go unanswered, counted from the question, or from
// the last byte of an answer that has no result code yet, as the settings
// view waits (kViewAnswerQuietMs). A modem answers ATSn? within tens of
// milliseconds and keeps its bytes coming at the line's speed (33 ms a byte
// at 300 baud).
inline constexpr int kCheckAnswerQuietMs = kViewAnswerQuietMs;
// How long the line is let settle before the first question at most.
inline constexpr int kSettleLimitMs = kCheckAnswerQuietMs;

class ModemCheckJob {
public:
    ModemCheckJob(SerialLink& link, ModemWindow& window, std::function<bool()> stopRequested)
        : link_(link), window_(window), stopRequested_(std::move(stopRequested)) {}

    CheckResult Run();

private:
    struct Reply {
        enum class Kind { Answered, Silent, Stopped, PortLost } kind = Kind::Silent;
        ModemAnswer answer;
    };

    // Reads what still arrives until the line is silent, or for
    // kSettleLimitMs at most, and shows it: Answered, or Stopped (at a stop
    // request), or PortLost.
    Reply::Kind LetTheLineSettle();
    // An answer being read: its bytes after the echo of the question, the
    // result code among them, and its times.
    class AnswerReading {
    public:
        AnswerReading(Clock& clock, const std::string& question, std::int64_t characterUs);
        // A byte of the answer; the echo of the question starts it afresh.
        void Take(std::uint8_t byte);
        // A byte of the code's line, after the code.
        void TakeAfterCode(std::uint8_t byte);
        void FinishCode() { code_.Finish(); }
        bool CodeFound() const { return code_.Found(); }
        const std::string& Bytes() const { return bytes_; }
        // Since the last byte, or since the question.
        std::int64_t QuietMs() const { return sinceByte_.ElapsedMs(); }
        // The answer must be whole within the quiet time and the time its
        // bytes take on the line, whatever else comes meanwhile.
        bool OverTime() const;

    private:
        std::string echo_;
        std::int64_t characterUs_;
        Stopwatch asked_;
        Stopwatch sinceByte_;
        std::string bytes_;
        ResultCodeReader code_;
        std::size_t receivedTotal_ = 0;
    };

    // Asks `question` and reads its answer.
    Reply Ask(const std::string& question);
    // The question goes out as a run's line does.
    void SendQuestion(const std::string& question);
    void ReadRestOfCodeLine(AnswerReading& reading);
    // The answer's bytes taken apart and noted: Answered, or Silent (RING
    // lines are no answer).
    Reply ReplyOf(const std::string& bytes);
    // An answer without a result code that told nothing of what was asked
    // (`told` false): the modem sent only what is no answer.
    static bool ToldNothing(const Reply& reply, bool told);
    // Each register the list sets, asked with ATSn?; false when the check
    // ended on the way (`result` says how).
    bool AskRegisters(const ListSettings& list, ModemReport& modem, CheckResult& result);
    // The settings listing (AT&V), when the list needs it.
    bool AskListing(const ListSettings& list, ModemReport& modem, CheckResult& result);
    // The question went unanswered (or the check was stopped): `result` says how.
    void Interrupted(const Reply& reply, const std::string& question, CheckResult& result);
    void Show(const CheckResult& result);
    void Note(const std::string& text);

    SerialLink& link_;
    ModemWindow& window_;
    std::function<bool()> stopRequested_;
    MemoryLines listRead_;               // the list memo as the check read it
    int pauseMs_ = kModemReadTimeoutMs;  // the pause that ends an answer
};

}  // namespace hk
