#include "app/ControllerDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>
#include <utility>

#include "app/ControllerDialogDesign.h"
#include "app/JobControllerView.h"
#include "app/KeptChoices.h"
#include "app/NetworkScanDialog.h"
#include "device/ControllerJob.h"
#include "device/KitBuffers.h"
#include "device/LinkSearch.h"
#include "gui/DesignControls.h"
#include "gui/Fonts.h"
#include "gui/PortHints.h"
#include "gui/RadioGroup.h"
#include "gui/StatusText.h"
#include "gui/Text.h"
#include "gui/Widgets.h"

namespace hk {
namespace {

constexpr int kDesignWidth = design::kControllerDialogWidth;
constexpr int kDesignHeight = design::kControllerDialogHeight;
constexpr int kStatusHeight = 20;
const QString kStopPendingText =
    QStringLiteral("Выход: работа остановится на ближайшем шаге, затем окно закроется");

}  // namespace

ControllerDialog::ControllerDialog(MainState& state, SerialLink& link, ViewHooks& view,
                                   ModemWindow& mainWindow, JobThread& jobs, HelpRequest help,
                                   QWidget* parent)
    : QDialog(parent),
      state_(state),
      link_(link),
      view_(view),
      mainWindow_(mainWindow),
      help_(std::move(help)),
      jobs_(jobs),
      jobView_(
          std::make_unique<JobControllerView>(jobs, static_cast<device::ControllerView&>(*this))),
      job_(std::make_unique<device::ControllerJob>(state, link, *jobView_)) {
    setObjectName(QStringLiteral("Fm3"));
    setFont(WindowFont(11));  // 8 points at 96 dpi
    CreateControls();
    LoadWriteChoices();
    ConnectHandlers();
    RecordDesign();
}

ControllerDialog::~ControllerDialog() = default;

void ControllerDialog::CreateControls() {
    MakeControls(this, design::kControllerDialogControls);
    searchNumbersBox_ = DesignChild<QCheckBox>(this, "CheckBox1");
    scanButton_ = DesignChild<QPushButton>(this, "ScanButton");
    numberFrame_ = DesignChild<QFrame>(this, "Bevel1");
    numberViewGroup_ = DesignChild<RadioGroup>(this, "RadioGroup1");
    numberLabel_ = DesignChild<QLabel>(this, "Label1");
    numberField_ = DesignChild<QLineEdit>(this, "Edit1");
    speedFrame_ = DesignChild<QFrame>(this, "Bevel2");
    speedLabel_ = DesignChild<QLabel>(this, "Label2");
    speedList_ = DesignChild<QComboBox>(this, "ComboBox1");
    passwordLabel_ = DesignChild<QLabel>(this, "Label8");
    passwordField_ = DesignChild<QLineEdit>(this, "Edit2");
    passwordField_->setProperty("Tag", 2);
    portGroup_ = DesignChild<RadioGroup>(this, "RG2");
    linkGroup_ = DesignChild<RadioGroup>(this, "RadioGroup2");
    channelGroup_ = DesignChild<RadioGroup>(this, "RG3");
    protocolPanel_ = DesignChild<QFrame>(this, "Panel2");
    protocolGroup_ = DesignChild<RadioGroup>(this, "Rprot");
    crcGroup_ = DesignChild<RadioGroup>(this, "RCRC");
    backupBox_ = DesignChild<QCheckBox>(this, "BackupBox");
    verifyBox_ = DesignChild<QCheckBox>(this, "VerifyBox");
    resultFrame_ = DesignChild<QFrame>(this, "Bevel3");
    numberUnderTest_ = DesignChild<QLabel>(this, "Label3");
    resultLabel_ = DesignChild<QLabel>(this, "Label4");
    gaugeFrame_ = DesignChild<QFrame>(this, "Bevel6");
    gauge_ = DesignChild<QProgressBar>(this, "Gg1");
    searchButton_ = DesignChild<QPushButton>(this, "Button1");
    exitButton_ = DesignChild<QPushButton>(this, "Button2");
    logButton_ = DesignChild<QPushButton>(this, "LogButton");
    recordsButton_ = DesignChild<QPushButton>(this, "RecordsButton");

    // The result lines: bold italic teal.
    QFont resultFont = font();
    resultFont.setBold(true);
    resultFont.setItalic(true);
    for (QLabel* l : {numberUnderTest_, resultLabel_}) {
        l->setFont(resultFont);
        SetTextColour(l, kTeal);
    }

    // A result longer than the dialog is wide keeps its whole text as the
    // bar's hint.
    statusBar_ = new StatusTextBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    tickTimer_ = new QTimer(this);
    tickTimer_->setObjectName(QStringLiteral("Timer1"));
    tickTimer_->setInterval(1000);

    auto* logKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(logKey, &QShortcut::activated, this, [this] { ShowLog(); });
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] {
        if (help_) help_(kHelpContext, this);
    });
    SizeTo(kDesignWidth);
}

