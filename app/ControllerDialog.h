#pragma once
// The controller dialog: the link parameters of a КВАРД controller, the
// search for its network number and speed, and the read or write of its
// modem buffers. A fixed-size dialog; for the basic kit the main window
// narrows it by the width of the protocol panel on its right. Its widgets are
// private; tests reach them by object name (the design's component names).

#include <QDialog>
#include <functional>
#include <memory>

#include "device/ControllerView.h"
#include "gui/JobThread.h"
#include "gui/Openings.h"
#include "gui/PortHints.h"
#include "link/Port.h"
#include "modem/ModemWindow.h"
#include "state/MainState.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace hk {

class JobControllerView;
class JobThread;
class NetworkScanDialog;
class RadioGroup;
namespace device {
class ControllerJob;
}

// The dialog shows what the controller job asks (ControllerView) and
// forwards its clicks, ticks and key presses to it.
class ControllerDialog : public QDialog, private device::ControllerView {
    Q_OBJECT
public:
    using HelpRequest = std::function<void(int context, QWidget* owner)>;
    // `mainWindow` gives the memos that a read fills and a write stores. The
    // job runs on `jobs` and shows itself here through a JobControllerView.
    ControllerDialog(MainState& state, SerialLink& link, ViewHooks& view, ModemWindow& mainWindow,
                     JobThread& jobs, HelpRequest help, QWidget* parent);
    ~ControllerDialog() override;

    static constexpr int kHelpContext = 8;

    // Sets the protocol panel up for the kit and sizes the dialog (the main
    // window's preparation before each opening).
    void Prepare(std::uint8_t kitIndex, const TPortSettings& settings);
    // Centres the dialog on the desktop and shows it modally.
    void ShowModal();

    // The design geometry recorded at creation, from which Prepare sizes
    // the dialog.
    int SavedWidth() const { return savedWidth_; }
    int SavedButton1Left() const { return savedButton1Left_; }
    int SavedButton2Left() const { return savedButton2Left_; }

