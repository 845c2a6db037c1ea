#include "device/NetworkScan.h"

#include "device/LinkSearch.h"
#include "link/Deadline.h"

namespace hk::device {
namespace {

constexpr const char* kScanName = "Опрос сети";
constexpr int kStatusAnswerLen = 2;
// What an unanswered attempt takes, for the estimate before the first one:
// the address probe's 50 ms turn and its 1.8 s of 100 ms reads, or one
// unanswered start of an exchange (1 s).
constexpr std::int64_t kSilentProbeMs = 1852;
constexpr std::int64_t kSilentExchangeMs = 1004;

}  // namespace

ScanRange DefaultScanRange(int protocol) {
    ScanRange range;
    if (protocol != kTraditional) range.firstNumber = 0;
    return range;
}

std::string ControllerStateText(const FoundController& f) {
    if (!f.statusRead) return "состояние не прочитано: " + StepResultText(f.statusResult);
    std::string run;
    switch (f.s1 & kRunStateMask) {
        case kRunRunning:
            run = "работает";
            break;
        case kRunStopped:
            run = "остановлен";
            break;
        default:
            run = "состояние " + Hex2(static_cast<std::uint8_t>(f.s1 & kRunStateMask));
            break;
    }
    return run + ((f.s0 & kStatusKeyMissing) ? ", ключ не установлен" : ", ключ установлен");
}

std::string ScanTableCsv(const std::vector<FoundController>& found, bool hexView, CsvForm form) {
    const char sep = form.separator;
    // A field with the separator, a quote or a line end in it is quoted.
    const auto field = [sep](const std::string& text) {
        if (text.find_first_of(std::string{sep, '"', '\r', '\n'}) == std::string::npos) return text;
        std::string quoted = "\"";
        for (char c : text) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
        return quoted + "\"";
    };
    std::string csv = form.byteOrderMark ? std::string(kUtf8ByteOrderMark) : std::string();
    csv += std::string("Номер") + sep + "Скорость" + sep + "Комплект" + sep + "Состояние\r\n";
    for (const FoundController& f : found)
        csv += NetNumberText(static_cast<std::uint8_t>(f.number), hexView) + sep +
               std::to_string(BaudRates[std::size_t(f.speedIndex)]) + sep + field(KitTitle(f.kit)) +
               sep + field(ControllerStateText(f)) + "\r\n";
    return csv;
}

NetworkScan::NetworkScan(DeviceContext& c, ScanRange range, bool hexView, Found onFound)
    : c_(c), range_(range), hexView_(hexView), onFound_(std::move(onFound)) {}

std::int64_t NetworkScan::EstimatedMsLeft() const {
    std::int64_t perAttempt =
        made_ > 0
            ? spentMs_ / made_
            : (c_.link.Settings.Protocol == kTraditional ? kSilentProbeMs : kSilentExchangeMs);
    return perAttempt * AttemptsLeft();
}

std::vector<FoundController> NetworkScan::Run() {
    ControllerSession& s = c_.session;
    for (int n = range_.firstNumber; n <= range_.lastNumber; ++n) {
        c_.view.SetNumberLabel(kNumberLabelText +
                               NetNumberText(static_cast<std::uint8_t>(n), hexView_));
        for (int speed = range_.firstSpeed; speed <= range_.lastSpeed; ++speed) {
            c_.view.SetSpeedLabel(SpeedLabel(speed));
            c_.view.ProcessMessages();
            if (s.StopRequest || c_.link.PortHandle.Unusable()) {
                stopped_ = true;
                return found_;
            }
            const Stopwatch attempt(c_.link.Clock);
            const bool answered = TryAttempt(c_, n, speed, hexView_, kScanName);
            ++made_;
            if (answered) Inventory(n, speed);
            spentMs_ += attempt.ElapsedMs();
            if (answered) {
                // Found at this speed: not looked for at the others.
                skipped_ += range_.lastSpeed - speed;
                break;
            }
        }
    }
    return found_;
}

void NetworkScan::Inventory(int number, int speed) {
    ControllerSession& s = c_.session;
    FoundController f;
    f.number = number;
    f.speedIndex = speed;
    if (IdentifyKit(c_, f.kit) != 0) f.kit = -1;  // answered, but not who it is
    f.statusResult = SendRequest(c_, DeviceCommands.Status, s.AnswerBuf, kStatusAnswerLen);
    f.statusRead = f.statusResult == 0;
    if (f.statusRead) {
        f.s0 = s.AnswerBuf[0];
        f.s1 = s.AnswerBuf[1];
    }
    // Deselects it, so that the next number's address byte finds a quiet line.
    SendExchangeEnd(c_);
    if (c_.link.Log)
        c_.link.Log->Summary(std::string(kScanName) + ": номер " +
                             NetNumberText(static_cast<std::uint8_t>(number), hexView_) + ", " +
                             std::to_string(BaudRates[std::size_t(speed)]) + " бод — " +
                             KitTitle(f.kit) + ", " + ControllerStateText(f));
    found_.push_back(f);
    if (onFound_) onFound_(f);
}

}  // namespace hk::device
