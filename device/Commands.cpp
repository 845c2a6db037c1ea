#include "device/Commands.h"

#include <algorithm>

#include "device/RequestNames.h"
#include "link/Deadline.h"
#include "protocol/Exchange.h"

namespace hk::device {
namespace {

constexpr int kStatusAnswerLen = 2;
constexpr int kIdentificationAnswerLen = 2;
constexpr int kRunningPollPauseMs = 100;
constexpr int kKitTries = 2;
constexpr char kCarriageReturn = '\r';

std::string WithResult(const char* prefix, int code) { return prefix + StepResultText(code); }

}  // namespace

std::string KitTitle(int kit) {
    if (kit < 0 || kit >= static_cast<int>(KitTitles.size())) return "комплект не определён";
    return KitTitles[static_cast<std::size_t>(kit)];
}

std::string Hex2(std::uint8_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

int Exchange(DeviceContext& c, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
             int answerLen) {
    if (c.link.Log) c.link.Log->SetNextLabel(RequestName(request));
    return protocol::ExchangeFrame(c.link, request, answer, answerLen);
}

int SendRequest(DeviceContext& c, const DeviceCommand& command, std::span<std::uint8_t> answer,
                int answerLen) {
    auto& buf = c.session.RequestBuf;
    const auto bytes = command.Bytes();
    std::fill(buf.begin(), buf.end(), 0);
    std::copy(bytes.begin(), bytes.end(), buf.begin());
    return Exchange(c, buf, answer, answerLen);
}

int SendReprogCommand(DeviceContext& c, ReprogStep step) {
    const DeviceCommand* command = &DeviceCommands.ReprogCancel;
    if (step == ReprogStep::CopyIn) command = &DeviceCommands.ReprogCopyIn;
    if (step == ReprogStep::CopyOut) command = &DeviceCommands.ReprogCopyOut;
    c.session.LastResult = SendRequest(c, *command, c.session.AnswerBuf, 0);
    return c.session.LastResult;
}

int SendExchangeEnd(DeviceContext& c) {
    return SendRequest(c, DeviceCommands.ExchangeEnd, c.session.AnswerBuf, 0);
}

bool AskRestart(DeviceContext& c) {
    if (!c.view.Confirm(kRestartQuestion)) return false;
    SendRequest(c, DeviceCommands.Restart, c.session.AnswerBuf, 0);
    return true;
}

namespace {

// One pass of a status wait: pending messages run, then the status is read
// into AnswerBuf. False when the wait ends here: a stop asked ("Выход",
// LastResult := kStepFailed) or a read that failed (its text shown).
bool ReadStatusForWait(DeviceContext& c) {
    ControllerSession& s = c.session;
    c.view.ProcessMessages();
    if (s.StopRequest) {
        s.LastResult = kStepFailed;
        return false;
    }
    s.LastResult = SendRequest(c, DeviceCommands.Status, s.AnswerBuf, kStatusAnswerLen);
    if (s.LastResult > 0) {
        c.view.SetStatusText(WithResult(kStatusReadText, s.LastResult));
        return false;
    }
    return true;
}

// What a status read tells the wait for a stopped controller.
enum class StopPass { Again, Stopped, Failed };

// The wait for a stopped controller, one status read: the key question
// until the key has been seen (Yes starts the limit again), STOP to a
// running controller once, then the pause before the next read.
struct StopWait {
    DeviceContext& c;
    Deadline deadline;
    bool keySeen = false;
    bool stopSent = false;

    StopPass Next() {
        ControllerSession& s = c.session;
        const std::uint8_t s0 = s.AnswerBuf[0];
        const std::uint8_t s1 = s.AnswerBuf[1];
        if (!keySeen && !(s0 & kStatusKeyMissing)) {
            keySeen = true;
        } else if (!keySeen) {
            if (!c.view.Confirm(kInstallKeyText)) {
                s.LastResult = kStepFailed;
                return StopPass::Failed;
            }
            // The operator took his time with the key: the wait starts over.
            deadline.Restart();
        }
        const std::uint8_t state = s1 & kRunStateMask;
        if (state == kRunStopped) return StopPass::Stopped;
        if (state != kRunRunning) {
            c.view.ShowError(kUnitStatusText + Hex2(s0) + Hex2(s1));
            s.LastResult = kStepFailed;
            return StopPass::Failed;
        }
        if (!stopSent) {
            s.StopSent = true;
            s.LastResult = SendRequest(c, DeviceCommands.Stop, s.AnswerBuf, 0);
            if (s.LastResult > 0) {
                c.view.SetStatusText(WithResult(kStopCommandText, s.LastResult));
                return StopPass::Failed;
            }
            stopSent = true;
        }
        c.link.Clock.Sleep(kRunningPollPauseMs);
        return StopPass::Again;
    }
};

}  // namespace

int WaitForStatus(DeviceContext& c, std::uint8_t mask, std::uint8_t expected, DayUnits timeout,
                  bool* conditionMet) {
    ControllerSession& s = c.session;
    bool met = false;
    for (const Deadline deadline(c.link.Clock, timeout); !deadline.Expired();) {
        if (!ReadStatusForWait(c)) break;
        if ((s.AnswerBuf[1] & mask) == expected) {
            met = true;
            break;
        }
    }
    if (conditionMet) *conditionMet = met;
    return s.LastResult;
}

int WaitUntilStopped(DeviceContext& c, DayUnits timeout, bool* conditionMet) {
    StopWait wait{c, Deadline(c.link.Clock, timeout)};
    StopPass pass = StopPass::Again;
    while (pass == StopPass::Again && !wait.deadline.Expired() && ReadStatusForWait(c))
        pass = wait.Next();
    if (conditionMet) *conditionMet = pass == StopPass::Stopped;
    return c.session.LastResult;
}

int KitFromIdentification(std::span<const std::uint8_t> a, std::span<const std::uint8_t> b) {
    if (a.size() >= 2 && b.size() >= 2 && a[0] == b[0] && a[1] == b[1]) return 0;
    // The one-channel kits answer i, 255 - i in the second word.
    if (b.size() >= 2 && b[0] == 0x01 && b[1] == 0xFE) return 1;
    if (b.size() >= 2 && b[0] == 0x02 && b[1] == 0xFD) return 2;
    return 3;
}

namespace {

// After a failed try, an answer later than the late-answer guard may still
// arrive and be taken for the next request's, and every answer after it
// for the request after its own: the pair A, B would read A's word twice,
// the pair of the basic kit. The pair is then read once more the other way
// round, B before A: shifted by one, B then reads the second word's answer
// and A the first's again only when both words are equal, and then the kit
// they name is the one they name. Returns 0 when both readings agree.
int ConfirmIdentification(DeviceContext& c, std::span<const std::uint8_t> a,
                          std::span<const std::uint8_t> b) {
    ControllerSession& s = c.session;
    std::array<std::uint8_t, 4> b2{}, a2{};
    s.LastResult = SendRequest(c, DeviceCommands.IdentificationB, b2, kIdentificationAnswerLen);
    if (s.LastResult == 0)
        s.LastResult = SendRequest(c, DeviceCommands.IdentificationA, a2, kIdentificationAnswerLen);
    if (s.LastResult > 0) {
        c.view.SetStatusText(WithResult(kVersionReadText, s.LastResult));
        return s.LastResult;
    }
    if (std::equal(a.begin(), a.end(), a2.begin()) && std::equal(b.begin(), b.end(), b2.begin()))
        return 0;
    s.LastResult = kNoConfirmation;
    c.view.SetStatusText(kVersionReadText + std::string(kIdentificationDisagreesText) +
                         StepResultText(s.LastResult));
    return s.LastResult;
}

}  // namespace

int IdentifyKit(DeviceContext& c, int& kit, std::array<std::uint8_t, 4>* words) {
    ControllerSession& s = c.session;
    for (int attempt = 0; attempt < kKitTries; ++attempt) {
        if (attempt > 0) c.view.SetStatusText(WithResult(kRetryText, s.LastResult));
        c.view.ProcessMessages();

        std::array<std::uint8_t, 4> first{};
        s.LastResult =
            SendRequest(c, DeviceCommands.IdentificationA, first, kIdentificationAnswerLen);
        if (s.LastResult > 0) {
            c.view.SetStatusText(WithResult(kVersionReadText, s.LastResult));
            continue;
        }
        s.LastResult =
            SendRequest(c, DeviceCommands.IdentificationB, s.AnswerBuf, kIdentificationAnswerLen);
        if (s.LastResult > 0) continue;
        const std::array<std::uint8_t, 2> second = {s.AnswerBuf[0], s.AnswerBuf[1]};
        if (attempt > 0 &&
            ConfirmIdentification(c, std::span(first).first(2), std::span(second)) != 0)
            break;
        kit = KitFromIdentification(std::span(first).first(2), std::span(second));
        if (words) *words = {first[0], first[1], second[0], second[1]};
        break;
    }
    return s.LastResult;
}

int CheckKit(DeviceContext& c, std::uint8_t kitIndex, std::array<std::uint8_t, 4>* words) {
    ControllerSession& s = c.session;
    int kit = 0;
    if (IdentifyKit(c, kit, words) != 0) return s.LastResult;
    if (kit != kitIndex) {
        c.view.ShowInformation(std::string(kKitMismatchText) + kCarriageReturn + kChooseKitText +
                               KitNames[static_cast<std::size_t>(kit)] + kKitSuffixText);
        s.LastResult = kKitMismatch;
    }
    return s.LastResult;
}

}  // namespace hk::device
