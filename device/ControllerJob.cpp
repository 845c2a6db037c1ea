#include "device/ControllerJob.h"

#include "base/Windows1251.h"
#include "device/BufferTransfer.h"
#include "device/Commands.h"
#include "device/LinkSearch.h"
#include "link/PortSettings.h"
#include "link/SettingsStore.h"

namespace hk::device {

ControllerJob::ControllerJob(MainState& state, SerialLink& link, ControllerView& view)
    : state_(state), link_(link), view_(view) {}

void ControllerJob::SetRun(RunState run) {
    if (run_ == run) return;
    run_ = run;
    view_.ShowRunning(run == RunState::Running);
}

// Nothing clears what was asked; otherwise the rule of AfterRun.
void ControllerJob::Defer(AfterRun after) {
    if (after == AfterRun::Nothing || after >= AfterRun::Exit || after > afterRun_)
        afterRun_ = after;
}

void ControllerJob::OnDialog(DialogEvent event) {
    const bool open = DialogOpen();
    switch (event) {
        case DialogEvent::Opened:
            dialog_ = DialogState::Open;
            // A close or "Выход" left from an earlier opening is void.
            if (afterRun_ != AfterRun::Search) Defer(AfterRun::Nothing);
            break;
        case DialogEvent::Closed:
            dialog_ = ClosedByJob() ? DialogState::ClosedByJob : DialogState::Closed;
            break;
        case DialogEvent::JobCloses:
            dialog_ = open ? DialogState::ClosingByJob : DialogState::ClosedByJob;
            break;
        case DialogEvent::RunStarts:
            dialog_ = open ? DialogState::Open : DialogState::Closed;
            break;
    }
}

void ControllerJob::Opened() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    view_.ShowStoredLink(link_.Settings.PortIndex, link_.Settings.LinkKind);
    ShowNetNumber();
    session_.StopRequest = false;
    session_.StatusState = kStatusIdle;
    context_.outcome = {};  // an earlier opening's success closes nothing
    OnDialog(DialogEvent::Opened);
}

void ControllerJob::Closed() {
    session_.StatusState = kStatusIdle;  // no status read or key question after closing
    OnDialog(DialogEvent::Closed);
}

void ControllerJob::Search() {
    if (Running()) {
        // Pressed while a run lets messages run (the dialog disables the
        // button during a run, but a press may have left before it knew):
        // it runs when this run has returned, never inside it.
        Defer(AfterRun::Search);
        return;
    }
    if (watch_.begins) watch_.begins();
    if (link_.Log)
        link_.Log->BeginJob(std::string(state_.ReadFromDevice ? "Подбор: чтение из КВАРД, "
                                                              : "Подбор: запись в КВАРД, ") +
                            view_.Choice().portName);
    RunExclusive([this] { RunSearch(); });
}

template <typename Step>
void ControllerJob::RunExclusive(Step step) {
    OnDialog(DialogEvent::RunStarts);
    Defer(AfterRun::Nothing);
    view_.Forget();
    SetRun(RunState::Running);
    struct Ended {
        ControllerJob& job;
        ~Ended() { job.SetRun(RunState::Idle); }
    } ended{*this};
    step();
    SetRun(RunState::Idle);
    RecordOutcome();
    const AfterRun after = afterRun_;
    Defer(AfterRun::Nothing);
    FinishDeferred(after);
    if (watch_.ended) watch_.ended(context_.outcome);
    // A press of "Подбор" during the run, unless the run closed the dialog,
    // was stopped, or wrote the buffers (the dialog closes at the next tick).
    if (after == AfterRun::Search && DialogOpen() && !ClosedByJob() && !session_.StopRequest &&
        !context_.outcome.written)
        Search();
}

void ControllerJob::RecordOutcome() {
    ControllerOutcome& outcome = context_.outcome;
    outcome.code = session_.LastResult;
    outcome.stopped = session_.StopRequest;
    if (link_.PortOpen && link_.PortHandle.HungUp()) {
        // The adapter was pulled out during the run: the next "Подбор"
        // opens the port afresh.
        state_.PortReady = false;
        view_.ShowError(PortGoneText(link_.PortHandle.Name()));
    } else if (link_.PortOpen && link_.PortHandle.SettingsRefused()) {
        // The adapter did not take a setting the search needed.
        state_.PortReady = false;
        view_.ShowError(link_.PortHandle.RefusedSettingsText());
    }
    // A run that neither read nor wrote ends on what the operator was told
    // last: the failure, or the question it waits on.
    outcome.message = outcome.read || outcome.written ? std::string() : view_.LastTold();
}

void ControllerJob::FinishDeferred(AfterRun after) {
    if (ClosedByJob()) return;
    if (after == AfterRun::Exit || after == AfterRun::ExitWithExchangeEnd) {
        if (after == AfterRun::ExitWithExchangeEnd) SendExchangeEnd(context_.device);
        StoreSettings();
        CloseNow();
    } else if (after == AfterRun::Close) {
        CloseNow();
    }
}

void ControllerJob::CloseNow() {
    OnDialog(DialogEvent::JobCloses);
    view_.CloseDialog();
}

void ControllerJob::RunSearch() {
    ControllerSession& s = session_;
    ControllerOutcome& outcome = context_.outcome;
    outcome = {};

    const LinkChoice choice = view_.Choice();
    // The protocol decides the buffers' room: a text too long for its
    // buffer is refused before the port is touched.
    ApplyLinkChoice(link_.Settings, choice);
    if (!state_.ReadFromDevice && !BuffersFit(context_)) return;

    state_.PortReady = OpenForSearch(link_, choice);
    outcome.portOpened = state_.PortReady;
    if (!state_.PortReady) {
        view_.Note(link_.OpenFailure);  // the port's error box
        return;
    }

    const bool searchAll = view_.Choice().searchAllNumbers;
    view_.ShowFields({.manualEntry = !searchAll, .results = true});
    bool numberValid = true;
    if (searchAll)
        s.NetNumber = kNoNetNumber;
    else
        numberValid = CheckNetNumber();
    if (numberValid && SearchAndTransfer()) return;

    if (s.StopRequest) {
        if (s.NetNumber != 0) SendExchangeEnd(context_.device);
        s.NetNumber = kNoNetNumber;
    }
}

