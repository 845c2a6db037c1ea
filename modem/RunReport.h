#pragma once
// The account of one run of the list into the modem ("Записать в модем"):
// the lines that went out, what the modem answered to each, and the texts
// that tell the operator how the run goes and how it went. Bookkeeping only:
// the run driver feeds it, the window shows its texts, and a front end
// without windows reads the same account (see ModemConsole::Run()).
//
// Lines are numbered as they go out, 1 for the first line sent. A run sends
// the first line of the list and then every later line beginning with "AT",
// so that is the number of lines it plans. Line texts are Windows-1251, as in
// the list; the texts for the operator are UTF-8.
//
// A line is answered once the modem has moved the run on (the line feed, or
// the digit 0 with digit answers) or has given a result code; its verdict
// stands once its answer is complete: a result code has come, the next line
// has gone out, or the run has ended. A line succeeds only with the code
// that says the modem carried it out: OK (0), or CONNECT for a line that
// dials or answers a call (ATD, ATA), after which the modem is on line and
// the run ends. It fails when the modem refused it (ERROR), answered it with
// another code (NO CARRIER, BUSY, CONNECT to any other line ...) or without a
// result code (noise, a word that is no code), and when it had no answer
// within the run's time limit.

#include <cstdint>
#include <string>
#include <vector>

#include "modem/ResultCodes.h"

namespace hk {

inline constexpr std::int64_t kMsPerSecond = 1000;

struct SentLine {
    int number = 0;             // 1: the first line sent
    int listIndex = 0;          // its index in the list memo when it went out
    std::string text;           // as in the list (Windows-1251)
    std::int64_t sentAtMs = 0;  // when its bytes had left the port
    bool goesOnLine = false;    // it dials or answers (GoesOnLine): CONNECT is its success
    bool answered = false;
    bool movedOn = false;   // the run has moved on after this line
    bool timedOut = false;  // no answer within the run's time limit
    bool closed = false;    // no more of the answer is taken: the verdict stands
    bool whole = false;     // the answer was read to its end (not cut short)
    ResultCodeReader answer;

    LineVerdict Verdict() const { return answer.Verdict(); }
    // It dialled or answered, and the modem is on line: CONNECT came.
    bool WentOnLine() const { return goesOnLine && answer.Found() && IsConnectCode(answer.Code()); }
    // Its code says the modem carried it out.
    bool Succeeded() const { return Verdict() == LineVerdict::Ok || WentOnLine(); }
    // Answered with any other code, or without a result code, or not
    // answered in time. A line whose run ended before its answer was whole
    // (the operator stopped it) is not judged by what had come.
    bool Failed() const {
        if (answer.Found()) return !Succeeded();
        return closed && ((answered && whole) || timedOut);
    }
};

class RunReport {
public:
    enum class Phase {
        Idle,        // no run yet
        Sending,     // a line is out and more may follow
        LastAnswer,  // the last line has been answered; the rest of its answer is arriving
        Ended,
    };

    // --- What the run driver reports, in this order.
    // A run starts; it plans `plannedLines` lines. Forgets the previous run.
    void Begin(int plannedLines);
    // A line has gone out. The previous line's answer is complete.
    void LineSent(int listIndex, std::string text, std::int64_t atMs);
    // A byte the modem sent after the current line.
    void AnswerByte(std::uint8_t byte);
    // The modem has paused after some of its answer (a poll of the receiver
    // brought nothing).
    void AnswerPaused();
    // The answer the run waits for has come: the run moves on.
    void MovedOn();
    // The current line has its result code and the run has not moved on yet.
    bool CodeWaitsForTheNextLine() const;
    // The current line had no answer within the run's time limit: the run
    // ends there, cut short, and the line counts as failed.
    void TimedOut();
    // No line is left after the one just answered.
    void NoMoreLines();
    // The line just answered took the modem on line (WentOnLine) while lines
    // of the list were left: the run ends there, nothing more goes out.
    void EndOnLine();
    // The run is over: complete when the last line had been answered,
    // otherwise cut short (by the operator, a lost port, a line that could
    // not be sent). `cause` (UTF-8, empty for the operator) says what cut it
    // short, at the head of the summary. Nothing when no run is under way.
    void End(std::string cause = {});

