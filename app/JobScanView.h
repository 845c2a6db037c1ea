#pragma once
// The network scan window as its scan sees it from the job thread: the
// number and speed under test and the status text posted to the window, the
// boxes opened there while the scan waits, and at every checkpoint the
// scan's progress (attempts made and left, the time left) posted before the
// tasks posted meanwhile run (a stop pressed in the window).

#include <functional>

#include "device/DeviceView.h"
#include "device/NetworkScan.h"
#include "gui/JobThread.h"

namespace hk {

// What the window shows of a scan's progress.
struct ScanProgress {
    int attemptsTotal = 0;
    int attemptsLeft = 0;
    std::int64_t msLeft = 0;
};

class JobScanView final : public device::DeviceView {
public:
    using ShowProgress = std::function<void(const ScanProgress&)>;
    JobScanView(JobThread& jobs, device::DeviceView& window, ShowProgress showProgress)
        : jobs_(jobs), window_(window), showProgress_(std::move(showProgress)) {}

    // The scan under way, whose progress the checkpoints report (job thread).
    void Follow(const device::NetworkScan* scan) { scan_ = scan; }

    void ProcessMessages() override;
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void SetNumberLabel(const std::string& text) override;
    void SetSpeedLabel(const std::string& text) override;
    void ShowGauge(bool) override {}
    void SetGauge(int) override {}

private:
    JobThread& jobs_;
    device::DeviceView& window_;
    ShowProgress showProgress_;
    const device::NetworkScan* scan_ = nullptr;
};

}  // namespace hk