bool ControllerJob::SearchAndTransfer() {
    ControllerSession& s = session_;
    const SearchRange range = SearchRangeFor(s.NetNumber, view_.Choice().speedItem);
    if (!SearchLink(context_, range)) {
        s.NetNumber = kNoNetNumber;
        // Over a line that does not hold its settings nothing is understood.
        if (!link_.PortHandle.SettingsRefused()) SendExchangeEnd(context_.device);
        // The outcome shows once the run has nothing more to send: while the
        // end of exchange is under way the dialog still shows the search.
        context_.ShowResultLabel(std::string(kSpeedLabelText) + kSpeedNotSetText);
        if (!s.StopRequest && !link_.PortHandle.Unusable())
            view_.SetStatusText(SearchFailedText(AttemptCount(range)));
        return false;
    }
    s.NetNumber = static_cast<std::uint8_t>(link_.Settings.NetAddress);
    context_.outcome.found = true;
    context_.outcome.number = link_.Settings.NetAddress;
    context_.outcome.speedIndex = link_.Settings.SpeedIndex;
    // "Выход" pressed while the controller answered: nothing more follows.
    if (s.StopRequest) return false;
    std::array<std::uint8_t, 4> words{};
    const int kit = CheckKit(context_.device, state_.KitIndex, &words);
    if (kit == 0 || kit == kKitMismatch) context_.outcome.identification = words;
    if (kit != 0 || s.StopRequest) return false;

    if (!state_.ReadFromDevice) {
        CheckStatus(context_);
        return false;
    }
    if (ReadBuffers(context_) != 0) {
        view_.SetStatusText(kRetryText + StepResultText(s.LastResult));
        state_.ClearBuffer1 = state_.ClearBuffer2 = false;
        return false;
    }
    context_.outcome.read = true;
    if (s.NetNumber != 0) SendExchangeEnd(context_.device);
    StoreSettings();
    CloseNow();
    return true;
}

void ControllerJob::Exit() {
    if (Running() || link_.PortOpen) session_.StopRequest = true;
    const bool endExchange =
        link_.PortOpen && session_.NetNumber != 0 && link_.Settings.Protocol == kTraditional;
    if (Running()) {
        // Sent now, the end of exchange would deselect the controller before
        // the write's cancel reached it: it waits for the run to return.
        Defer(endExchange ? AfterRun::ExitWithExchangeEnd : AfterRun::Exit);
        return;
    }
    if (endExchange) SendExchangeEnd(context_.device);
    StoreSettings();
    CloseNow();
}

bool ControllerJob::EndExchange() {
    if (Running() || !link_.PortOpen || link_.PortHandle.Unusable()) return false;
    if (link_.Settings.Protocol != kTraditional) return false;
    if (session_.NetNumber == 0 || session_.NetNumber == kNoNetNumber) return false;
    SendExchangeEnd(context_.device);
    return true;
}

void ControllerJob::Tick() {
    if (!DialogOpen() || Running()) return;
    if (session_.StatusState == kStatusRecheck) {
        if (watch_.begins) watch_.begins();
        if (link_.Log)
            link_.Log->BeginJob("Проверка электронного ключа, " + view_.Choice().portName);
        RunExclusive([this] { CheckStatus(context_); });
        if (ClosedByJob() || !DialogOpen()) return;
    }
    // A write that succeeded closes the dialog at the next tick.
    if (context_.outcome.written) {
        StoreSettings();
        CloseNow();
        return;
    }
    if (session_.StopRequest) CloseNow();
}

void ControllerJob::StoreSettings() {
    link_.Settings.PortIndex = static_cast<std::int8_t>(view_.Choice().port);
    link_.Settings.Kit = static_cast<std::int8_t>(state_.KitIndex);
    StoreLinkSettings(link_, state_.CfgFileName);
}

bool ControllerJob::MayClose() {
    if (!Running()) return true;
    Defer(AfterRun::Close);
    return false;
}

bool ControllerJob::CheckNetNumber() {
    const LinkChoice choice = view_.Choice();
    const std::string& text = choice.number;
    if (text.empty()) {
        session_.NetNumber = kNoNetNumber;
        return true;
    }
    const auto value = ParseNumberUpTo(text, choice.hexView ? 16 : 10, kLastNetNumber);
    if (!value) {
        view_.SetStatusText(kNumberTooBigText);
        return false;
    }
    session_.NetNumber = static_cast<std::uint8_t>(*value);
    return true;
}

void ControllerJob::ShowNetNumber() {
    if (session_.NetNumber != kNoNetNumber)
        view_.SetNumberText(NetNumberText(session_.NetNumber, view_.Choice().hexView));
}

void ControllerJob::SearchBoxClicked() {
    view_.ShowFields({.manualEntry = !view_.Choice().searchAllNumbers, .results = false});
    ShowNetNumber();
}

bool ControllerJob::KeyPress(ControllerView& view, unsigned char key, bool passwordField) {
    view.SetStatusText("");
    if (KeyAccepted(key, passwordField || view.Choice().hexView)) return true;
    view.SetStatusText(kBadCharacterText + Utf8FromWindows1251(std::string(1, char(key))));
    return false;
}

}  // namespace hk::device
