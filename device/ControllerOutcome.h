#pragma once
// What a run of the controller dialog came to, as a value: the dialog closes
// on it and the command line takes its exit status from it. Nobody learns
// how a job went from a label's text or a flag of its view.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace hk::device {

// The bytes a job moved over the line for one buffer of the kit, as they
// went: what a record of the job shows and hashes. Each is there only when
// its exchange went out and (for a read) was answered whole.
struct ChannelBytes {
    // The buffer as found: read by a read job, or for the backup before a
    // write (128 bytes).
    std::optional<std::vector<std::uint8_t>> before;
    // The data bytes of the write request sent for it (the encoded lines
    // and their terminating zeros), whether or not the controller took them.
    std::optional<std::vector<std::uint8_t>> written;
    // The buffer as read back after the copy into non-volatile memory.
    std::optional<std::vector<std::uint8_t>> after;
    // The channel's control parameter (40 04, 41 04), two bytes: as read
    // before its buffer flag was set, and as read back after the write.
    std::optional<std::array<std::uint8_t, 2>> flagBefore;
    std::optional<std::array<std::uint8_t, 2>> flagAfter;
};

// What a write did to the controller, step by step.
struct WriteRecord {
    // The backup before the write could not be read or saved: nothing was
    // written.
    bool backupFailed = false;
    // From the STOP on the controller is touched (a write refused before it,
    // too long or without its backup, left it as it was).
    bool started = false;
    // STOP went out (its answer may have been lost): the controller may be
    // stopped even when it never said so.
    bool stopSent = false;
    // The controller reported itself stopped for the write.
    bool controllerStopped = false;
    // The copy into the reprogramming buffer went out (its answer may have
    // been lost), and the controller took it.
    bool copyInSent = false;
    bool copyInAccepted = false;
    // The copy-out went out, or the cancel. A copy-out whose answer or
    // phase did not come is followed by a status read: `committed` when the
    // controller reports the copy done, otherwise the cancel follows; when
    // no status could be read, `commitUnknown` and nothing more is sent.
    bool copiedOut = false;
    bool cancelled = false;
    // How many copy-outs and cancels went out (a write sends at most one of
    // each).
    int copyOutsSent = 0;
    int cancelsSent = 0;
    // The controller reported the reprogramming buffer copied back into
    // its non-volatile memory: the new buffers are what it holds.
    bool committed = false;
    bool commitUnknown = false;
    // The controller's status showed the cancel done: a cancel it did not
    // confirm so (whether it answered the request or not) may have left the
    // reprogramming open.
    bool cancelTaken = false;
    // The restart request went out.
    bool restarted = false;
    // Read back after the write and found equal to what was written.
    bool verified = false;

    // The write changed something on the controller: it sent STOP or the
    // copy-in. Only then may it be restarted; a write that sent neither left
    // it as it was, running or stopped.
    bool TouchedController() const { return stopSent || copyInSent; }
};

struct ControllerOutcome {
    bool portOpened = false;
    // The controller answered: its number and speed index.
    bool found = false;
    int number = -1;
    int speedIndex = -1;
    // The buffers were read into the memos.
    bool read = false;
    // The buffers were written (and verified, when that was asked).
    bool written = false;
    // The electronic key is missing: the timer re-checks (Yes to the
    // question) or the operator refused to install it (No).
    bool keyWait = false;
    bool keyRefused = false;
    // A stop was asked ("Выход", a signal) and taken.
    bool stopped = false;
    // The last step's result code: 0, or the failure's code.
    int code = 0;
    // What the operator was told last in a run that neither read nor wrote:
    // the failure's status text or box (the port's error box when the port
    // did not open), or the key question a key wait follows; empty after a
    // read or a write. A reader takes the cause from here, never from the
    // texts a view was shown.
    std::string message;
    WriteRecord write;
    // What went over the line, for the record of the run: each buffer's
    // bytes, the identification words A and B as the kit check read them
    // (2 bytes each), and the status word S0 S1 the write's status check read.
    std::array<ChannelBytes, 2> channels{};
    std::optional<std::array<std::uint8_t, 4>> identification;
    std::optional<std::array<std::uint8_t, 2>> status;
};

}  // namespace hk::device
