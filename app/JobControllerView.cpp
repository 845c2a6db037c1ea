#include "app/JobControllerView.h"

#include "gui/JobViewHooks.h"

namespace hk {

JobControllerView::Chosen JobControllerView::ReadDialog() {
    return {dialog_.Choice(), dialog_.ShowSpecialCharacters()};
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

void JobControllerView::ShowFields(device::FieldsShown shown) {
    jobs_.ShowOnWindow([this, shown] { dialog_.ShowFields(shown); });
}

void JobControllerView::SetNumberText(const std::string& text) {
    // What the job wrote is what it reads back, as from the field itself.
    if (jobs_.OnJobThread())
        if (Chosen* kept = chosen_.Kept(jobs_)) kept->link.number = text;
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
