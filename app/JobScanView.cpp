#include "app/JobScanView.h"

#include "gui/JobViewHooks.h"

namespace hk {

void JobScanView::ProcessMessages() {
    if (scan_) {
        const ScanProgress p{scan_->AttemptsTotal(), scan_->AttemptsLeft(),
                             scan_->EstimatedMsLeft()};
        jobs_.ShowOnWindow([this, p] { showProgress_(p); });
    }
    JobCheckpoint(jobs_, window_);
}

bool JobScanView::Confirm(const std::string& text) { return JobConfirm(jobs_, window_, text); }
void JobScanView::ShowInformation(const std::string& text) { JobInformation(jobs_, window_, text); }
void JobScanView::ShowError(const std::string& text) { JobError(jobs_, window_, text); }

void JobScanView::SetStatusText(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { window_.SetStatusText(text); });
}
void JobScanView::SetNumberLabel(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { window_.SetNumberLabel(text); });
}
void JobScanView::SetSpeedLabel(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { window_.SetSpeedLabel(text); });
}

}  // namespace hk
