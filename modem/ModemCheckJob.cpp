#include "modem/ModemCheckJob.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <set>

#include "base/Windows1251.h"
#include "link/ExchangeNotes.h"
#include "lists/EncodeLine.h"
#include "lists/MemoryLines.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

constexpr const char* kListingQuestion = "AT&V";
constexpr std::string_view kRingLine = "RING";
constexpr const char* kTableHeading = "Проверка настроек модема по списку:";
constexpr std::size_t kSettleChunk = 256;
// Far more than any answer to ATSn? or AT&V (a listing is some hundreds of
// bytes); what comes beyond it is no answer but a line that never ends.
constexpr std::size_t kLongestAnswer = 4096;

bool NeedsListing(const ListSettings& list, const ModemReport& modem) {
    for (const auto& [setting, listed] : list.active)
        if (!modem.active.contains(setting)) return true;
    for (const auto& profile : list.stored)
        if (profile && !profile->empty()) return true;
    return false;
}

// Some setting of the listing differs from the list.
bool ListingDiffers(const ListSettings& list, const SettingsListing& listing) {
    const auto differs = [](const ListValues& listed, const ModemValues& modem) {
        for (const auto& [setting, value] : listed) {
            const auto it = modem.find(setting);
            if (it != modem.end() && it->second != value.value) return true;
        }
        return false;
    };
    if (differs(list.active, listing.active)) return true;
    for (std::size_t p = 0; p < list.stored.size(); ++p)
        if (list.stored[p] && listing.stored[p] && differs(*list.stored[p], *listing.stored[p]))
            return true;
    return false;
}

// `first` keeps only the values `second` gives alike.
void KeepWhatBothSay(SettingsListing& first, const SettingsListing& second) {
    const auto keep = [](ModemValues& values, const ModemValues* other) {
        std::erase_if(values, [&](const auto& entry) {
            if (!other) return true;
            const auto it = other->find(entry.first);
            return it == other->end() || it->second != entry.second;
        });
    };
    keep(first.active, &second.active);
    for (std::size_t p = 0; p < first.stored.size(); ++p) {
        if (!first.stored[p]) continue;
        keep(*first.stored[p], second.stored[p] ? &*second.stored[p] : nullptr);
    }
}

}  // namespace

ModemCheckJob::AnswerReading::AnswerReading(Clock& clock, const std::string& question,
                                            std::int64_t characterUs)
    : echo_(question + '\r'), characterUs_(characterUs), asked_(clock), sinceByte_(clock) {}

void ModemCheckJob::AnswerReading::Take(std::uint8_t byte) {
    ++receivedTotal_;
    bytes_ += static_cast<char>(byte);
    code_.Take(byte);
    sinceByte_.Restart();
    // The echo of the question: the answer starts after it.
    if (bytes_.ends_with(echo_)) {
        bytes_.clear();
        code_ = ResultCodeReader();
    }
}

void ModemCheckJob::AnswerReading::TakeAfterCode(std::uint8_t byte) {
    ++receivedTotal_;
    bytes_ += static_cast<char>(byte);
}

bool ModemCheckJob::AnswerReading::OverTime() const {
    const auto wireMs = static_cast<std::int64_t>(std::min(receivedTotal_, kLongestAnswer)) *
                        characterUs_ / kMicrosPerMs;
    return asked_.ElapsedMs() >= kCheckAnswerQuietMs + wireMs;
}

void ModemCheckJob::Note(const std::string& text) {
    if (link_.Log) link_.Log->Note(text);
}

ModemCheckJob::Reply::Kind ModemCheckJob::LetTheLineSettle() {
    SerialLine& port = link_.PortHandle;
    SetPortTimeouts(link_, 0, kNextLinePauseMs);
    std::string rest;
    std::array<std::uint8_t, kSettleChunk> chunk{};
    const Deadline settleLimit(link_.Clock, std::chrono::milliseconds(kSettleLimitMs));
    for (;;) {
        const long n = port.Read(chunk.data(), chunk.size());
        if (n < 0 && port.HungUp()) return Reply::Kind::PortLost;
        if (n <= 0) break;
        rest.append(chunk.begin(), chunk.begin() + n);
        // A line that never falls quiet (noise, RING) is asked all the
        // same: each question purges what came before it.
        if (settleLimit.Expired()) break;
        link_.View.ProcessMessages();
        if (stopRequested_()) return Reply::Kind::Stopped;
    }
    // Shown as the receiver shows answer lines.
    std::string line;
    const auto show = [&] {
        window_.AnswersMemo().AddLine(line);
        Note("Модем: " + Utf8FromWindows1251(line));
        line.clear();
    };
    for (char c : rest) {
        if (c == '\n')
            show();
        else if (c != '\r')
            line += c;
    }
    if (!line.empty()) show();
    return Reply::Kind::Answered;
}

