#pragma once
// «Опрос сети»: the window of the network inventory, opened from the
// controller dialog with that dialog's link choice. The operator picks the
// numbers and the speed and starts the scan; a progress bar with the time
// left follows it, and the table fills as controllers answer (number in the
// dialog's Hex/Dec view, speed, kit, state). A double-click on a row hands
// its number and speed back to the controller dialog, ready for "Подбор".
// The table can be saved as CSV and copied. The scan itself is
// device::NetworkScan; this window only shows it.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "app/JobScanView.h"
#include "device/DeviceView.h"
#include "device/LinkChoice.h"
#include "device/NetworkScan.h"
#include "link/Port.h"
#include "state/MainState.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableWidget;

namespace hk {

class JobThread;

class NetworkScanDialog : public QDialog, private device::DeviceView {
    Q_OBJECT
public:
    // A row chosen: its number and speed index.
    using Chosen = std::function<void(int number, int speedIndex)>;
    // The scan runs on `jobs`.
    NetworkScanDialog(MainState& state, SerialLink& link, ViewHooks& view, JobThread& jobs,
                      QWidget* parent);
    ~NetworkScanDialog() override;

    // Sets the window up for the controller dialog's `link` (`summary` as the
    // window shows it: "Com1, Традиционный, Rs-232, МЦП") and shows it
    // modally.
    void Open(const device::LinkChoice& link, const QString& summary, Chosen chosen);

    // Replaces the save dialog (tests).
    void SetSaveChooser(std::function<std::optional<QString>()> chooser) {
        saveChooser_ = std::move(chooser);
    }
    const std::vector<device::FoundController>& Found() const { return found_; }
    // A scan under way stops before its next attempt.
    void StopScan() {
        if (running_) StartOrStop();
    }

protected:
    void reject() override;

private:
    // DeviceView.
    void ProcessMessages() override;
    bool Confirm(const std::string& text) override { return view_.Confirm(text); }
    void ShowInformation(const std::string& text) override { view_.ShowInformation(text); }
    void ShowError(const std::string& text) override { view_.ShowError(text); }
    void SetStatusText(const std::string& text) override;
    void SetNumberLabel(const std::string& text) override;
    void SetSpeedLabel(const std::string& text) override;
    void ShowGauge(bool) override {}
    void SetGauge(int) override {}

    void StartOrStop();
    void Run();
    // The scan has ended (window thread): its outcome, the controls back.
    void Ended(bool portOpened, bool stopped);
    void AddRow(const device::FoundController& found);
    void ShowProgress(const ScanProgress& progress);
    void SaveCsv();
    void CopyTable();

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    JobThread& jobs_;
    std::unique_ptr<JobScanView> jobView_;
    device::LinkChoice choice_;
    Chosen chosen_;
    // The scan's session, the job thread's while a scan runs.
    device::ControllerSession session_;
    std::vector<device::FoundController> found_;
    bool running_ = false;
    bool closeAfterScan_ = false;
    std::function<std::optional<QString>()> saveChooser_;

    QLabel* linkLabel_ = nullptr;
    QSpinBox* firstNumber_ = nullptr;
    QSpinBox* lastNumber_ = nullptr;
    QComboBox* speeds_ = nullptr;
    QPushButton* startButton_ = nullptr;
    QLabel* underTest_ = nullptr;
    QString numberUnderTest_;
    QLabel* timeLeft_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace hk
