#include "app/JobControllerView.h"

#include "gui/JobViewHooks.h"

namespace hk {

JobControllerView::Chosen JobControllerView::ReadDialog() {
    Chosen c;
    c.port = dialog_.PortChoice();
    c.portName = dialog_.PortName();
    c.protocol = dialog_.ProtocolChoice();
    c.crcMode = dialog_.CrcChoice();
    c.currentLoop = dialog_.CurrentLoopChosen();
    c.channel = dialog_.ChannelChoice();
    c.searchAllNumbers = dialog_.SearchAllNumbers();
    c.number = dialog_.NumberText();
    c.hexView = dialog_.HexView();
    c.speedItem = dialog_.SpeedChoice();
    c.password = dialog_.PasswordText();
    c.backup = dialog_.BackupBeforeWrite();
    c.verify = dialog_.VerifyAfterWrite();
    c.specialCharacters = dialog_.ShowSpecialCharacters();
    return c;
}

JobControllerView::Chosen& JobControllerView::Choices() {
    if (!jobs_.OnJobThread()) {
        chosen_ = ReadDialog();
        chosenKept_ = false;
        return chosen_;
    }
    if (!chosenKept_ || chosenEpoch_ != jobs_.Epoch()) {
        chosen_ = jobs_.OnWindow([this] { return ReadDialog(); });
        chosenEpoch_ = jobs_.Epoch();
        chosenKept_ = true;
    }
    return chosen_;
}

void JobControllerView::Show(std::function<void()> f) {
    if (jobs_.OnJobThread())
        jobs_.ToWindow(std::move(f));
    else
        f();
}

void JobControllerView::ProcessMessages() { JobCheckpoint(jobs_, dialog_); }
bool JobControllerView::Confirm(const std::string& text) {
    return JobConfirm(jobs_, dialog_, text);
}
void JobControllerView::ShowInformation(const std::string& text) {
    JobInformation(jobs_, dialog_, text);
}
void JobControllerView::ShowError(const std::string& text) { JobError(jobs_, dialog_, text); }

void JobControllerView::SetStatusText(const std::string& text) {
    Show([this, text] { dialog_.SetStatusText(text); });
}

void JobControllerView::SetNumberLabel(const std::string& text) {
    Show([this, text] { dialog_.SetNumberLabel(text); });
}

void JobControllerView::SetSpeedLabel(const std::string& text) {
    Show([this, text] { dialog_.SetSpeedLabel(text); });
}

void JobControllerView::ShowGauge(bool visible) {
    Show([this, visible] { dialog_.ShowGauge(visible); });
}

void JobControllerView::SetGauge(int percent) {
    Show([this, percent] { dialog_.SetGauge(percent); });
}

void JobControllerView::ShowFields(bool manual, bool results) {
    Show([this, manual, results] { dialog_.ShowFields(manual, results); });
}

void JobControllerView::SetNumberText(const std::string& text) {
    // What the job wrote is what it reads back, as from the field itself.
    if (jobs_.OnJobThread() && chosenKept_ && chosenEpoch_ == jobs_.Epoch()) chosen_.number = text;
    Show([this, text] { dialog_.SetNumberText(text); });
}

void JobControllerView::CloseDialog() {
    Show([this] { dialog_.CloseDialog(); });
}

void JobControllerView::ShowStoredLink(int portIndex, int linkKind) {
    Show([this, portIndex, linkKind] { dialog_.ShowStoredLink(portIndex, linkKind); });
}

void JobControllerView::ShowSearchProgress(int attemptsMade, int attemptsTotal,
                                           std::int64_t msLeft) {
    Show([this, attemptsMade, attemptsTotal, msLeft] {
        dialog_.ShowSearchProgress(attemptsMade, attemptsTotal, msLeft);
    });
}

}  // namespace hk