void ModemCheckJob::SendQuestion(const std::string& question) {
    std::array<std::uint8_t, kSendBufferSize> buf{};
    const int n = EncodeLine(question, buf, 0);
    SerialLine& port = link_.PortHandle;
    Note("Модему: " + question);
    port.PurgeRx();
    SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
    port.Write(buf.data(), static_cast<std::size_t>(n));
}

ModemCheckJob::Reply ModemCheckJob::Ask(const std::string& question) {
    SendQuestion(question);
    SerialLine& port = link_.PortHandle;
    AnswerReading reading(link_.Clock, question, CharacterMicros(port.HeldParams()));
    for (;;) {
        std::uint8_t byte = 0;
        const bool received = port.Read(&byte, 1) == 1;
        if (received) {
            reading.Take(byte);
        } else {
            if (port.HungUp()) return Reply{Reply::Kind::PortLost, {}};
            // A pause after digits ended by a carriage return: a digit code.
            if (reading.QuietMs() >= pauseMs_) reading.FinishCode();
        }
        if (reading.CodeFound()) {
            ReadRestOfCodeLine(reading);
            break;
        }
        if (!received && reading.QuietMs() >= kCheckAnswerQuietMs) break;
        if (reading.OverTime()) break;  // bytes keep coming, but no answer among them
        if (reading.Bytes().size() >= kLongestAnswer) break;  // a modem that never ends its answer
        link_.View.ProcessMessages();
        if (stopRequested_()) return Reply{Reply::Kind::Stopped, {}};
    }
    return ReplyOf(reading.Bytes());
}

// The rest of the code's line (the LF after a word code's CR): the answer
// ends when the modem pauses.
void ModemCheckJob::ReadRestOfCodeLine(AnswerReading& reading) {
    SerialLine& port = link_.PortHandle;
    for (Deadline quiet(link_.Clock, std::chrono::milliseconds(pauseMs_));
         !quiet.Expired() && reading.Bytes().size() < kLongestAnswer && !reading.OverTime();) {
        std::uint8_t byte = 0;
        const long got = port.Read(&byte, 1);
        if (got < 0) break;
        if (got == 0) continue;
        reading.TakeAfterCode(byte);
        quiet.Restart();
    }
}

ModemCheckJob::Reply ModemCheckJob::ReplyOf(const std::string& bytes) {
    Reply reply;
    reply.answer = TakeAnswerApart(bytes);
    for (const std::string& line : reply.answer.info) Note("Модем: " + Utf8FromWindows1251(line));
    if (reply.answer.code.Found()) Note("Модем: " + reply.answer.code.Code());
    // RING is a call, not an answer to the question.
    std::erase(reply.answer.info, std::string(kRingLine));
    // Information text without a code (a modem set to Q1 outside the list)
    // still tells the value.
    const bool answered = reply.answer.code.Found() || !reply.answer.info.empty();
    reply.kind = answered ? Reply::Kind::Answered : Reply::Kind::Silent;
    return reply;
}

// An answer without a result code counts only for the value it tells: text
// that tells none (noise with a line feed in it) is no answer.
bool ModemCheckJob::ToldNothing(const Reply& reply, bool told) {
    return reply.kind == Reply::Kind::Answered && !reply.answer.code.Found() && !told;
}

void ModemCheckJob::Interrupted(const Reply& reply, const std::string& question,
                                CheckResult& result) {
    switch (reply.kind) {
        case Reply::Kind::Stopped:
            result.outcome = CheckOutcome::Stopped;
            break;
        case Reply::Kind::PortLost:
            result.outcome = CheckOutcome::PortLost;
            break;
        case Reply::Kind::Silent:
            result.outcome = CheckOutcome::ModemSilent;
            result.unanswered = question;
            break;
        case Reply::Kind::Answered:
            break;
    }
}

