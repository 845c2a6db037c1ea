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

const JobControllerView::Chosen& JobControllerView::Choices() {
    if (!jobs_.OnJobThread()) return read_ = ReadDialog();
    return chosen_.Get(jobs_, [this] { return ReadDialog(); });
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
    jobs_.ShowOnWindow([this, text] { dialog_.SetStatusText(text); });
}

void JobControllerView::SetNumberLabel(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { dialog_.SetNumberLabel(text); });
}

void JobControllerView::SetSpeedLabel(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { dialog_.SetSpeedLabel(text); });
}

void JobControllerView::ShowGauge(bool visible) {
    jobs_.ShowOnWindow([this, visible] { dialog_.ShowGauge(visible); });
}

void JobControllerView::SetGauge(int percent) {
    jobs_.ShowOnWindow([this, percent] { dialog_.SetGauge(percent); });
}

void JobControllerView::ShowFields(bool manual, bool results) {
    jobs_.ShowOnWindow([this, manual, results] { dialog_.ShowFields(manual, results); });
}

void JobControllerView::SetNumberText(const std::string& text) {
    // What the job wrote is what it reads back, as from the field itself.
    if (jobs_.OnJobThread())
        if (Chosen* kept = chosen_.Kept(jobs_)) kept->number = text;
    jobs_.ShowOnWindow([this, text] { dialog_.SetNumberText(text); });
}

void JobControllerView::CloseDialog() {
    jobs_.ShowOnWindow([this] { dialog_.CloseDialog(); });
}

void JobControllerView::ShowStoredLink(int portIndex, int linkKind) {
    jobs_.ShowOnWindow(
        [this, portIndex, linkKind] { dialog_.ShowStoredLink(portIndex, linkKind); });
}

void JobControllerView::ShowSearchProgress(int attemptsMade, int attemptsTotal,
                                           std::int64_t msLeft) {
    jobs_.ShowOnWindow([this, attemptsMade, attemptsTotal, msLeft] {
        dialog_.ShowSearchProgress(attemptsMade, attemptsTotal, msLeft);
    });
}

void JobControllerView::ShowRunning(bool running) {
    jobs_.ShowOnWindow([this, running] { dialog_.ShowRunning(running); });
}

}  // namespace hk