void ControllerDialog::ToJob(std::function<void(device::ControllerJob&)> step) {
    jobs_.Post([job = job_.get(), step = std::move(step)] { step(*job); });
}

void ControllerDialog::ConnectHandlers() {
    connect(searchButton_, &QPushButton::clicked, this, [this] {
        searchPosted_ = true;
        ShowButtonStates();
        jobs_.Post([job = job_.get()] { job->Search(); },
                   [this] {
                       searchPosted_ = false;
                       ShowButtonStates();
                   });
    });
    connect(exitButton_, &QPushButton::clicked, this, [this] {
        // The job stops at its next step; the operator sees at once that it will.
        if (jobs_.Busy()) statusBar_->showMessage(kStopPendingText);
        ToJob([](device::ControllerJob& j) { j.Exit(); });
    });
    connect(tickTimer_, &QTimer::timeout, this, [this] {
        // One tick waits at a time: a job that lets no messages run for
        // seconds sees one, not a pile of them.
        if (tickPending_) return;
        tickPending_ = true;
        jobs_.Post([job = job_.get()] { job->Tick(); }, [this] { tickPending_ = false; });
    });
    connect(logButton_, &QPushButton::clicked, this, [this] { ShowLog(); });
    connect(recordsButton_, &QPushButton::clicked, this, [this] {
        if (recordsRequest_) recordsRequest_(this);
    });
    connect(scanButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { ScanNetwork(); }); });
    for (QCheckBox* box : {backupBox_, verifyBox_})
        connect(box, &QCheckBox::toggled, this, [this] { StoreWriteChoices(); });
    connect(protocolGroup_, &RadioGroup::Clicked, this, [this] { ShowCrcChoice(); });
    connect(searchNumbersBox_, &QCheckBox::clicked, this,
            [this] { ToJob([](device::ControllerJob& j) { j.SearchBoxClicked(); }); });
    connect(numberField_, &QLineEdit::textChanged, this,
            [this] { ToJob([](device::ControllerJob& j) { j.CheckNetNumber(); }); });
    numberField_->installEventFilter(this);
    passwordField_->installEventFilter(this);
}

void ControllerDialog::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
    }
}

// The key filter of the number and password fields: a typed character the
// field does not take is swallowed (the job says why in the status bar).
bool ControllerDialog::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && (watched == numberField_ || watched == passwordField_)) {
        const auto* key = static_cast<QKeyEvent*>(e);
        const std::string code = ToCp1251(key->text());
        if (code.size() == 1 && !device::ControllerJob::KeyPress(
                                    static_cast<device::ControllerView&>(*this),
                                    static_cast<unsigned char>(code[0]), watched == passwordField_))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void ControllerDialog::SizeTo(int width) {
    setFixedSize(width, kDesignHeight + kStatusHeight);
    statusBar_->setGeometry(0, kDesignHeight, width, kStatusHeight);
}

void ControllerDialog::RecordDesign() {
    portGroup_->SetItemIndex(link_.Settings.PortIndex);  // past "Com4" selects "Com4"
    if (state_.KitIndex == device::kMinimalKit) channelGroup_->hide();
    channelGroup_->SetItemIndex(0);
    ShowFields({});
    savedWidth_ = width();
    savedButton1Left_ = searchButton_->x();
    savedButton2Left_ = exitButton_->x();
}

void ControllerDialog::Prepare(std::uint8_t kitIndex, const TPortSettings& settings) {
    int narrowing = 0;
    const bool basicKit = kitIndex == 0;
    if (!basicKit) {
        protocolGroup_->SetItemIndex(settings.Protocol);
        if (protocolGroup_->ItemIndex() == kFt12) {
            crcGroup_->SetItemIndex(settings.CrcMode);
            crcGroup_->show();
        } else {
            crcGroup_->SetItemIndex(0);
            crcGroup_->hide();
        }
    } else {
        protocolGroup_->SetItemIndex(0);
        narrowing = protocolPanel_->width();
    }
    SizeTo(savedWidth_ - narrowing);
    gauge_->resize(savedWidth_ - narrowing - 2 * gauge_->x(), gauge_->height());
    resultFrame_->resize(gauge_->width(), resultFrame_->height());
    searchButton_->move(savedButton1Left_ - narrowing, searchButton_->y());
    exitButton_->move(savedButton2Left_ - narrowing, exitButton_->y());
    protocolPanel_->setVisible(!basicKit);
}

void ControllerDialog::ShowModal() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void ControllerDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (openings_.Opens(e)) PrepareOpening();
}

void ControllerDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    openings_.Hidden(e);
}

void ControllerDialog::PrepareOpening() {
    if (state_.KitIndex == device::kMinimalKit) {
        channelGroup_->hide();
        channelGroup_->SetItemIndex(0);
    } else {
        channelGroup_->show();
    }
    setWindowTitle(state_.ReadFromDevice ? QStringLiteral("Чтение из КВАРД настроек Hayes-модема ")
                                         : QStringLiteral("Запись в КВАРД настроек Hayes-модема "));
    statusBar_->clearMessage();
    // Re-reads the settings, then shows the stored port and link and a kept number.
    ToJob([](device::ControllerJob& j) { j.Opened(); });
    DescribePortItems(*portGroup_, state_.CfgFileName, portItems_);  // which device each port opens
    ShowFields({.manualEntry = !searchNumbersBox_->isChecked()});
    ClearJobDisplay();
    for (QCheckBox* box : {backupBox_, verifyBox_}) box->setVisible(!state_.ReadFromDevice);
    tickTimer_->start();
}

// Every closing comes here: "Выход", the job's own close after a read, a
// write or a stop, the title-bar button and Escape. The last two wait for a
// run under way to return.
void ControllerDialog::done(int result) {
    if (!closingForJob_ && jobs_.Busy()) {
        // A run under way goes on to its end; then the dialog closes.
        ToJob([this](device::ControllerJob& j) {
            if (j.MayClose()) jobView_->CloseDialog();
        });
        return;
    }
    closingForJob_ = false;
    tickTimer_->stop();
    // What the job said last, its result, stays in the main window's status
    // bar: the dialog closes a second after a write.
    if (const QString said = statusBar_->currentMessage();
        !said.isEmpty() && said != kStopPendingText)
        mainWindow_.ShowRunStatus(said.toStdString());
    ClearOnClose();
    ToJob([](device::ControllerJob& j) { j.Closed(); });
    QDialog::done(result);
}

void ControllerDialog::ClearOnClose() { ClearJobDisplay(); }

// The gauge hidden and at 0, the speed back to "Подбор", the result labels
// and the password empty: the dialog opens and closes without a job's traces.
void ControllerDialog::ClearJobDisplay() {
    gaugeFrame_->hide();
    gauge_->hide();
    gauge_->setValue(0);
    speedList_->setCurrentIndex(0);
    numberUnderTest_->clear();
    resultLabel_->clear();
    passwordField_->clear();
}

// --- What the job shows and reads --------------------------------------------

void ControllerDialog::ProcessMessages() { view_.ProcessMessages(); }
bool ControllerDialog::Confirm(const std::string& text) { return view_.Confirm(text); }
void ControllerDialog::ShowInformation(const std::string& text) { view_.ShowInformation(text); }
void ControllerDialog::ShowError(const std::string& text) { view_.ShowError(text); }
void ControllerDialog::SetStatusText(const std::string& text) {
    statusBar_->showMessage(FromUtf8(text));
}
void ControllerDialog::SetNumberLabel(const std::string& text) {
    numberUnderTest_->setText(FromUtf8(text));
}
void ControllerDialog::SetSpeedLabel(const std::string& text) {
    resultLabel_->setText(FromUtf8(text));
}
void ControllerDialog::ShowGauge(bool visible) {
    gaugeFrame_->setVisible(visible);
    gauge_->setVisible(visible);
}
void ControllerDialog::SetGauge(int percent) { gauge_->setValue(percent); }

// A group with nothing selected (a damaged settings file stored a negative
// index) counts as its first item: the job never works with a choice that
// is not one of the items.
device::LinkChoice ControllerDialog::Choice() {
    device::LinkChoice c;
    c.port = std::max(0, portGroup_->ItemIndex());
    c.portName = portGroup_->ItemText(c.port).toStdString();
    c.protocol = static_cast<ProtocolKind>(std::max(0, protocolGroup_->ItemIndex()));
    c.crcMode = std::max(0, crcGroup_->ItemIndex());
    c.currentLoop = linkGroup_->ItemIndex() == 1;
    c.channel = std::max(0, channelGroup_->ItemIndex());
    c.searchAllNumbers = searchNumbersBox_->isChecked();
    c.number = numberField_->text().toStdString();
    c.hexView = numberViewGroup_->ItemIndex() == 0;
    c.speedItem = speedList_->currentIndex();
    c.password = passwordField_->text().toStdString();
    c.backup = backupBox_->isChecked();
    c.verify = verifyBox_->isChecked();
    return c;
}