CheckResult ModemCheckJob::Run() {
    CheckResult result;
    pauseMs_ = AnswerPauseMs(link_.PortHandle.HeldParams());
    listRead_ = MemoryLines(window_.ListMemo());
    const ListSettings list = CollectListSettings(listRead_);
    window_.ClearDifferingLineMarks();
    ModemReport modem;
    if (list.Empty() || list.Quiet()) {
        // Nothing to ask: the list sets nothing to check, or the modem
        // answers nothing (Q1), and every setting stays unchecked.
        result.outcome = list.Empty() ? CheckOutcome::NothingToCheck : CheckOutcome::QuietModem;
        if (!list.Empty()) result.rows = CompareWithModem(list, modem);
        Show(result);
        return result;
    }
    if (link_.Log) link_.Log->BeginJob("Проверка модема, " + link_.PortHandle.Name());
    switch (LetTheLineSettle()) {
        case Reply::Kind::PortLost:
            result.outcome = CheckOutcome::PortLost;
            Show(result);
            return result;
        case Reply::Kind::Stopped:
            result.outcome = CheckOutcome::Stopped;
            return result;
        default:
            break;
    }
    if (AskRegisters(list, modem, result) && AskListing(list, modem, result))
        result.outcome = CheckOutcome::Done;
    if (result.outcome != CheckOutcome::Stopped) result.rows = CompareWithModem(list, modem);
    Show(result);
    return result;
}

bool ModemCheckJob::AskRegisters(const ListSettings& list, ModemReport& modem,
                                 CheckResult& result) {
    for (const auto& [setting, listed] : list.active) {
        const auto reg = RegisterOf(setting);
        if (!reg) continue;
        const std::string question = "AT" + setting + "?";
        const Reply reply = Ask(question);
        if (reply.kind != Reply::Kind::Answered) {
            Interrupted(reply, question, result);
            return false;
        }
        auto value = RegisterValue(reply.answer, *reg);
        if (ToldNothing(reply, value.has_value())) {
            Interrupted(Reply{Reply::Kind::Silent, {}}, question, result);
            return false;
        }
        if (value && *value != listed.value) {
            // Asked once more: a byte of noise can pass for a value, the
            // same value twice cannot. Two that disagree tell nothing.
            const Reply again = Ask(question);
            if (again.kind != Reply::Kind::Answered) {
                Interrupted(again, question, result);
                return false;
            }
            if (RegisterValue(again.answer, *reg) != value) value.reset();
        }
        if (value) modem.active[setting] = *value;
    }
    return true;
}

bool ModemCheckJob::AskListing(const ListSettings& list, ModemReport& modem, CheckResult& result) {
    if (!NeedsListing(list, modem)) return true;
    const Reply reply = Ask(kListingQuestion);
    if (reply.kind != Reply::Kind::Answered) {
        Interrupted(reply, kListingQuestion, result);
        return false;
    }
    SettingsListing listing = ReadSettingsListing(reply.answer.info);
    if (ToldNothing(reply, !listing.Empty())) {
        Interrupted(Reply{Reply::Kind::Silent, {}}, kListingQuestion, result);
        return false;
    }
    if (ListingDiffers(list, listing)) {
        // As with a register: what differs from the list is read twice, and
        // only what both listings say is taken.
        const Reply again = Ask(kListingQuestion);
        if (again.kind != Reply::Kind::Answered) {
            Interrupted(again, kListingQuestion, result);
            return false;
        }
        KeepWhatBothSay(listing, ReadSettingsListing(again.answer.info));
    }
    // The registers as ATSn? gave them; the listing adds what they did not.
    for (const auto& [setting, value] : listing.active) modem.active.emplace(setting, value);
    modem.stored = listing.stored;
    if (reply.answer.code.Verdict() == LineVerdict::Error)
        result.listingNote = std::string(kListingQuestion) + ": " + reply.answer.code.Code();
    else if (listing.Empty())
        result.listingNote = std::string(kListingQuestion) + ": ответ не разобран";
    return true;
}

void ModemCheckJob::Show(const CheckResult& result) {
    if (result.outcome == CheckOutcome::Stopped) return;
    MemoLines& answers = window_.AnswersMemo();
    if (!result.rows.empty()) answers.AddLine(Windows1251FromUtf8(kTableHeading));
    MemoLines& list = window_.ListMemo();
    std::set<int> marked;
    for (const CheckRow& row : result.rows) {
        const std::string text = RowText(row);
        answers.AddLine(Windows1251FromUtf8(text));
        Note(text);
        // Marked while the line still holds what the check read.
        const int i = row.lineIndex;
        if (row.verdict == CheckVerdict::Differs && i < list.Count() &&
            list.Line(i) == listRead_.Line(i) && marked.insert(i).second)
            window_.MarkDifferingLine(i);
    }
    if (!result.listingNote.empty()) {
        answers.AddLine(Windows1251FromUtf8(result.listingNote));
        Note(result.listingNote);
    }
    const std::string summary = result.SummaryText();
    answers.AddLine(Windows1251FromUtf8(summary));
    Note(summary);
    window_.ShowRunStatus(summary);
}

}  // namespace hk
