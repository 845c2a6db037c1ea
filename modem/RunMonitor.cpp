#include "modem/RunMonitor.h"

#include "link/ExchangeNotes.h"

namespace hk {

void RunMonitor::ShowStatus(const std::string& text) { window_.ShowRunStatus(text); }

void RunMonitor::Note(const std::string& text) {
    if (link_.Log) link_.Log->Note(text);
}

void RunMonitor::Begin(int plannedLines) {
    report_.Begin(plannedLines);
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

void RunMonitor::NoMoreLines() { report_.NoMoreLines(); }

void RunMonitor::Polled(bool silent) {
    if (!report_.UnderWay()) return;
    if (silent) {
        report_.AnswerPaused();
        AnnounceDecidedLines();
        AnswerMayHaveCome();
    }
    // The receiver has shown the whole last answer.
    if (report_.CurrentPhase() == RunReport::Phase::LastAnswer && silent) {
        Finish(true);
        return;
    }
    if (!silenceShown_ && report_.UnansweredForMs(link_.Clock.NowMs()) >= kSilentModemNoticeMs) {
        silenceShown_ = true;
        ShowStatus(report_.SilenceText());
        Note(report_.SilenceText());
    }
}

void RunMonitor::End() { Finish(false); }

void RunMonitor::Finish(bool byItself) {
    if (!report_.UnderWay()) return;
    report_.End();
    silenceShown_ = false;
    AnnounceDecidedLines();
    const std::string summary = report_.SummaryText();
    ShowStatus(summary);
    if (!summary.empty()) Note(summary);
    window_.RunEnded(byItself && report_.Completed());
}

// Refused lines are marked as soon as their verdict stands, provided the
// list line still holds what was sent (the operator may have edited the
// list meanwhile, which clears the marks anyway).
void RunMonitor::AnnounceDecidedLines() {
    while (const SentLine* line = report_.TakeDecidedLine()) {
        Note(VerdictNote(*line));
        if (line->Verdict() != LineVerdict::Error) continue;
        MemoLines& list = window_.ListMemo();
        if (line->listIndex < list.Count() && list.Line(line->listIndex) == line->text)
            window_.MarkRefusedLine(line->listIndex);
    }
}

}  // namespace hk