// The network inventory over this dialog's line; a controller chosen there
// comes back as the number and speed of the next "Подбор".
void ControllerDialog::ScanNetwork() {
    // Not while a run of "Подбор" has the line: asked of the job itself,
    // which answers once the steps posted before have run.
    jobs_.Post([this] { scanAllowed_ = !job_->Running(); },
               [this] {
                   if (scanAllowed_)
                       OpenScan();
                   else
                       scanAfterRun_ = true;  // opens when the run has returned
               });
}

void ControllerDialog::OpenScan() {
    const device::LinkChoice choice = Choice();
    const QString summary = portGroup_->ItemText(choice.port) + QStringLiteral(", ") +
                            protocolGroup_->ItemText(choice.protocol) + QStringLiteral(", ") +
                            linkGroup_->ItemText(std::max(0, linkGroup_->ItemIndex())) +
                            QStringLiteral(", ") +
                            channelGroup_->ItemText(choice.channel).trimmed();
    if (!scanDialog_) scanDialog_ = new NetworkScanDialog(state_, link_, view_, jobs_, this);
    scanDialog_->Open(choice, summary, [this](int number, int speedIndex) {
        searchNumbersBox_->setChecked(false);
        speedList_->setCurrentIndex(speedIndex + 1);
        // After the job has shown the fields (and a kept number), the number
        // chosen in the scan.
        const std::string text =
            device::NetNumberText(static_cast<std::uint8_t>(number), Choice().hexView);
        ToJob([this, text](device::ControllerJob& j) {
            j.SearchBoxClicked();
            jobView_->SetNumberText(text);
        });
    });
}

void ControllerDialog::StopJobs() {
    ToJob([](device::ControllerJob& j) {
        if (j.Running()) j.Exit();
    });
    if (scanDialog_) scanDialog_->StopScan();
}

void ControllerDialog::ShowLog() {
    if (logRequest_) logRequest_(this);
}

// The safe write's choices are the operator's, kept from one run of the
// program to the next (app/KeptChoices.h).
void ControllerDialog::LoadWriteChoices() {
    backupBox_->setChecked(KeptChoice(state_, kKeepBackup, true));
    verifyBox_->setChecked(KeptChoice(state_, kKeepVerify, true));
}

void ControllerDialog::StoreWriteChoices() {
    KeepChoice(state_, kKeepBackup, backupBox_->isChecked());
    KeepChoice(state_, kKeepVerify, verifyBox_->isChecked());
}

void ControllerDialog::SetNumberText(const std::string& text) {
    numberField_->setText(FromUtf8(text));
}

void ControllerDialog::ShowStoredLink(int portIndex, int linkKind) {
    portGroup_->SetItemIndex(portIndex);  // past "Com4" selects "Com4"
    linkGroup_->SetItemIndex(linkKind == 0 ? 0 : 1);
}

void ControllerDialog::ShowRunning(bool running) {
    jobRunning_ = running;
    ShowButtonStates();
    if (!running && std::exchange(scanAfterRun_, false) && isVisible())
        QTimer::singleShot(0, this, [this] { Guarded([this] { ScanNetwork(); }); });
}

void ControllerDialog::ShowButtonStates() {
    const bool idle = !searchPosted_ && !jobRunning_;
    searchButton_->setEnabled(idle);
    scanButton_->setEnabled(idle);
}

void ControllerDialog::ShowSearchProgress(int attemptsMade, int attemptsTotal,
                                          std::int64_t msLeft) {
    statusBar_->showMessage(
        FromUtf8(device::SearchProgressText(attemptsMade, attemptsTotal, msLeft)));
}

void ControllerDialog::CloseDialog() {
    closingForJob_ = true;
    accept();
    closingForJob_ = false;
}

MemoLines& ControllerDialog::BufferMemo(int index) {
    return index == 0 ? mainWindow_.ListMemo() : mainWindow_.AnswersMemo();
}
bool ControllerDialog::ShowSpecialCharacters() { return mainWindow_.ShowSpecialCharacters(); }

void ControllerDialog::ShowFields(device::FieldsShown shown) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{numberFrame_, numberViewGroup_, numberField_, numberLabel_,
                                         speedFrame_, speedLabel_, speedList_})
        w->setVisible(shown.manualEntry);
    for (QWidget* w : std::initializer_list<QWidget*>{resultFrame_, numberUnderTest_, resultLabel_})
        w->setVisible(shown.results);
}

void ControllerDialog::ShowCrcChoice() {
    crcGroup_->setVisible(protocolGroup_->ItemIndex() == kFt12);
}

}  // namespace hk
