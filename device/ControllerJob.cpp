#include "device/ControllerJob.h"

#include <utility>

#include "base/Windows1251.h"
#include "device/BufferTransfer.h"
#include "device/Commands.h"
#include "device/LinkSearch.h"
#include "link/PortSettings.h"

namespace hk::device {

ControllerJob::ControllerJob(MainState& state, SerialLink& link, ControllerView& view)
    : state_(state), link_(link), view_(view) {}

void ControllerJob::Opened() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    view_.ShowStoredLink(link_.Settings.PortIndex, link_.Settings.LinkKind);
    ShowNetNumber();
    session_.StopRequest = false;
    session_.StatusState = kStatusIdle;
    context_.outcome = {};  // an earlier opening's success closes nothing
    closeAfterRun_ = exitAfterRun_ = false;
    open_ = true;
}

void ControllerJob::Closed() {
    session_.StatusState = kStatusIdle;  // no status read or key question after closing
    open_ = false;
}

void ControllerJob::Search() {
    if (running_) {
        // Pressed while a run lets messages run (the dialog disables the
        // button during a run, but a press may have left before it knew):
        // it runs when this run has returned, never inside it.
        searchAfterRun_ = true;
        return;
    }
    if (link_.Log)
        link_.Log->BeginJob(std::string(state_.ReadFromDevice ? "Подбор: чтение из КВАРД, "
                                                              : "Подбор: запись в КВАРД, ") +
                            view_.PortName());
    RunExclusive([this] { RunSearch(); });
}

template <typename Step>
void ControllerJob::RunExclusive(Step step) {
    running_ = true;
    closedByJob_ = false;
    closeAfterRun_ = exitAfterRun_ = false;
    searchAfterRun_ = false;
    view_.ShowRunning(true);
    struct Ended {
        bool& running;
        ControllerView& view;
        ~Ended() {
            if (running) view.ShowRunning(false);
            running = false;
        }
    } ended{running_, view_};
    step();
    running_ = false;
    view_.ShowRunning(false);
    context_.outcome.code = session_.LastResult;
    context_.outcome.stopped = session_.StopRequest;
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
    FinishDeferred();
    // A press of "Подбор" during the run, unless the run closed the dialog,
    // was stopped, or wrote the buffers (the dialog closes at the next tick).
    if (std::exchange(searchAfterRun_, false) && open_ && !closedByJob_ && !session_.StopRequest &&
        !context_.outcome.written)
        Search();
}

void ControllerJob::FinishDeferred() {
    const bool exit = exitAfterRun_;
    const bool close = closeAfterRun_;
    exitAfterRun_ = closeAfterRun_ = false;
    if (closedByJob_) return;
    if (exit) {
        if (endExchangeOnExit_) SendExchangeEnd(context_.device);
        StoreSettings();
        CloseNow();
    } else if (close) {
        CloseNow();
    }
}

void ControllerJob::CloseNow() {
    closedByJob_ = true;
    view_.CloseDialog();
}

void ControllerJob::RunSearch() {
    ControllerSession& s = session_;
    TPortSettings& settings = link_.Settings;
    ControllerOutcome& outcome = context_.outcome;
    outcome = {};

    settings.Protocol = static_cast<std::int8_t>(view_.ProtocolChoice());
    if (settings.Protocol == 1) settings.CrcMode = static_cast<std::int8_t>(view_.CrcChoice());
    const bool currentLoop = view_.CurrentLoopChosen();
    settings.LinkKind = currentLoop ? kLinkLoop : kLinkRs232;
    settings.Channel = static_cast<std::int8_t>(view_.ChannelChoice());
    settings.NetAddress = 0;
    // A text too long for its buffer is refused before the port is touched.
    if (!state_.ReadFromDevice && !BuffersFit(context_)) return;

    state_.PortReady = OpenPort(link_, view_.PortName(), 0, true);
    outcome.portOpened = state_.PortReady;
    if (state_.PortReady && currentLoop) settings.LinkKind = TestEcho(link_, settings.LinkKind);
    if (!state_.PortReady) return;

    const bool searchAll = view_.SearchAllNumbers();
    view_.ShowFields(!searchAll, true);
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
    const SearchRange range = SearchRangeFor(s.NetNumber, view_.SpeedChoice());
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
    if (CheckKit(context_.device, state_.KitIndex) != 0 || s.StopRequest) return false;

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
    if (running_ || link_.PortOpen) session_.StopRequest = true;
    const bool endExchange =
        link_.PortOpen && session_.NetNumber != 0 && link_.Settings.Protocol == 0;
    if (running_) {
        // Sent now, the end of exchange would deselect the controller before
        // the write's cancel reached it: it waits for the run to return.
        exitAfterRun_ = true;
        endExchangeOnExit_ = endExchange;
        return;
    }
    if (endExchange) SendExchangeEnd(context_.device);
    StoreSettings();
    CloseNow();
}

bool ControllerJob::EndExchange() {
    if (running_ || !link_.PortOpen || link_.PortHandle.Unusable()) return false;
    if (link_.Settings.Protocol != 0) return false;
    if (session_.NetNumber == 0 || session_.NetNumber == kNoNetNumber) return false;
    SendExchangeEnd(context_.device);
    return true;
}

void ControllerJob::Tick() {
    if (!open_ || running_) return;
    if (session_.StatusState == kStatusRecheck) {
        if (link_.Log) link_.Log->BeginJob("Проверка электронного ключа, " + view_.PortName());
        RunExclusive([this] { CheckStatus(context_); });
        if (closedByJob_ || !open_) return;
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
    link_.Settings.PortIndex = static_cast<std::int8_t>(view_.PortChoice());
    link_.Settings.Kit = static_cast<std::int8_t>(state_.KitIndex);
    WriteSettings(link_.Settings, state_.CfgFileName);
}

bool ControllerJob::MayClose() {
    if (!running_) return true;
    closeAfterRun_ = true;
    return false;
}

bool ControllerJob::CheckNetNumber() {
    const std::string text = view_.NumberText();
    if (text.empty()) {
        session_.NetNumber = kNoNetNumber;
        return true;
    }
    const auto value = ParseNumberUpTo(text, view_.HexView() ? 16 : 10, kLastNetNumber);
    if (!value) {
        view_.SetStatusText(kNumberTooBigText);
        return false;
    }
    session_.NetNumber = static_cast<std::uint8_t>(*value);
    return true;
}

void ControllerJob::ShowNetNumber() {
    if (session_.NetNumber != kNoNetNumber)
        view_.SetNumberText(NetNumberText(session_.NetNumber, view_.HexView()));
}

void ControllerJob::SearchBoxClicked() {
    view_.ShowFields(!view_.SearchAllNumbers(), false);
    ShowNetNumber();
}

bool ControllerJob::KeyPress(ControllerView& view, unsigned char key, bool passwordField) {
    view.SetStatusText("");
    if (KeyAccepted(key, passwordField || view.HexView())) return true;
    view.SetStatusText(kBadCharacterText + Utf8FromWindows1251(std::string(1, char(key))));
    return false;
}

}  // namespace hk::device
