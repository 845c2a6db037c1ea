#include "modem/ModemCheckJob.h"

#include <algorithm>
#include <array>
#include <set>

#include "base/Windows1251.h"
#include "link/ExchangeNotes.h"
#include "lists/EncodeLine.h"
#include "lists/MemoryLines.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

constexpr const char* kListingQuestion = "AT&V";
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

void ModemCheckJob::Note(const std::string& text) {
    if (link_.Log) link_.Log->Note(text);
}

ModemCheckJob::Reply::Kind ModemCheckJob::LetTheLineSettle() {
    SerialLine& port = link_.PortHandle;
    SetPortTimeouts(link_, 0, kNextLinePauseMs);
    std::string rest;
    std::array<std::uint8_t, kSettleChunk> chunk{};
    const std::int64_t start = link_.Clock.NowMs();
    for (;;) {
        const long n = port.Read(chunk.data(), chunk.size());
        if (n < 0 && port.HungUp()) return Reply::Kind::PortLost;
        if (n <= 0) break;
        rest.append(chunk.begin(), chunk.begin() + n);
        // A line that never falls quiet (noise, RING) is asked all the
        // same: each question purges what came before it.
        if (link_.Clock.NowMs() - start >= kSettleLimitMs) break;
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

ModemCheckJob::Reply ModemCheckJob::Ask(const std::string& question) {
    Reply reply;
    std::array<std::uint8_t, kSendBufferSize> buf{};
    const int n = EncodeLine(question, buf, 0);
    SerialLine& port = link_.PortHandle;
    Note("Модему: " + question);
    port.PurgeRx();
    SetPortTimeouts(link_, 0, kModemReadTimeoutMs);
    port.Write(buf.data(), static_cast<std::size_t>(n));

    const std::string echo = question + '\r';
    std::string bytes;
    ResultCodeReader code;
    const std::int64_t askedAt = link_.Clock.NowMs();
    std::int64_t lastAt = askedAt;
    // The answer must be whole within the quiet time and the time its bytes
    // take on the line, whatever else comes meanwhile.
    const std::int64_t characterUs = CharacterMicros(port.HeldParams());
    std::size_t receivedTotal = 0;
    const auto overTime = [&] {
        const auto wireMs =
            static_cast<std::int64_t>(std::min(receivedTotal, kLongestAnswer)) * characterUs /
            1000;
        return link_.Clock.NowMs() - askedAt >= kCheckAnswerQuietMs + wireMs;
    };
    for (;;) {
        std::uint8_t byte = 0;
        const bool received = port.Read(&byte, 1) == 1;
        if (received) {
            ++receivedTotal;
            bytes += static_cast<char>(byte);
            code.Take(byte);
            lastAt = link_.Clock.NowMs();
            // The echo of the question: the answer starts after it.
            if (bytes.ends_with(echo)) {
                bytes.clear();
                code = ResultCodeReader();
            }
        } else {
            if (port.HungUp()) {
                reply.kind = Reply::Kind::PortLost;
                return reply;
            }
            // A pause after digits ended by a carriage return: a digit code.
            if (link_.Clock.NowMs() - lastAt >= pauseMs_) code.Finish();
        }
        if (code.Found()) {
            // The rest of the code's line (the LF after a word code's CR):
            // the answer ends when the modem pauses.
            for (std::int64_t quietFrom = link_.Clock.NowMs();
                 link_.Clock.NowMs() - quietFrom < pauseMs_ && bytes.size() < kLongestAnswer &&
                 !overTime();) {
                const long got = port.Read(&byte, 1);
                if (got < 0) break;
                if (got == 0) continue;
                ++receivedTotal;
                bytes += static_cast<char>(byte);
                quietFrom = link_.Clock.NowMs();
            }
            break;
        }
        if (!received && link_.Clock.NowMs() - lastAt >= kCheckAnswerQuietMs) break;
        if (overTime()) break;  // bytes keep coming, but no answer among them
        if (bytes.size() >= kLongestAnswer) break;  // a modem that never ends its answer
        link_.View.ProcessMessages();
        if (stopRequested_()) {
            reply.kind = Reply::Kind::Stopped;
            return reply;
        }
    }
    reply.answer = TakeAnswerApart(bytes);
    for (const std::string& line : reply.answer.info) Note("Модем: " + Utf8FromWindows1251(line));
    if (reply.answer.code.Found()) Note("Модем: " + reply.answer.code.Code());
    // Information text without a code (a modem set to Q1 outside the list)
    // still tells the value.
    const bool answered = reply.answer.code.Found() || !reply.answer.info.empty();
    reply.kind = answered ? Reply::Kind::Answered : Reply::Kind::Silent;
    return reply;
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
    if (list.Empty()) {
        result.outcome = CheckOutcome::NothingToCheck;
        Show(result);
        return result;
    }
    if (list.Quiet()) {
        result.outcome = CheckOutcome::QuietModem;
        result.rows = CompareWithModem(list, modem);
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

    const auto finish = [&] {
        if (result.outcome != CheckOutcome::Stopped) result.rows = CompareWithModem(list, modem);
        Show(result);
        return result;
    };
    for (const auto& [setting, listed] : list.active) {
        const auto reg = RegisterOf(setting);
        if (!reg) continue;
        const std::string question = "AT" + setting + "?";
        const Reply reply = Ask(question);
        if (reply.kind != Reply::Kind::Answered) {
            Interrupted(reply, question, result);
            return finish();
        }
        auto value = RegisterValue(reply.answer, *reg);
        if (value && *value != listed.value) {
            // Asked once more: a byte of noise can pass for a value, the
            // same value twice cannot. Two that disagree tell nothing.
            const Reply again = Ask(question);
            if (again.kind != Reply::Kind::Answered) {
                Interrupted(again, question, result);
                return finish();
            }
            if (RegisterValue(again.answer, *reg) != value) value.reset();
        }
        if (value) modem.active[setting] = *value;
    }
    if (NeedsListing(list, modem)) {
        const Reply reply = Ask(kListingQuestion);
        if (reply.kind != Reply::Kind::Answered) {
            Interrupted(reply, kListingQuestion, result);
            return finish();
        }
        SettingsListing listing = ReadSettingsListing(reply.answer.info);
        if (ListingDiffers(list, listing)) {
            // As with a register: what differs from the list is read twice,
            // and only what both listings say is taken.
            const Reply again = Ask(kListingQuestion);
            if (again.kind != Reply::Kind::Answered) {
                Interrupted(again, kListingQuestion, result);
                return finish();
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
    }
    result.outcome = CheckOutcome::Done;
    return finish();
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
