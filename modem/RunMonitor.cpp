#include "modem/RunMonitor.h"

#include <chrono>

#include "link/ExchangeNotes.h"
#include "modem/ModemConsole.h"

namespace hk {

void RunMonitor::SetAnswerLimitMs(std::int64_t ms) {
    answerLimitMs_ = ms;
    report_.SetTimeLimitMs(ms);
}

void RunMonitor::ShowStatus(const std::string& text) { window_.ShowRunStatus(text); }

void RunMonitor::Note(const std::string& text) {
    if (link_.Log) link_.Log->Note(text);
}

void RunMonitor::Begin(int plannedLines) {
    report_.Begin(plannedLines);
    report_.SetTimeLimitMs(answerLimitMs_);
    silenceShown_ = false;
    window_.ClearLineMarks();
    ShowStatus({});
}

void RunMonitor::Sent(int listIndex, const std::string& text) {
    if (!report_.UnderWay()) return;
    report_.LineSent(listIndex, text, link_.Clock.NowMs());
    silenceShown_ = false;
    AnnounceDecidedLines();
    ShowStatus(report_.ProgressText());
}

void RunMonitor::Byte(std::uint8_t byte) {
    if (!report_.UnderWay()) return;
    report_.AnswerByte(byte);
    AnnounceDecidedLines();
    AnswerMayHaveCome();
}

bool RunMonitor::ByteMayBeEcho() const {
    const SentLine* current = report_.Current();
    return report_.UnderWay() && current && !current->closed && current->answer.LastByteMayBeEcho();
}

bool RunMonitor::WentOnLine() const {
    const SentLine* current = report_.Current();
    return report_.UnderWay() && current && current->WentOnLine();
}

void RunMonitor::EndOnLine() {
    if (!report_.UnderWay()) return;
    report_.EndOnLine();
    silenceShown_ = false;
    AnnounceDecidedLines();
    const std::string summary = report_.SummaryText();
    ShowStatus(summary);
    Note(summary);
    window_.RunEnded(false);
}

void RunMonitor::MovedOn() {
    report_.MovedOn();
    AnnounceDecidedLines();
    AnswerMayHaveCome();
}

// The silence notice goes as soon as the line has its answer.
void RunMonitor::AnswerMayHaveCome() {
    const SentLine* current = report_.Current();
    if (!silenceShown_ || !current || !current->answered) return;
    silenceShown_ = false;
    ShowStatus(report_.ProgressText());
}

void RunMonitor::NoMoreLines() {
    report_.NoMoreLines();
    lastAnswerPause_.emplace(link_.Clock, std::chrono::milliseconds(kNextLinePauseMs));
}

void RunMonitor::Polled(bool paused) {
    if (!report_.UnderWay()) return;
    if (paused) {
        report_.AnswerPaused();
        AnnounceDecidedLines();
        AnswerMayHaveCome();
    }
    // The receiver has shown the whole last answer; a modem that keeps
    // sending has had the pause every answer gets.
    if (report_.CurrentPhase() == RunReport::Phase::LastAnswer &&
        (paused || (lastAnswerPause_ && lastAnswerPause_->Expired()))) {
        Finish(RunEnd::ByItself);
        return;
    }
    const std::int64_t now = link_.Clock.NowMs();
    if (report_.UnansweredForMs(now) >= answerLimitMs_) {
        report_.TimedOut();
        silenceShown_ = false;
        Note(report_.TimeLimitText());
        AnnounceDecidedLines();
        const std::string summary = report_.SummaryText();
        ShowStatus(summary);
        Note(summary);
        window_.RunEnded(false);
        return;
    }
    if (!silenceShown_ && report_.UnansweredForMs(now) >= kSilentModemNoticeMs) {
        silenceShown_ = true;
        ShowStatus(report_.SilenceText());
        Note(report_.SilenceText());
    }
}

void RunMonitor::End(std::string cause) { Finish(RunEnd::CutShort, std::move(cause)); }

void RunMonitor::Finish(RunEnd end, std::string cause) {
    if (!report_.UnderWay()) return;
    report_.End(std::move(cause));
    silenceShown_ = false;
    AnnounceDecidedLines();
    const std::string summary = report_.SummaryText();
    ShowStatus(summary);
    if (!summary.empty()) Note(summary);
    // A modem on line takes no command: nothing is to follow the run.
    window_.RunEnded(end == RunEnd::ByItself && report_.Completed() && !report_.OnLine());
}

// Failed lines are marked as soon as their verdict stands, provided the
// list line still holds what was sent (the operator may have edited the
// list meanwhile, which clears the marks anyway).
void RunMonitor::AnnounceDecidedLines() {
    while (const SentLine* line = report_.TakeDecidedLine()) {
        Note(VerdictNote(*line));
        if (!line->Failed()) continue;
        MemoLines& list = window_.ListMemo();
        if (line->listIndex < list.Count() && list.Line(line->listIndex) == line->text)
            window_.MarkRefusedLine(line->listIndex);
    }
}

}  // namespace hk
