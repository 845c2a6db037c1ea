#include "device/BufferTransfer.h"

#include <array>
#include <optional>
#include <vector>

#include "base/FileError.h"
#include "base/LocalTime.h"
#include "base/TextForm.h"
#include "device/Backups.h"
#include "device/LinkSearch.h"
#include "link/Deadline.h"
#include "lists/MemoryLines.h"
#include "protocol/Exchange.h"

namespace hk::device {
namespace {

constexpr int kBufferAnswerLen = static_cast<int>(kBufferBytes);
constexpr int kControlAnswerLen = 2;
constexpr int kStatusAnswerLen = 2;
constexpr std::uint8_t kControlParameterLow = 0x04;
constexpr std::uint8_t kWithLinesFlag = 0x10;  // bit 4 of the control parameter's second byte
constexpr int kReprogPauseMs = 1000;
constexpr int kFirstBlockPauseMs = 200;
constexpr int kPercent = 100;
// Status reads that may fail in a row while the phase after an unconfirmed
// copy-out is read again: each takes at least its read time-out on a line
// that carries the request, so three cover the phase wait's time limit.
constexpr int kPhaseReadFailures = 3;

// The first `count` bytes of `bytes`, as a record of the run keeps them.
template <typename Bytes>
std::vector<std::uint8_t> Kept(const Bytes& bytes, std::size_t count) {
    return std::vector<std::uint8_t>(bytes.begin(),
                                     bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

// A wait that ran out of time without its condition is no confirmation.
int Confirmed(int result, bool conditionMet) {
    return result == 0 && !conditionMet ? kNoConfirmation : result;
}

// What a reprogramming request whose phase was awaited came to, as the
// controller told it: 0 once the phase showed it done; otherwise the
// request's own failure when the controller refused it or left it
// unanswered, else the wait's.
int PhaseResult(int answered, int waited, bool met) {
    if (met) return 0;
    return answered != 0 ? answered : waited;
}

// "для канала МЦП (параметр 40 04)".
std::string FlagName(const KitBuffer& buffer) {
    return std::string(buffer.label) + " (параметр " +
           Hex2(static_cast<std::uint8_t>(kParamHigh + buffer.channel)) + " " +
           Hex2(kControlParameterLow) + ")";
}

// What stands in the way of the write's success once its steps are done.
struct WriteFlaws {
    bool unconfirmed = false;  // a block the controller never reported written
    std::string blockText;     // and its status text
    int flagFailure = 0;       // the first flag step that did not complete
    std::string flagText;      // and its status text
};

// Buffer `index` of the write: control flag, write-unlock, the block, then
// the controller's "block written" bit; 200 ms pass after the first block.
// A flag step or a block wait that fails lets the write go on in its order
// but is kept in `flaws`. Returns LastResult.
int WriteBlock(ControllerContext& c, const KitLayout& kit, int index, const BufferImages& images,
               WriteFlaws& flaws) {
    ControllerSession& s = c.session;
    const auto k = static_cast<std::size_t>(index);
    const KitBuffer& buffer = kit.buffers[k];
    const bool clear = index == 0 ? c.state.ClearBuffer1 : c.state.ClearBuffer2;
    std::array<std::uint8_t, kWriteFrameBytes> frame{};
    const bool lengthByte = WithLengthByte(c.state.KitIndex, c.link.Settings.Protocol);
    BuildWriteFrame(buffer, images.data[k], images.bytes[k], lengthByte, frame);
    // The flag tells the controller whether the buffer is in use: written
    // without it, the new lines would lie idle. The write goes on in its
    // order, but cannot end as a success.
    ChannelBytes& kept = c.outcome.channels[k];
    const int flag = SetBufferFlag(c.device, buffer.channel, clear, &kept.flagBefore);
    if (flag != 0 && flaws.flagFailure == 0) {
        flaws.flagFailure = flag;
        flaws.flagText = kFlagText + FlagName(buffer) + kFlagNotSetText + StepResultText(flag) +
                         kFlagRewriteText;
        c.view.SetStatusText(flaws.flagText);
        if (c.link.Log) c.link.Log->Note(flaws.flagText);
    }

    s.LastResult = SendRequest(c.device, WriteUnlockCommand(buffer.unlock[0], buffer.unlock[1]),
                               s.AnswerBuf, 0);
    if (s.LastResult != 0) return s.LastResult;
    kept.written = Kept(images.data[k], static_cast<std::size_t>(images.bytes[k]));
    s.LastResult = Exchange(c.device, frame, s.AnswerBuf, 0);
    if (s.LastResult != 0) return s.LastResult;
    if (index == 0) c.link.Clock.Sleep(kFirstBlockPauseMs);
    bool met = false;
    WaitForStatus(c.device, kBlockWritten, kBlockWritten, kMatchWaitLimit, &met);
    if (s.LastResult == 0 && !met && !flaws.unconfirmed) {
        // Said of the block, where it happened, not of the copy-out that
        // follows it.
        flaws.unconfirmed = true;
        flaws.blockText = kBlockText + std::string(buffer.label) + kBlockUnconfirmedText +
                          StepResultText(kNoConfirmation);
        c.view.SetStatusText(flaws.blockText);
        if (c.link.Log) c.link.Log->Note(flaws.blockText);
    }
    return s.LastResult;
}

// What the controller's reprogramming phase (status S1 bits 0, 1) says.
enum class ReprogPhase { Finished, NotFinished, Unknown };

// The phase read again after a copy-out or a cancel that was not confirmed:
// status reads within the same time limit as the wait for the phase, a
// failed read followed by the next (the late-answer guard drops what the
// failed one still brings). A stop asked meanwhile does not end it: what the
// controller did with its memory must be known before anything more is
// sent, and told. `failure` becomes why the phase was not seen finished:
// kNoConfirmation once a status was read, else the last read's failure.
ReprogPhase ReadReprogPhase(ControllerContext& c, int& failure) {
    ControllerSession& s = c.session;
    const Deadline deadline(c.link.Clock, kMatchWaitLimit);
    ReprogPhase phase = ReprogPhase::Unknown;
    int failed = 0;
    while (!deadline.Expired() && !c.link.PortHandle.Unusable() && failed < kPhaseReadFailures) {
        c.view.ProcessMessages();
        const int read =
            SendRequest(c.device, DeviceCommands.Status, s.AnswerBuf, kStatusAnswerLen);
        if (read != 0) {
            ++failed;  // a request that fails at once must not spin the loop
            if (phase == ReprogPhase::Unknown) failure = read;
            continue;
        }
        if ((s.AnswerBuf[1] & kReprogPhaseMask) == kReprogFinished) return ReprogPhase::Finished;
        phase = ReprogPhase::NotFinished;
        failure = kNoConfirmation;
    }
    return phase;
}

// The cause of a failure after the copy-in, as the status bar shows it
// before what was done about it.
std::string BlockFailureText(const ControllerContext& c, const KitBuffer& buffer, int failure) {
    if (c.session.StopRequest) return kWriteStoppedText;
    return std::string("Буфер ") + buffer.label + " не записан: " + StepResultText(failure);
}

}  // namespace

int ReadImages(ControllerContext& c, BufferReads& reads, int* whole) {
    ControllerSession& s = c.session;
    const KitLayout& kit = KitBuffersOf(c.state.KitIndex);
    if (whole) *whole = 0;
    for (int i = 0; i < kit.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        s.LastResult = SendRequest(c.device, kit.buffers[k].read, reads[k], kBufferAnswerLen);
        if (s.LastResult != 0) return s.LastResult;
        if (whole) *whole = i + 1;
    }
    return s.LastResult;
}

namespace {

// The buffers read whole (the first `whole` of the kit) as the buffers found.
void KeepFound(ControllerContext& c, const BufferReads& reads, int whole) {
    for (int i = 0; i < whole; ++i) {
        const auto k = static_cast<std::size_t>(i);
        c.outcome.channels[k].before = Kept(reads[k], kBufferBytes);
    }
}

}  // namespace

int ReadBuffers(ControllerContext& c) {
    BufferReads reads{};
    int whole = 0;
    const int read = ReadImages(c, reads, &whole);
    KeepFound(c, reads, whole);
    if (read != 0) return c.session.LastResult;
    const KitLayout& kit = KitBuffersOf(c.state.KitIndex);
    const LineEnds ends = LineEnds{c.view.ShowSpecialCharacters()};
    for (int i = 0; i < kit.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        DecodeBuffer(std::span(reads[k]).first(kBufferBytes), c.view.BufferMemo(i), ends);
    }
    return c.session.LastResult;
}

namespace {

// The buffers as they are, read and saved before the first STOP; the write
// does not start without them. Returns 0 or the failure.
int TakeBackup(ControllerContext& c) {
    BufferReads reads{};
    int whole = 0;
    const int read = ReadImages(c, reads, &whole);
    KeepFound(c, reads, whole);
    if (read != 0) {
        c.view.SetStatusText(kBackupReadText + StepResultText(c.session.LastResult) + ". " +
                             kWriteNotStartedText);
        return c.session.LastResult;
    }
    try {
        const std::vector<std::string> names =
            SaveBackup(ShownPath(c.state.BackupDir.empty() ? c.state.DataDir + kBackupFolder
                                                           : c.state.BackupDir),
                       c.state.KitIndex, c.session.NetNumber, SystemWallMs(), reads);
        std::string list;
        for (const std::string& name : names) list += (list.empty() ? "" : ", ") + name;
        c.view.SetStatusText(kBackupSavedText + list);
        if (c.link.Log) c.link.Log->Note(kBackupSavedText + list);
    } catch (const FileError& e) {
        c.view.ShowError(std::string(e.what()) + "\r" + kWriteNotStartedText);
        return kBackupNotSaved;
    }
    return 0;
}

// Reads channel `channel`'s control parameter into `value`. Returns the
// exchange's result.
int ReadControlParameter(DeviceContext& c, int channel, std::array<std::uint8_t, 4>& value) {
    const auto parameter = static_cast<std::uint8_t>(kParamHigh + channel);
    const DeviceCommand read{{3, kReadParameter, parameter, kControlParameterLow}};
    return SendRequest(c, read, value, kControlAnswerLen);
}

// The buffers read back after the copy into non-volatile memory, byte for
// byte against what was written, then each written channel's buffer flag
// against what was asked. Returns 0 or the failure, with its text.
int VerifyWritten(ControllerContext& c, const KitLayout& kit, const BufferImages& images,
                  const std::array<bool, 2>& cleared) {
    BufferReads reads{};
    // Read twice at most: a late answer to a step before (one the guard
    // could not know of) spoils the first read, not the second, which the
    // guard armed by the first protects.
    int whole = 0;
    if (ReadImages(c, reads, &whole) != 0 && ReadImages(c, reads, &whole) != 0) {
        for (int i = 0; i < whole; ++i)
            c.outcome.channels[static_cast<std::size_t>(i)].after =
                Kept(reads[static_cast<std::size_t>(i)], kBufferBytes);
        c.view.SetStatusText(kVerifyReadText + StepResultText(c.session.LastResult));
        return c.session.LastResult;
    }
    for (int i = 0; i < kit.count; ++i)
        c.outcome.channels[static_cast<std::size_t>(i)].after =
            Kept(reads[static_cast<std::size_t>(i)], kBufferBytes);
    for (int i = 0; i < kit.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        for (int at = 0; at < images.bytes[k]; ++at) {
            const auto j = static_cast<std::size_t>(at);
            if (reads[k][j] == images.data[k][j]) continue;
            const std::string text = std::string(kVerifyMismatchText) + kit.buffers[k].label +
                                     " отличается в байте " + std::to_string(at + 1) +
                                     ": записано " + Hex2(images.data[k][j]) + ", прочитано " +
                                     Hex2(reads[k][j]);
            c.view.SetStatusText(text);
            if (c.link.Log) c.link.Log->Note(text);
            return kVerifyMismatch;
        }
    }
    for (int i = 0; i < kit.count; ++i) {
        const KitBuffer& buffer = kit.buffers[static_cast<std::size_t>(i)];
        std::array<std::uint8_t, 4> value{};
        // Read twice at most, as the buffers are.
        c.session.LastResult = ReadControlParameter(c.device, buffer.channel, value);
        if (c.session.LastResult != 0)
            c.session.LastResult = ReadControlParameter(c.device, buffer.channel, value);
        if (c.session.LastResult != 0) {
            c.view.SetStatusText(kVerifyFlagReadText + FlagName(buffer) + kNotReadText +
                                 StepResultText(c.session.LastResult));
            return c.session.LastResult;
        }
        c.outcome.channels[static_cast<std::size_t>(i)].flagAfter =
            std::array<std::uint8_t, 2>{value[0], value[1]};
        const bool withLines = (value[1] & kWithLinesFlag) != 0;
        if (withLines != cleared[static_cast<std::size_t>(i)]) continue;
        const char* const asked = withLines ? "«буфер не используется»" : "«буфер со строками»";
        const char* const read = withLines ? "«буфер со строками»" : "«буфер не используется»";
        const std::string text = kVerifyFlagText + FlagName(buffer) + " отличается: записан " +
                                 asked + ", прочитан " + read + " (" + Hex2(value[0]) + " " +
                                 Hex2(value[1]) + ")";
        c.view.SetStatusText(text);
        if (c.link.Log) c.link.Log->Note(text);
        return kVerifyMismatch;
    }
    c.view.SetStatusText(kVerifiedText);
    if (c.link.Log) c.link.Log->Note(kVerifiedText);
    return 0;
}

// The cancel of the reprogramming, with its pause and the wait for the
// phase to show it done. A stop asked ("Выход", a signal: most often what
// the cancel answers) ends that wait before it has read anything; the phase
// is then read all the same, so that what the controller holds is known.
// Returns 0 once the phase showed the cancel done, else what the controller
// said: its refusal or silence to the cancel, or the wait's failure.
int CancelReprogramming(ControllerContext& c) {
    const int answered = SendReprogCommand(c.device, ReprogStep::Cancel);
    c.outcome.write.cancelled = true;
    ++c.outcome.write.cancelsSent;
    c.view.SetStatusText(kCancelText);
    c.view.ProcessMessages();
    c.link.Clock.Sleep(kReprogPauseMs);
    bool met = false;
    WaitForStatus(c.device, kReprogPhaseMask, kReprogFinished, kMatchWaitLimit, &met);
    int waited = Confirmed(c.session.LastResult, met);
    if (!met && c.session.StopRequest) met = ReadReprogPhase(c, waited) == ReprogPhase::Finished;
    c.outcome.write.cancelTaken = met;
    return PhaseResult(answered, waited, met);
}

}  // namespace

int ReadControlBytes(DeviceContext& c, int channel, std::array<std::uint8_t, 2>& value) {
    std::array<std::uint8_t, 4> answer{};
    const int result = ReadControlParameter(c, channel, answer);
    if (result == 0) value = {answer[0], answer[1]};
    return result;
}

bool BufferFlagSet(const std::array<std::uint8_t, 2>& control) {
    return (control[1] & kWithLinesFlag) != 0;
}

int SetBufferFlag(DeviceContext& c, int channel, bool clear,
                  std::optional<std::array<std::uint8_t, 2>>* found) {
    const auto parameter = static_cast<std::uint8_t>(kParamHigh + channel);
    std::array<std::uint8_t, 4> answer{};
    int result = ReadControlParameter(c, channel, answer);
    if (result != 0) return result;
    const std::uint8_t c0 = answer[0];
    std::uint8_t c1 = answer[1];
    if (found) *found = std::array<std::uint8_t, 2>{c0, c1};
    const bool withLines = (c1 & kWithLinesFlag) != 0;
    if (withLines != clear) return 0;  // already as it should be
    c1 ^= kWithLinesFlag;
    result = SendRequest(c,
                         WriteUnlockCommand(static_cast<std::uint8_t>(~parameter),
                                            static_cast<std::uint8_t>(~kControlParameterLow)),
                         answer, 0);
    if (result != 0) return result;
    const DeviceCommand write{{5, kWriteParameter, parameter, kControlParameterLow, c0, c1}};
    return SendRequest(c, write, answer, 0);
}

bool CheckStatus(ControllerContext& c) {
    ControllerSession& s = c.session;
    s.StatusState = kStatusRead;
    s.LastResult = SendRequest(c.device, DeviceCommands.Status, s.AnswerBuf, kStatusAnswerLen);
    if (s.LastResult > 0) {
        c.view.SetStatusText(kUnitStatusReadText + StepResultText(s.LastResult));
        return false;
    }
    c.outcome.status = std::array<std::uint8_t, 2>{s.AnswerBuf[0], s.AnswerBuf[1]};
    if (!(s.AnswerBuf[0] & kStatusKeyMissing)) {
        c.outcome.keyWait = false;
        return UnlockAndWrite(c);
    }
    if (c.view.Confirm(kInstallKeyText)) {
        s.StatusState = kStatusRecheck;  // the dialog's timer looks again within a second
        c.outcome.keyWait = true;
        return false;
    }
    c.outcome.keyWait = false;
    c.outcome.keyRefused = true;
    if (s.NetNumber != 0) SendExchangeEnd(c.device);
    s.NetNumber = kNoNetNumber;
    s.StopRequest = true;  // the dialog's timer closes the dialog
    return false;
}

bool UnlockAndWrite(ControllerContext& c) {
    ControllerSession& s = c.session;
    const std::string password = c.view.Choice().password;
    if (!password.empty()) {
        // The password is the low 16 bits of the hexadecimal value typed.
        const auto v = static_cast<std::uint32_t>(ParseNumber(password, 16));
        const auto h = static_cast<std::uint8_t>(v >> 8);
        const auto l = static_cast<std::uint8_t>(v);
        // The unlock carries the password's complement: both stay out of the log.
        const auto secret = ExchangeNotes::SecretScope(c.link.Log);
        s.LastResult = SendRequest(
            c.device,
            WriteUnlockCommand(static_cast<std::uint8_t>(~h), static_cast<std::uint8_t>(~l)),
            s.AnswerBuf, 0);
        if (s.LastResult == 0)
            s.LastResult = SendRequest(c.device, PasswordCommand(h, l), s.AnswerBuf, 0);
        if (s.LastResult != 0) {
            // Nothing has been touched yet: the write does not start.
            c.view.SetStatusText(kPasswordRefusedText + StepResultText(s.LastResult) + ". " +
                                 kWriteNotStartedText);
            return false;
        }
    }
    if (s.LastResult != 0) return false;

    c.view.ShowGauge(true);
    c.outcome.write = {};
    s.LastResult = WriteBuffers(c);
    // A write that sent neither STOP nor the copy-in (refused before them,
    // its stop wait failed or stopped) left the controller as it was,
    // running or stopped: it is not restarted. Over a line that has gone no
    // restart can reach it.
    if (c.outcome.write.TouchedController() && !c.link.PortHandle.HungUp())
        c.outcome.write.restarted = AskRestart(c.device);
    if (s.LastResult != 0) return false;
    c.outcome.written = true;
    c.ShowResultLabel(std::string(kSpeedLabelText) + kSpeedOkText);
    return true;
}

namespace {

// The STOP that starts a write and the wait for the controller to report
// itself stopped. Returns 0 once it has, else the failure.
int StopForWrite(ControllerContext& c) {
    ControllerSession& s = c.session;
    WriteRecord& record = c.outcome.write;
    bool met = false;
    s.StopSent = false;
    const int stopped = WaitUntilStopped(c.device, kStopWaitLimit, &met);
    record.stopSent = s.StopSent;
    if (stopped != 0) return stopped;
    record.controllerStopped = met;
    if (met) return 0;
    // Still running: a reprogramming buffer must not be loaded.
    c.view.SetStatusText(kStopCommandText + StepResultText(kNoConfirmation));
    return kNoConfirmation;
}

// The copy of the non-volatile memory into the reprogramming buffer, and the
// wait for the phase to show it loaded (unconfirmed, the buffer may be half
// loaded: committing it could write half a memory back). Returns 0, or the
// failure with its cause in `cause`.
int CopyIn(ControllerContext& c, std::string& cause) {
    ControllerSession& s = c.session;
    c.outcome.write.copyInSent = true;
    if (SendReprogCommand(c.device, ReprogStep::CopyIn) != 0) {
        cause = kCopyInRefusedText + StepResultText(s.LastResult);
        c.view.SetStatusText(cause);
        return s.LastResult;
    }
    c.outcome.write.copyInAccepted = true;
    c.view.SetStatusText(kCopyInText);
    c.link.Clock.Sleep(kReprogPauseMs);
    bool met = false;
    WaitForStatus(c.device, kReprogPhaseMask, kReprogLoaded, kMatchWaitLimit, &met);
    const int failure = Confirmed(s.LastResult, met);
    c.view.SetStatusText(kCopyInText + std::string(failure != 0 ? kNotDoneText : "") +
                         StepResultText(failure));
    if (failure != 0)
        cause = s.StopRequest ? std::string(kWriteStoppedText)
                              : kCopyInText + std::string(kNotDoneText) + StepResultText(failure);
    return failure;
}

// The kit's blocks, each after its flag and write-unlock, the gauge moving
// after each. Returns 0, or the failure with its cause in `cause`.
int WriteBlocks(ControllerContext& c, const KitLayout& kit, const BufferImages& images,
                WriteFlaws& flaws, std::string& cause) {
    const int total = images.bytes[0] + images.bytes[1];
    int failure = WriteBlock(c, kit, 0, images, flaws);
    if (failure != 0) {
        cause = BlockFailureText(c, kit.buffers[0], failure);
        return failure;
    }
    c.view.SetGauge(images.bytes[0] * kPercent / total);
    if (kit.count < 2) return 0;
    c.view.ProcessMessages();
    failure = WriteBlock(c, kit, 1, images, flaws);
    if (failure == 0)
        c.view.SetGauge(kPercent);
    else
        cause = BlockFailureText(c, kit.buffers[1], failure);
    c.view.ProcessMessages();
    return failure;
}

// The cancel of the reprogramming after `cause`, and the status text with
// the cause first, then what was done about it.
void CancelAfter(ControllerContext& c, const std::string& cause) {
    const int cancelled = CancelReprogramming(c);
    c.view.SetStatusText(cause + ". " + kCancelText + (cancelled != 0 ? kNotDoneText : "") +
                         StepResultText(cancelled));
    c.view.ProcessMessages();
}

// The copy of the reprogramming buffer back into the non-volatile memory.
// A copy-out whose answer or phase did not come is followed by a status
// read: committed when the controller reports the copy done, else the
// cancel; with no status, the commit stays unknown. Each text names what
// the controller said: its refusal or silence to the copy-out itself, else
// the wait's failure. Returns 0 once the new buffers are committed (`met`:
// the wait confirmed it), else the failure, with which the write ends.
int CopyOut(ControllerContext& c, bool& met) {
    ControllerSession& s = c.session;
    WriteRecord& record = c.outcome.write;
    const int answered = SendReprogCommand(c.device, ReprogStep::CopyOut);
    record.copiedOut = true;
    ++record.copyOutsSent;
    c.view.SetStatusText(kCopyOutText);
    c.view.ProcessMessages();
    c.link.Clock.Sleep(kReprogPauseMs);
    WaitForStatus(c.device, kReprogPhaseMask, kReprogFinished, kMatchWaitLimit, &met);
    int waited = Confirmed(s.LastResult, met);
    if (met) {
        record.committed = true;
        return 0;
    }
    // A wait that read the phase to its limit has told already.
    const ReprogPhase phase =
        s.LastResult == 0 && !s.StopRequest ? ReprogPhase::NotFinished : ReadReprogPhase(c, waited);
    if (phase == ReprogPhase::Finished) {
        record.committed = true;
        const std::string text = answered == 0
                                     ? kCopyOutText + StepResultText(0)
                                     : kCopyOutText + std::string(kNotConfirmedText) +
                                           StepResultText(answered) + kCommittedByStatusText;
        c.view.SetStatusText(text);
        if (c.link.Log) c.link.Log->Note(text);
        return 0;
    }
    const int failure = PhaseResult(answered, waited, false);
    const std::string unconfirmed =
        kCopyOutText + std::string(kNotDoneText) + StepResultText(failure);
    if (phase == ReprogPhase::NotFinished) {
        CancelAfter(c, unconfirmed);
        return failure;
    }
    record.commitUnknown = true;
    c.view.SetStatusText(unconfirmed + ". " + kCommitUnknownText);
    if (c.link.Log) c.link.Log->Note(unconfirmed + ". " + kCommitUnknownText);
    c.view.ProcessMessages();
    return failure;
}

// What follows a committed copy-out: a flag that was not set fails the
// write; otherwise the read-back when it was asked for. Returns the write's
// result.
int AfterCommit(ControllerContext& c, const KitLayout& kit, const BufferImages& images,
                const WriteFlaws& flaws) {
    MainState& state = c.state;
    if (flaws.flagFailure != 0) {
        // Committed, but with a flag that may say the buffer is not in use.
        c.view.SetStatusText(flaws.flagText);
        return kBufferFlagNotSet;
    }
    int finished = 0;
    if (c.view.Choice().verify) {
        if (c.session.StopRequest) {
            // Stopped once the copy-out was learnt committed: no read-back
            // follows, and a write that was to be checked is not done.
            finished = kStepFailed;
            c.view.SetStatusText(kVerifyStoppedText);
        } else {
            finished = VerifyWritten(c, kit, images, {state.ClearBuffer1, state.ClearBuffer2});
            c.outcome.write.verified = finished == 0;
        }
    }
    if (finished == 0) state.ClearBuffer1 = state.ClearBuffer2 = false;
    return finished;
}

}  // namespace

int WriteBuffers(ControllerContext& c) {
    const KitLayout& kit = KitBuffersOf(c.state.KitIndex);
    // With the byte trace on, the upper memo's trace lines land in the lower
    // memo and are written with it.
    std::string over;
    const BufferImages images = EncodeForWrite(c.state, c.link.Settings.Protocol,
                                               c.view.BufferMemo(0), c.view.BufferMemo(1), over);
    if (!over.empty()) {
        c.view.ShowError(over);
        return kStepFailed;
    }
    if (c.view.Choice().backup) {
        if (const int failure = TakeBackup(c); failure != 0) {
            c.outcome.write.backupFailed = true;
            return failure;
        }
    }
    c.outcome.write.started = true;  // from the STOP on the controller is touched
    if (const int failure = StopForWrite(c); failure != 0) return failure;

    // From the copy-in on, the write ends with one copy-out or one cancel.
    std::string cause;  // what made the write fail, shown before the cancel
    WriteFlaws flaws;
    int failure = CopyIn(c, cause);
    if (failure == 0) failure = WriteBlocks(c, kit, images, flaws, cause);
    if (failure != 0) {
        CancelAfter(c, cause);
        return failure;
    }
    bool met = false;
    if (const int uncommitted = CopyOut(c, met); uncommitted != 0) return uncommitted;
    if (met) c.view.SetStatusText(kCopyOutText + StepResultText(0));
    c.view.ProcessMessages();
    if (flaws.unconfirmed) {
        // A block the controller never reported written is no success
        // either: committed, but nothing says it holds what was sent.
        const std::string text = flaws.blockText + kBlockCommittedText;
        c.view.SetStatusText(text);
        if (c.link.Log) c.link.Log->Note(text);
        return kNoConfirmation;
    }
    return AfterCommit(c, kit, images, flaws);
}

BufferImages EncodeForWrite(const MainState& state, int protocol, const MemoLines& upper,
                            MemoLines& lower, std::string& over) {
    const KitLayout& kit = KitBuffersOf(state.KitIndex);
    const std::size_t limit = BufferLimit(state.KitIndex, protocol);
    // The upper memo is encoded completely before the lower one.
    const BufferImages images =
        EncodeBuffers(kit, limit, upper, lower, state.ClearBuffer1, state.ClearBuffer2,
                      state.TraceBytes ? &lower : nullptr);
    over = OversizeText(kit, images, limit);
    if (over.empty())
        over = ErasedByteText(kit, upper, lower, state.ClearBuffer1, state.ClearBuffer2);
    return images;
}

bool BuffersFit(ControllerContext& c) {
    // The lower memo as the byte trace would grow it, without touching it.
    MemoryLines lower(c.view.BufferMemo(1));
    std::string over;
    EncodeForWrite(c.state, c.link.Settings.Protocol, c.view.BufferMemo(0), lower, over);
    if (over.empty()) return true;
    c.view.ShowError(over);
    return false;
}

}  // namespace hk::device
