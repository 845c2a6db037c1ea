#pragma once
// «Проверка адаптера»: the adapter behind one port, checked at the depth the
// operator's wiring allows (adapter/AdapterCheck.h): the settings read back,
// a loopback plug, or a second adapter through a null-modem cable. The check
// runs on the job thread, after the program has let its own port go (the
// check opens its own lines; the next job opens the port afresh, and the
// modem side asks for its port again). Its rows and summary fill the report
// field; the verdict is kept with the adapter in HayesKvd.ini, so that the
// port's hint says it next time. Widgets are reached by object name
// ("ReadBackChoice", "LoopbackChoice", "PeerChoice", "PeerPort",
// "SpeedChoice", "CheckButton", "StopButton", "CloseButton", "ReportText",
// "StatusLabel").

#include <QDialog>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "adapter/AdapterCheck.h"
#include "link/Port.h"
#include "state/MainState.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace hk {

class JobThread;

class AdapterCheckDialog : public QDialog {
    Q_OBJECT
public:
    // What the check needs of the program.
    struct Means {
        MainState& state;
        SerialLink& link;
        JobThread& jobs;
        ViewHooks& view;  // the window's boxes
        adapter::LineMaker makeLine;
        std::function<std::string()> today;  // "2026-12-08"
        std::string systemRoot;              // for tests (ports/SerialDevices.h)
    };
    AdapterCheckDialog(Means means, const std::string& portName, QWidget* parent);
    ~AdapterCheckDialog() override;

    // The last check's report, once it has come back.
    const std::optional<adapter::AdapterReport>& Report() const { return report_; }
    // A check is under way on the job thread.
    bool Running() const { return running_; }

protected:
    void reject() override;

private:
    void Start();
    void Finish(const adapter::AdapterReport& report, const std::string& keepError);
    void ShowRunning(bool running);

    Means means_;
    std::string port_;
    std::optional<adapter::AdapterReport> report_;
    bool running_ = false;
    // Shared with the job, which may outlive a window event.
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    QRadioButton* readBack_ = nullptr;
    QRadioButton* loopback_ = nullptr;
    QRadioButton* peer_ = nullptr;
    QComboBox* peerPort_ = nullptr;
    QComboBox* speed_ = nullptr;
    QPushButton* checkButton_ = nullptr;
    QPushButton* stopButton_ = nullptr;
    QPushButton* closeButton_ = nullptr;
    QPlainTextEdit* reportText_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace hk