    // --- The account.
    Phase CurrentPhase() const { return phase_; }
    // Lines still to go, or the last answer still arriving.
    bool UnderWay() const { return phase_ == Phase::Sending || phase_ == Phase::LastAnswer; }
    // Every line was sent and answered (set once the run has ended).
    bool Completed() const { return phase_ == Phase::Ended && complete_; }
    // The run ended before the modem had answered its last line sent (a
    // silent modem, or the operator was quicker).
    bool EndedUnanswered() const;
    const std::vector<SentLine>& Lines() const { return lines_; }
    int PlannedLines() const { return planned_; }
    int AnsweredLines() const;
    int RefusedLines() const;
    const SentLine* FirstRefused() const;
    // Refused, without a result code, or not answered in time.
    int FailedLines() const;
    const SentLine* FirstFailed() const;
    // The run ended because its last line had no answer in time.
    bool EndedByTimeLimit() const { return phase_ == Phase::Ended && timedOut_; }
    // The run has ended with the modem on line: its last line sent dialled
    // or answered and got CONNECT. Commands no longer reach the modem.
    bool OnLine() const {
        return phase_ == Phase::Ended && !lines_.empty() && lines_.back().WentOnLine();
    }
    // The last line sent; nullptr before the first.
    const SentLine* Current() const { return lines_.empty() ? nullptr : &lines_.back(); }
    // How long the current line has been waiting for its answer at `nowMs`;
    // 0 when it has one or no run is under way.
    std::int64_t UnansweredForMs(std::int64_t nowMs) const;
    // The lines whose verdict stands, in order, each once (for marking and
    // noting them as they are decided).
    const SentLine* TakeDecidedLine();

    // --- Texts for the operator (UTF-8).
    // «Строка 3 из 7: ATS0=2»; empty before the first line.
    std::string ProgressText() const;
    // «Модем не отвечает на строку 3 (ATZ)»; empty before the first line.
    std::string SilenceText() const;
    // «Модем не отвечает на строку 3 (ATZ) за 10 с»: the silence text with
    // the run's time limit, as the exchange log notes it when the limit ends
    // a run; empty before the first line.
    std::string TimeLimitText() const;
    // «Записано 7 строк, ошибок 1: строка 5 ATX9» (a line without a result
    // code: «строка 5 ATX9 (нет кода результата)», with another code than
    // ERROR: «строка 5 ATS0=3 (NO CARRIER)»), after a run cut short with
    // «Запись прервана на строке 3 из 7 (ATZ). » before it (and its cause:
    // «Порт Com2 больше не отвечает: запись прервана …»), after a run the
    // time limit ended with «Модем не ответил на строку 3 из 7 (ATZ) за 10 с:
    // запись прервана. », and with «. Модем на линии: CONNECT 9600» after it
    // when the run ended on line (lines left: «Модем на линии после строки 2
    // из 4 (ATDT1): CONNECT 9600, остальные строки списка не переданы. »
    // before it); empty when no line was sent.
    std::string SummaryText() const;
    // The run's time limit for one line, for the summary's text.
    void SetTimeLimitMs(std::int64_t ms) { timeLimitMs_ = ms; }

private:
    // Whether a line's answer was read to its end when its verdict came.
    enum class AnswerRead { Whole, CutShort };
    void Close(SentLine& line, AnswerRead read);
    // A result code decides the current line at once.
    void CodeMayHaveCome();

    Phase phase_ = Phase::Idle;
    int planned_ = 0;
    bool complete_ = false;
    bool timedOut_ = false;
    std::string cutCause_;
    std::int64_t timeLimitMs_ = 0;
    std::vector<SentLine> lines_;
    std::size_t decidedTaken_ = 0;
};

// One line's verdict for the exchange log: «Строка 5 (ATX9): ERROR», or
// «... : нет кода результата» when the modem gave none.
std::string VerdictNote(const SentLine& line);

// «Записана 1 строка», «Записано 3 строки», «Записано 7 строк».
std::string LinesWrittenText(int count);

}  // namespace hk
