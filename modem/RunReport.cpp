#include "modem/RunReport.h"

#include <algorithm>

#include "base/Windows1251.h"
#include "lists/EncodeLine.h"
#include "modem/ListSettings.h"

namespace hk {
namespace {

std::string Number(int n) { return std::to_string(n); }

std::string Shown(const SentLine& line) { return Utf8FromWindows1251(line.text); }

// What the modem echoes of a line: the bytes it was sent.
std::string EchoOf(const std::string& text) {
    std::string bytes(EncodedLength(text), '\0');
    const int n =
        EncodeLine(text, std::span(reinterpret_cast<std::uint8_t*>(bytes.data()), bytes.size()), 0);
    bytes.resize(n < 0 ? 0 : static_cast<std::size_t>(n));
    return bytes;
}

}  // namespace

std::string LinesWrittenText(int count) {
    const int lastTwo = count % 100;
    const int last = count % 10;
    if (last == 1 && lastTwo != 11) return "Записана " + Number(count) + " строка";
    if (last >= 2 && last <= 4 && (lastTwo < 12 || lastTwo > 14))
        return "Записано " + Number(count) + " строки";
    return "Записано " + Number(count) + " строк";
}

std::string VerdictNote(const SentLine& line) {
    const std::string code = line.answer.Found() ? line.answer.Code() : "нет кода результата";
    return "Строка " + Number(line.number) + " (" + Shown(line) + "): " + code;
}

// --- What the run driver reports -------------------------------------------

void RunReport::Begin(int plannedLines) {
    phase_ = Phase::Sending;
    planned_ = plannedLines;
    complete_ = false;
    timedOut_ = false;
    cutCause_.clear();
    lines_.clear();
    decidedTaken_ = 0;
}

void RunReport::Close(SentLine& line, AnswerRead read) {
    if (line.closed) return;
    line.answer.Finish();
    line.closed = true;
    line.whole = read == AnswerRead::Whole;
}

void RunReport::LineSent(int listIndex, std::string text, std::int64_t atMs) {
    if (phase_ != Phase::Sending) return;
    if (!lines_.empty()) Close(lines_.back(), AnswerRead::Whole);
    SentLine line;
    line.number = static_cast<int>(lines_.size()) + 1;
    line.listIndex = listIndex;
    line.text = std::move(text);
    line.sentAtMs = atMs;
    line.goesOnLine = GoesOnLine(line.text);
    line.answer.ExpectEcho(EchoOf(line.text));
    lines_.push_back(std::move(line));
    // The list was lengthened while the run went on.
    planned_ = std::max(planned_, lines_.back().number);
}

void RunReport::AnswerByte(std::uint8_t byte) {
    if (!UnderWay() || lines_.empty() || lines_.back().closed) return;
    lines_.back().answer.Take(byte);
    CodeMayHaveCome();
}

void RunReport::AnswerPaused() {
    if (!UnderWay() || lines_.empty() || lines_.back().closed) return;
    lines_.back().answer.Finish();
    CodeMayHaveCome();
}

void RunReport::CodeMayHaveCome() {
    SentLine& line = lines_.back();
    if (!line.answer.Found()) return;
    line.answered = true;
    line.closed = true;
}

void RunReport::MovedOn() {
    if (phase_ != Phase::Sending || lines_.empty()) return;
    lines_.back().answered = true;
    lines_.back().movedOn = true;
}

bool RunReport::CodeWaitsForTheNextLine() const {
    return phase_ == Phase::Sending && !lines_.empty() && lines_.back().answer.Found() &&
           !lines_.back().movedOn;
}

void RunReport::TimedOut() {
    if (phase_ != Phase::Sending || lines_.empty()) return;
    lines_.back().timedOut = true;
    timedOut_ = true;
    End();
}

void RunReport::NoMoreLines() {
    if (phase_ == Phase::Sending) phase_ = Phase::LastAnswer;
}

void RunReport::EndOnLine() {
    if (phase_ != Phase::Sending || lines_.empty() || !lines_.back().WentOnLine()) return;
    complete_ = false;
    phase_ = Phase::Ended;
}

void RunReport::End(std::string cause) {
    if (!UnderWay()) return;
    cutCause_ = phase_ == Phase::LastAnswer ? std::string() : std::move(cause);
    complete_ = phase_ == Phase::LastAnswer;
    phase_ = Phase::Ended;
    if (!lines_.empty()) Close(lines_.back(), complete_ ? AnswerRead::Whole : AnswerRead::CutShort);
}

// --- The account -------------------------------------------------------------

bool RunReport::EndedUnanswered() const {
    return phase_ == Phase::Ended && !lines_.empty() && !lines_.back().answered;
}

int RunReport::AnsweredLines() const {
    return static_cast<int>(
        std::count_if(lines_.begin(), lines_.end(), [](const SentLine& l) { return l.answered; }));
}

int RunReport::RefusedLines() const {
    return static_cast<int>(std::count_if(lines_.begin(), lines_.end(), [](const SentLine& l) {
        return l.Verdict() == LineVerdict::Error;
    }));
}

const SentLine* RunReport::FirstRefused() const {
    const auto it = std::find_if(lines_.begin(), lines_.end(), [](const SentLine& l) {
        return l.Verdict() == LineVerdict::Error;
    });
    return it == lines_.end() ? nullptr : &*it;
}

int RunReport::FailedLines() const {
    return static_cast<int>(
        std::count_if(lines_.begin(), lines_.end(), [](const SentLine& l) { return l.Failed(); }));
}

const SentLine* RunReport::FirstFailed() const {
    const auto it =
        std::find_if(lines_.begin(), lines_.end(), [](const SentLine& l) { return l.Failed(); });
    return it == lines_.end() ? nullptr : &*it;
}

std::int64_t RunReport::UnansweredForMs(std::int64_t nowMs) const {
    if (phase_ != Phase::Sending || lines_.empty() || lines_.back().answered) return 0;
    return std::max<std::int64_t>(0, nowMs - lines_.back().sentAtMs);
}

const SentLine* RunReport::TakeDecidedLine() {
    if (decidedTaken_ >= lines_.size() || !lines_[decidedTaken_].closed) return nullptr;
    return &lines_[decidedTaken_++];
}

// --- Texts -----------------------------------------------------------------------

std::string RunReport::ProgressText() const {
    const SentLine* line = Current();
    if (!line) return {};
    return "Строка " + Number(line->number) + " из " + Number(planned_) + ": " + Shown(*line);
}

std::string RunReport::SilenceText() const {
    const SentLine* line = Current();
    if (!line) return {};
    return "Модем не отвечает на строку " + Number(line->number) + " (" + Shown(*line) + ")";
}

std::string RunReport::TimeLimitText() const {
    const std::string silence = SilenceText();
    if (silence.empty()) return {};
    return silence + " за " + Number(static_cast<int>(timeLimitMs_ / kMsPerSecond)) + " с";
}

std::string RunReport::SummaryText() const {
    const SentLine* last = Current();
    if (!last) return {};
    std::string text;
    if (EndedByTimeLimit()) {
        text = "Модем не ответил на строку " + Number(last->number) + " из " + Number(planned_) +
               " (" + Shown(*last) + ") за " +
               Number(static_cast<int>(timeLimitMs_ / kMsPerSecond)) + " с: запись прервана. ";
    } else if (OnLine() && !complete_) {
        text = "Модем на линии после строки " + Number(last->number) + " из " + Number(planned_) +
               " (" + Shown(*last) + "): " + last->answer.Code() +
               ", остальные строки списка не переданы. ";
    } else if (phase_ == Phase::Ended && !complete_) {
        text = cutCause_.empty() ? "Запись прервана " : cutCause_ + ": запись прервана ";
        text += std::string(last->answered ? "после строки " : "на строке ") +
                Number(last->number) + " из " + Number(planned_);
        if (!last->answered) text += " (" + Shown(*last) + ")";
        text += ". ";
    }
    text += LinesWrittenText(AnsweredLines()) + ", ошибок " + Number(FailedLines());
    if (const SentLine* failed = FirstFailed()) {
        text += ": строка " + Number(failed->number) + " " + Shown(*failed);
        if (!failed->answer.Found())
            text += " (нет кода результата)";
        else if (failed->Verdict() != LineVerdict::Error)
            text += " (" + failed->answer.Code() + ")";
    }
    if (OnLine() && complete_) text += ". Модем на линии: " + last->answer.Code();
    return text;
}

}  // namespace hk
