#pragma once
// The controller dialog's behaviour without its widgets: the run behind
// "Подбор" (link search, kit check, then the read of the modem buffers or the
// status check that leads to the write), "Выход", the one-second tick, the
// storing of the settings on leaving, the network number field and its key
// filter. The dialog forwards its clicks, ticks and key presses here and
// shows what the job asks through the ControllerView.
//
// Every call comes from one thread: in the window program the job thread
// (gui/JobThread.h), to which the dialog posts its clicks and ticks and from
// which app/JobControllerView carries what the job shows to the dialog; in
// the command line its only thread. A run lets pending messages run at
// fixed points, so "Выход", a tick or a second "Подбор" can arrive in the
// middle of it:
//  - one run at a time: the dialog's "Подбор" looks disabled while a run is
//    under way (ShowRunning); a press that still reaches the job then runs
//    when the run has returned, unless the run closed the dialog, was
//    stopped or wrote the buffers; a tick's key re-check waits for the next
//    tick;
//  - "Выход" during a run sets StopRequest at once; the end-of-exchange
//    request, the storing of the settings and the closing follow when the run
//    has returned (sent in the middle of a write, the end of exchange would
//    deselect the controller before the write's cancel reached it);
//  - a close by the title bar during a run waits for the run to return.
// Every wait and pause runs on link.Clock.

#include <cstdint>
#include <functional>
#include <string>

#include "device/ControllerContext.h"
#include "device/ControllerSession.h"
#include "device/ControllerView.h"
#include "device/TellingView.h"
#include "link/Port.h"
#include "state/MainState.h"

namespace hk::device {

class ControllerJob {
public:
    ControllerJob(MainState& state, SerialLink& link, ControllerView& view);
    ControllerJob(const ControllerJob&) = delete;
    ControllerJob& operator=(const ControllerJob&) = delete;

    ControllerSession& Session() { return session_; }
    const ControllerSession& Session() const { return session_; }

    // At every opening of the dialog, after its own widget steps: re-reads
    // the settings file (the dialog then shows PortIndex and LinkKind), shows
    // a kept network number, StopRequest := false, StatusState := idle.
    void Opened();
    // After every closing, whatever closed the dialog: a key wait ends.
    void Closed();

    // "Подбор".
    void Search();
    bool Running() const { return run_ == RunState::Running; }

    // "Выход".
    void Exit();
    // The end-of-exchange request "Выход" sends, without leaving: on the
    // traditional framing to a controller found at a number other than 0,
    // over a port that still answers. For a program that ends its work
    // without the dialog (the command line). True when it went out.
    bool EndExchange();
    // The dialog's one-second timer.
    void Tick();
    // The port choice and the kit into Settings, and the whole record into
    // the settings file. Throws hk::FileError when the file cannot be written.
    void StoreSettings();
    // The title-bar close button: true when the dialog may close now; during
    // a run false, and the dialog is closed when the run has returned.
    bool MayClose();

    // The network number field: validates it and sets NetNumber (false with
    // the status text "Сетевой номер больше допустимого" above 127).
    bool CheckNetNumber();
    // Writes a kept NetNumber into the field in the chosen view.
    void ShowNetNumber();
    // "Подбор сетевого номера" clicked.
    void SearchBoxClicked();
    // The key filter of the number field and the password field: false when
    // the key is swallowed (with "Недопустимый символ  " and the character
    // in `view`'s status bar). `key` is the typed character's Windows-1251
    // code. It touches nothing of a job: the dialog runs it as the key comes.
    static bool KeyPress(ControllerView& view, unsigned char key, bool passwordField);

    // What the last run of "Подбор" (and the ticks after it) came to.
    const ControllerOutcome& Outcome() const { return context_.outcome; }

    // Told of every run, on the job's thread: `begins` before a run of
    // "Подбор" or a key re-check starts (before its title goes to the
    // exchange log), `ended` once it has returned and what "Выход" asked
    // meanwhile is done, with what it came to. The window writes the
    // record of the job there.
    struct RunWatch {
        std::function<void()> begins;
        std::function<void(const ControllerOutcome&)> ended;
    };
    void SetRunWatch(RunWatch watch) { watch_ = std::move(watch); }

private:
    // Whether a run is under way.
    enum class RunState : std::uint8_t { Idle, Running };
    // What was asked during a run for when it has returned; a later ask
    // replaces an earlier one only when it does more ("Выход" more than a
    // title-bar close, which does more than a second "Подбор"); of two
    // "Выход" the later one counts.
    enum class AfterRun : std::uint8_t { Nothing, Search, Close, Exit, ExitWithExchangeEnd };
    // Whether the dialog is open (between Opened and Closed), and whether the
    // run under way (or the tick) has closed it itself: ClosingByJob until
    // the dialog reports itself closed.
    enum class DialogState : std::uint8_t { Closed, Open, ClosingByJob, ClosedByJob };
    // What the job learns of the dialog: it opened, it closed, the job
    // closes it, a run starts (a close by the job counts for one run).
    enum class DialogEvent : std::uint8_t { Opened, Closed, JobCloses, RunStarts };

    // The states change here and only here, each with its rule.
    void SetRun(RunState run);
    void Defer(AfterRun after);
    void OnDialog(DialogEvent event);
    bool DialogOpen() const {
        return dialog_ == DialogState::Open || dialog_ == DialogState::ClosingByJob;
    }
    bool ClosedByJob() const {
        return dialog_ == DialogState::ClosingByJob || dialog_ == DialogState::ClosedByJob;
    }

    // Runs `step` as the one run under way, then what "Выход" or the title
    // bar asked for meanwhile.
    template <typename Step>
    void RunExclusive(Step step);
    // What the run came to, once it has returned.
    void RecordOutcome();
    void FinishDeferred(AfterRun after);
    // The run behind "Подбор": the link choice, the port, the search, then
    // the read or the write. SearchAndTransfer is true when the run has ended
    // itself (a read that closed the dialog).
    void RunSearch();
    bool SearchAndTransfer();
    void CloseNow();

    MainState& state_;
    SerialLink& link_;
    TellingView view_;
    ControllerSession session_;
    RunState run_ = RunState::Idle;
    AfterRun afterRun_ = AfterRun::Nothing;
    DialogState dialog_ = DialogState::Closed;
    ControllerContext context_{state_, link_, session_, view_};
    RunWatch watch_;
};

}  // namespace hk::device