    // The job behind the dialog, which lives on the job thread (tests look
    // at its session once the job thread is idle).
    device::ControllerJob& Job() { return *job_; }
    // A job of the dialog's is under way or waiting on the job thread.
    bool JobBusy() const { return jobs_.Busy(); }
    // The program ends: a run of "Подбор" and a network scan under way stop
    // at their next step, as "Выход" and «Остановить» stop them.
    void StopJobs();
    // What the port items' hints and menus also offer: the adapters' kept
    // checks and the adapter check (gui/PortHints.h).
    void SetPortItemOptions(PortItemOptions options) { portItems_ = std::move(options); }
    // "Журнал" and Ctrl+L ask for the exchange log's window over the dialog.
    void SetLogRequest(std::function<void(QWidget* owner)> request) {
        logRequest_ = std::move(request);
    }
    // «Акты...» asks for the records' window over the dialog.
    void SetRecordsRequest(std::function<void(QWidget* owner)> request) {
        recordsRequest_ = std::move(request);
    }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // ControllerView.
    void ProcessMessages() override;
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;
    void SetStatusText(const std::string& text) override;
    void SetNumberLabel(const std::string& text) override;
    void SetSpeedLabel(const std::string& text) override;
    void ShowGauge(bool visible) override;
    void SetGauge(int percent) override;
    device::LinkChoice Choice() override;
    void ShowFields(device::FieldsShown shown) override;
    void SetNumberText(const std::string& text) override;
    void CloseDialog() override;
    void ShowStoredLink(int portIndex, int linkKind) override;
    void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) override;
    void ShowRunning(bool running) override;
    MemoLines& BufferMemo(int index) override;
    bool ShowSpecialCharacters() override;

    void CreateControls();
    void ConnectHandlers();
    // Runs a step of the job on the job thread, after what was posted before.
    void ToJob(std::function<void(device::ControllerJob&)> step);
    void ShowLog();
    void ScanNetwork();
    void OpenScan();
    void LoadWriteChoices();
    void StoreWriteChoices();
    // Runs a handler; a file error raised in it (the settings file) ends the
    // handler and shows in the error box.
    void Guarded(const std::function<void()>& handler);
    // The creation steps that use the loaded settings and the kit.
    void RecordDesign();
    // At every opening.
    void PrepareOpening();
    void ClearOnClose();
    // The CRC choice shows for FT1.2 only.
    void ShowCrcChoice();
    void SizeTo(int width);
    void ClearJobDisplay();
    // "Подбор" and «Опрос сети...» look disabled while they cannot act: a
    // press of "Подбор" has not yet come back from the job thread, or a run
    // is under way.
    void ShowButtonStates();

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    ModemWindow& mainWindow_;
    HelpRequest help_;
    std::function<void(QWidget* owner)> logRequest_;
    std::function<void(QWidget* owner)> recordsRequest_;
    JobThread& jobs_;
    std::unique_ptr<JobControllerView> jobView_;
    std::unique_ptr<device::ControllerJob> job_;
    bool closingForJob_ = false;
    // A tick posted to the job thread has not yet run.
    bool tickPending_ = false;
    // No run was under way when «Опрос сети...» was pressed (set on the job
    // thread, read after it on this one).
    bool scanAllowed_ = false;
    // «Опрос сети...» was pressed while a run was under way: it opens when
    // the run has returned.
    bool scanAfterRun_ = false;
    // A press of "Подбор" is on its way to the job thread, and a run is
    // under way there (as the job last showed).
    bool searchPosted_ = false;
    bool jobRunning_ = false;
    Openings openings_;

    int savedWidth_ = 0;
    int savedButton1Left_ = 0;
    int savedButton2Left_ = 0;

    QCheckBox* searchNumbersBox_ = nullptr;  // CheckBox1 "Подбор сетевого номера"
    QFrame* numberFrame_ = nullptr;          // Bevel1
    RadioGroup* numberViewGroup_ = nullptr;  // RadioGroup1 "Вид сетевого номера"
    QLabel* numberLabel_ = nullptr;          // Label1 "Сетевой номер"
    QLineEdit* numberField_ = nullptr;       // Edit1
    QFrame* speedFrame_ = nullptr;           // Bevel2
    QLabel* speedLabel_ = nullptr;           // Label2 "Скорость обмена"
    QComboBox* speedList_ = nullptr;         // ComboBox1
    QLabel* passwordLabel_ = nullptr;        // Label8 "Пароль доступа"
    QLineEdit* passwordField_ = nullptr;     // Edit2
    RadioGroup* portGroup_ = nullptr;        // RG2 "Номер СОМ-порта"
    RadioGroup* linkGroup_ = nullptr;        // RadioGroup2 "Вид связи с КВАРД"
    RadioGroup* channelGroup_ = nullptr;     // RG3 "Канал обмена"
    QFrame* protocolPanel_ = nullptr;        // Panel2
    RadioGroup* protocolGroup_ = nullptr;    // Rprot "Протокол обмена"
    RadioGroup* crcGroup_ = nullptr;         // RCRC "Контрольная сумма CRC"
    QFrame* resultFrame_ = nullptr;          // Bevel3
    QLabel* numberUnderTest_ = nullptr;      // Label3
    QLabel* resultLabel_ = nullptr;          // Label4: the speed under test, the outcome
    QFrame* gaugeFrame_ = nullptr;           // Bevel6
    QProgressBar* gauge_ = nullptr;          // Gg1
    QStatusBar* statusBar_ = nullptr;        // StatusBar1
    QPushButton* searchButton_ = nullptr;    // Button1 "Подбор"
    QPushButton* exitButton_ = nullptr;      // Button2 "Выход"
    QPushButton* logButton_ = nullptr;       // "Журнал"
    QPushButton* recordsButton_ = nullptr;   // «Акты...»
    QPushButton* scanButton_ = nullptr;      // "Опрос сети..."
    NetworkScanDialog* scanDialog_ = nullptr;
    QCheckBox* backupBox_ = nullptr;  // "Резервная копия перед записью"
    QCheckBox* verifyBox_ = nullptr;  // "Проверка записанного чтением"
    QTimer* tickTimer_ = nullptr;     // Timer1
    PortItemOptions portItems_;
};

}  // namespace hk
