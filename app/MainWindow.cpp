#include "app/MainWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QColor>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QFileDialog>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTime>
#include <QTimer>
#include <climits>
#include <exception>
#include <memory>

#include "app/ControllerDialog.h"
#include "app/HelpViewer.h"
#include "app/KeptChoices.h"
#include "app/ListFolder.h"
#include "app/LogWindow.h"
#include "app/MainTexts.h"
#include "app/MainWindowDesign.h"
#include "app/PortDialog.h"
#include "app/Startup.h"
#include "device/Commands.h"
#include "device/ControllerLists.h"
#include "device/KitBuffers.h"
#include "gui/DesignControls.h"
#include "gui/Fonts.h"
#include "gui/JobThread.h"
#include "gui/Memo.h"
#include "gui/StatusText.h"
#include "gui/Text.h"
#include "gui/Widgets.h"
#include "lists/ListFiles.h"
#include "log/ExchangeLog.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

// The panel's size in the window's design.
constexpr int kDesignPanelWidth = 658;
constexpr int kDesignPanelHeight = 427;
constexpr int kStatusPanel0Width = 500;
constexpr int kStatusPanel1Width = 50;

// The background of a list line the modem refused, and of one whose setting
// the modem holds otherwise than the list.
const QColor kRefusedLineColour(0xFF, 0xC8, 0xC8);
const QColor kDifferingLineColour(0xFF, 0xE4, 0x96);

// Help context numbers of the window's states.
constexpr int kHelpStart = 2;
constexpr int kHelpIdle = 4;
constexpr int kHelpModem = 6;
constexpr int kHelpController = 7;

// The clock panel shows the time once a second.
constexpr int kClockTickMs = 1000;
// The version label, inside the upper memo's area: this far below its top.
constexpr int kVersionLabelInset = 5;
// The kit menu opens this far below the controller mode button.
constexpr int kKitMenuGap = 5;
// A memo that follows the panel's size keeps at least this width and height.
constexpr int kSmallestMemoSide = 40;

// The memos' tops and heights in each layout.
constexpr int kModemListTop = 48, kModemListHeight = 150;
constexpr int kModemAnswersTop = 202, kModemAnswersHeight = 215;
constexpr int kBufferListTop = 75, kBufferListHeight = 123;
constexpr int kBufferAnswersTop = 240, kBufferAnswersHeight = 123;

QString Utf8(const char* text) { return text ? QString::fromUtf8(text) : QString(); }

// The teal captions: 12-pixel bold italic, set a little tighter so that
// "Стандартные настройки " stays within the button column.
QFont TealFont(QFont base) {
    base.setPixelSize(12);
    base.setBold(true);
    base.setItalic(true);
    base.setLetterSpacing(QFont::PercentageSpacing, 95);
    return base;
}

// Sets a label's caption and sizes the label to it, as the designer's
// labels size themselves.
void SetCaption(QLabel* label, const QString& caption) {
    label->setText(caption);
    label->adjustSize();
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogSetup& setup, bool save) {
    QFileDialog dialog(parent, setup.Title);
    dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setDirectory(setup.InitialDir);
    dialog.setNameFilter(setup.Filter.section(QLatin1Char('|'), 0, 0));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(setup.DefaultExt);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);  // overwrites without asking
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);  // a name that does not exist is accepted
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    // UTF-8, as the program keeps file names on every system (base/Utf8Path.h);
    // QFile::encodeName would give the ANSI code page on Windows. With the
    // system's separators: the name shows in messages.
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

MainWindow::MainWindow(MainState& state, SerialLink& link, ViewHooks& view,
                       const QString& programDir)
    : state_(state), link_(link), view_(view) {
    setObjectName(QStringLiteral("Fm1"));
    setWindowTitle(texts::kDesignCaption);
    CreateControls();
    StyleControls();
    CreateStatusBarAndTimers();
    CreateKitMenu();
    ConnectHandlers();
    LoadStoredState(programDir);
}

MainWindow::~MainWindow() = default;

// --- Creation -----------------------------------------------------------------

void MainWindow::CreateControls() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("Panel1"));
    panel_->setFont(WindowFont(11));
    // Narrow button margins keep the longest captions inside 158 pixels;
    // "Просмотр текущих настроек..." needs the button's whole width.
    panel_->setStyleSheet(QStringLiteral(
        "QPushButton { padding: 1px 2px; } QPushButton#Button3 { padding: 1px 0px; }"));
    setCentralWidget(panel_);
    MakeControls(panel_, design::kMainWindowControls);

    const auto find = [this]<class T>(const char* name, T*& member) {
        member = panel_->findChild<T*>(QString::fromLatin1(name), Qt::FindDirectChildrenOnly);
        Q_ASSERT(member);
    };
    find("SBtk", modemModeButton_);
    find("SBbuf", controllerModeButton_);
    find("SpeedButton1", helpButton_);
    find("LogButton", logButton_);
    find("RecordsButton", recordsButton_);
    find("SBEx", exitButton_);
    find("CheckBox1", smsBox_);
    find("Label9", groupRuleLabel_);
    find("Label1", upperTitle_);
    find("Label8", versionLabel_);
    find("Label4", upperSubtitle_);
    find("Label5", upperChannelLabel_);
    find("Memo1", listMemo_);
    find("Button1", loadButton_);
    find("Button4", saveButton_);
    find("Button2", writeOrClearButton_);
    find("Bevel3", ringCountFrame_);
    find("Label3", ringCountLabel_);
    find("SpinEdit1", ringCountField_);
    find("CheckBox2", specialCharsBox_);
    find("Bevel2", middleLine_);
    find("Label2", lowerTitle_);
    find("Label7", lowerSubtitle_);
    find("Label6", lowerChannelLabel_);
    find("Memo2", answersMemo_);
    find("Button3", viewOrLoadButton_);
    find("Button6", lowerSaveButton_);
    find("Button5", commandOrClearButton_);
    find("Edit1", commandField_);
    find("CheckModemButton", checkModemButton_);
    find("CheckAfterRunBox", checkAfterRunBox_);
    find("Bevel5", bottomLine_);
    find("Button7", readControllerButton_);
    find("Button8", writeControllerButton_);
    listLines_.Bind(listMemo_);
    answerLines_.Bind(answersMemo_);
    listDesign_ = listMemo_->geometry();
    answersDesign_ = answersMemo_->geometry();
}

void MainWindow::StyleControls() {
    QFont versionFont = panel_->font();
    versionFont.setPixelSize(15);
    versionFont.setItalic(true);
    versionLabel_->setFont(versionFont);
    SetTextColour(versionLabel_, kMaroon);
    versionLabel_->adjustSize();  // sized to its text, as the designer's labels are

    const QFont teal = TealFont(panel_->font());
    for (const design::Control& c : design::kMainWindowControls) {
        if (c.kind != design::Kind::TealLabel) continue;
        auto* l = panel_->findChild<QLabel*>(QString::fromLatin1(c.name));
        l->setFont(teal);
        SetTextColour(l, kTeal);
        l->adjustSize();
    }
    groupRuleLabel_->adjustSize();
    // What the window shows before its first activation.
    for (QWidget* w : std::initializer_list<QWidget*>{smsBox_, upperTitle_, upperChannelLabel_,
                                                      lowerChannelLabel_, listMemo_})
        w->hide();
}

void MainWindow::CreateStatusBarAndTimers() {
    hintPanel_ = new StatusPanel(this);
    hintPanel_->setObjectName(QStringLiteral("SB1Panel0"));
    hintPanel_->setFixedWidth(kStatusPanel0Width);
    clockPanel_ = new QLabel(this);
    clockPanel_->setObjectName(QStringLiteral("SB1Panel1"));
    clockPanel_->setFixedWidth(kStatusPanel1Width + 12);
    statusBar()->setObjectName(QStringLiteral("SB1"));
    statusBar()->setFont(panel_->font());
    statusBar()->addWidget(hintPanel_);
    statusBar()->addWidget(clockPanel_);
    statusBar()->setSizeGripEnabled(true);

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("Timer1"));
    clockTimer_->setInterval(kClockTickMs);
    connect(clockTimer_, &QTimer::timeout, this, [this] { ShowClock(); });
    clockTimer_->start();

    // Client area: the design's panel plus the status bar; centred on first show.
    resize(kDesignPanelWidth, kDesignPanelHeight + statusBar()->sizeHint().height());
}

void MainWindow::CreateKitMenu() {
    kitMenu_ = new QMenu(this);
    kitMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    for (int i = 0; i < static_cast<int>(device::KitTitles.size()); ++i) {
        QAction* item = kitMenu_->addAction(QString::fromUtf8(device::KitTitles[i]));
        item->setObjectName(texts::kKitItemNames[i]);
        item->setData(i);  // the item's tag is its kit index
        item->setCheckable(true);
    }
    connect(kitMenu_, &QMenu::aboutToShow, this, [this] { MarkChosenKit(); });
    connect(kitMenu_, &QMenu::triggered, this,
            [this](QAction* item) { Guarded([=, this] { ChooseKit(item); }); });
}

void MainWindow::ConnectHandlers() {
    auto on = [this](QPushButton* b, void (MainWindow::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { Guarded([=, this] { (this->*handler)(); }); });
    };
    on(modemModeButton_, &MainWindow::ToggleModemMode);
    on(controllerModeButton_, &MainWindow::ToggleControllerMode);
    on(exitButton_, &MainWindow::ExitProgram);
    on(helpButton_, &MainWindow::ShowHelpContents);
    on(readControllerButton_, &MainWindow::ReadFromController);
    on(writeControllerButton_, &MainWindow::WriteToController);
    // Kept from one run of the program to the next (app/KeptChoices.h).
    connect(checkAfterRunBox_, &QCheckBox::toggled, this,
            [this](bool on) { KeepChoice(state_, kKeepCheckAfterRun, on); });

    using Lists = device::ControllerLists;
    ConnectFunctionButton(
        loadButton_, [](ModemConsole& c) { c.LoadList(); }, [](Lists& l) { l.LoadFirst(); });
    ConnectFunctionButton(
        writeOrClearButton_, [](ModemConsole& c) { c.StartRun(); },
        [](Lists& l) { l.ClearFirst(); });
    ConnectFunctionButton(
        viewOrLoadButton_, [](ModemConsole& c) { c.ViewCurrentSettings(); },
        [](Lists& l) { l.LoadSecond(); });
    ConnectFunctionButton(
        saveButton_, [](ModemConsole& c) { c.SaveList(); }, [](Lists& l) { l.SaveFirst(); });
    ConnectFunctionButton(
        commandOrClearButton_, [](ModemConsole& c) { c.OpenCommandField(); },
        [](Lists& l) { l.ClearSecond(); });
    // Shown for the two-channel kits only.
    connect(lowerSaveButton_, &QPushButton::clicked, this,
            [this] { RunLists([](Lists& l) { l.SaveSecond(); }); });
    on(checkModemButton_, &MainWindow::CheckModem);
    for (QObject* o : std::initializer_list<QObject*>{listMemo_, answersMemo_, commandField_,
                                                      ringCountField_, upperTitle_, versionLabel_})
        o->installEventFilter(this);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelpContext(helpContext_, this); });
    connect(logButton_, &QPushButton::clicked, this, [this] { ShowLog(this); });
    connect(recordsButton_, &QPushButton::clicked, this, [this] {
        if (recordsRequest_) recordsRequest_(this);
    });
    auto* logKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_L), this);
    connect(logKey, &QShortcut::activated, this, [this] { ShowLog(this); });
}

void MainWindow::LoadStoredState(const QString& programDir) {
    // The hint handler is this window's status-tip handling (event()).
    RunStartupSteps(state_, link_, programDir.toStdString());
    openDialog_.Title = texts::kOpenListTitle;
    saveDialog_.Title = texts::kSaveListTitle;
    openDialog_.InitialDir = saveDialog_.InitialDir = ListDialogFolder(state_);
    {
        const QSignalBlocker loading(checkAfterRunBox_);  // nothing to store yet
        checkAfterRunBox_->setChecked(KeptChoice(state_, kKeepCheckAfterRun, false));
    }
    // The version label lies inside the upper memo's area: seen while the
    // memo is hidden.
    versionLabel_->show();
    versionLabel_->move(versionLabel_->x(), listMemo_->y() + kVersionLabelInset);
}

// --- Window events --------------------------------------------------------------

void MainWindow::FollowPanelSize() {
    const int dw = panel_->width() - kDesignPanelWidth;
    const int dh = panel_->height() - kDesignPanelHeight;
    QRect list = listMemo_->geometry();
    list.setWidth(std::max(kSmallestMemoSide, listDesign_.width() + dw));
    listMemo_->setGeometry(list);
    QRect answers = answersMemo_->geometry();
    answers.setWidth(std::max(kSmallestMemoSide, answersDesign_.width() + dw));
    answers.setHeight(std::max(kSmallestMemoSide, answersDesign_.height() + dh));
    answersMemo_->setGeometry(answers);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    QMainWindow::closeEvent(e);
    // The program ends with its main window, also while the help is open.
    QCoreApplication::quit();
}

void MainWindow::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    FollowPanelSize();
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!activated_) {
        activated_ = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
        Guarded([this] { ResetToStartLayout(); });
    }
}

bool MainWindow::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        ShowHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && FilterKey(watched, static_cast<QKeyEvent*>(e)))
        return true;
    if (e->type() == QEvent::FocusOut && watched == ringCountField_) {
        // The text as left, before the field puts its last value back.
        RunConsole([text = RingCountText().toStdString()](ModemConsole& c) {
            c.RingCountFieldLeft(text);
        });
    }
    if (e->type() == QEvent::MouseButtonDblClick &&
        (watched == upperTitle_ || watched == versionLabel_)) {
        ToggleByteTrace();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void MainWindow::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
    }
}

void MainWindow::SetHint(QWidget* w, const QString& hint) {
    w->setStatusTip(hint);
    w->setAccessibleDescription(hint);
}

void MainWindow::RestoreDesignHint(QWidget* w) {
    const design::Control* c = design::Find(w->objectName().toStdString());
    SetHint(w, c ? Utf8(c->hint) : QString());
}

void MainWindow::SetDesignCaption(QWidget* w) {
    const design::Control* c = design::Find(w->objectName().toStdString());
    const QString caption = c ? Utf8(c->caption) : QString();
    if (auto* l = qobject_cast<QLabel*>(w))
        SetCaption(l, caption);
    else if (auto* b = qobject_cast<QPushButton*>(w))
        b->setText(caption);
}

// A hint shows while the pointer is on its control; when it goes, the modem
// run's status text comes back. A third panel would have no room for that
// text beside the two design panels.
void MainWindow::ShowHint(const QString& hint) {
    hintPanel_->Show(hint.isEmpty() ? runStatus_ : hint);
}

// A hint shown now stays; the status text under it goes.
void MainWindow::ClearRunStatus() {
    if (hintPanel_->text() == runStatus_) hintPanel_->Show(QString());
    runStatus_.clear();
}

void MainWindow::ShowClock() {
    clockPanel_->setText(QTime::currentTime().toString(QStringLiteral("H:mm:ss")));
    // A line of bytes that has had no new byte for a while goes to the file.
    if (log_) log_->Flush();
}

// --- What the layers below use ------------------------------------------------

bool MainWindow::ShowsSpecialCharacters() const { return specialCharsBox_->isChecked(); }

std::string MainWindow::CommandText() const { return ToCp1251(commandField_->text()); }

void MainWindow::ShowCommandField(bool visible) { commandField_->setVisible(visible); }

void MainWindow::FocusCommandField() { commandField_->setFocus(); }

QString MainWindow::RingCountText() const { return ringCountField_->text(); }

void MainWindow::SetRingCount(int value) { ringCountField_->setValue(value); }

std::optional<std::string> MainWindow::ChooseListFile(ListFileDialog dialog,
                                                      std::string_view filter,
                                                      std::string_view defaultExt) {
    const bool save = dialog == ListFileDialog::Save;
    FileDialogSetup& setup = save ? saveDialog_ : openDialog_;
    setup.Filter = FromView(filter);
    if (save) setup.DefaultExt = FromView(defaultExt);
    // Both start where the last list came from or went to.
    setup.InitialDir = ListDialogFolder(state_);
    std::optional<std::string> chosen =
        fileChooser_ ? fileChooser_(setup, save) : RunFileDialog(this, setup, save);
    if (chosen) KeepListFolder(state_, QString::fromStdString(*chosen));
    return chosen;
}

void MainWindow::SetAnswerReceiverRunning(bool running) { answerReceiverRunning_ = running; }

// A new status text shows at once, over a hint too: the run has moved on.
void MainWindow::ShowRunStatus(const QString& text) {
    runStatus_ = text;
    hintPanel_->Show(text);
}

void MainWindow::MarkRefusedListLine(int index) { listMemo_->MarkLine(index, kRefusedLineColour); }

void MainWindow::ClearListLineMarks() { listMemo_->ClearMarks(); }

void MainWindow::MarkDifferingListLine(int index) {
    listMemo_->MarkLine(index, kDifferingLineColour);
}

void MainWindow::ClearDifferingListLineMarks() { listMemo_->ClearMarks(kDifferingLineColour); }

void MainWindow::RunEnded(bool completed) {
    if (!checkUnderWay_) checkModemButton_->setEnabled(true);
    if (!completed || !checkAfterRunBox_->isChecked()) return;
    if (state_.ModemMode && modemModeButton_->isChecked() && checkModemButton_->isEnabled())
        CheckModem();
}

void MainWindow::CheckModem() {
    if (!console_ || checkUnderWay_) return;
    checkUnderWay_ = true;
    checkModemButton_->setEnabled(false);
    RunConsole([](ModemConsole& c) { c.CheckModem(); },
               [this] {
                   checkUnderWay_ = false;
                   checkModemButton_->setEnabled(true);
               });
}

void MainWindow::RunConsole(std::function<void(ModemConsole&)> action, std::function<void()> done) {
    if (!console_) return;
    // The console lives on the job thread; a task that throws is shown there
    // as this window's handlers show it.
    jobs_->Post([console = console_, action = std::move(action)] { action(*console); },
                std::move(done));
}

void MainWindow::RunLists(std::function<void(device::ControllerLists&)> action) {
    if (!lists_ || !jobs_) return;
    jobs_->Post([lists = lists_, action = std::move(action)] { action(*lists); });
}

void MainWindow::ConnectFunctionButton(QPushButton* button, void (*modem)(ModemConsole&),
                                       void (*controller)(device::ControllerLists&)) {
    connect(button, &QPushButton::clicked, this, [this, modem, controller] {
        if (!console_ || !lists_) return;
        // The side that acts is the one of the mode as the job thread takes
        // the click (a mode button pressed meanwhile has changed it).
        jobs_->Post([state = &state_, console = console_, lists = lists_, modem, controller] {
            if (state->WorkMode == kControllerWork)
                controller(*lists);
            else
                modem(*console);
        });
    });
}

bool MainWindow::FilterKey(QObject* watched, QKeyEvent* e) {
    if (watched != listMemo_ && watched != answersMemo_ && watched != commandField_) return false;
    std::uint8_t key = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        key = kEnterKey;
    } else {
        const std::string code = ToCp1251(e->text());
        if (code.size() != 1) return false;  // no character, or a control key
        key = static_cast<std::uint8_t>(code[0]);
    }
    // Whether the key reaches the control is decided here and now; what it
    // does on the modem side (Enter sends the command) runs on the job thread.
    const bool thrownAway = ModemKeyThrownAway(key);
    if (!thrownAway)
        RunConsole([key](ModemConsole& c) {
            std::uint8_t k = key;
            c.KeyPress(k);
        });
    return thrownAway;
}

void MainWindow::RemoveAnswerReceiver() {
    RunConsole([](ModemConsole& c) { c.RemoveIdleHandler(); });
}

// --- Modes and layout -----------------------------------------------------------

void MainWindow::ResetToStartLayout() {
    RemoveAnswerReceiver();
    ShowClock();
    state_.ModemMode = false;
    helpContext_ = kHelpStart;
    smsBox_->setChecked(false);
    smsBox_->hide();
    ShowSections({});
}

void MainWindow::PlaceMemos(int listTop, int listHeight, int answersTop, int answersHeight) {
    listDesign_ = QRect(listDesign_.x(), listTop, listDesign_.width(), listHeight);
    answersDesign_ = QRect(answersDesign_.x(), answersTop, answersDesign_.width(), answersHeight);
    listMemo_->setGeometry(listDesign_);
    answersMemo_->setGeometry(answersDesign_);
    FollowPanelSize();
}

void MainWindow::LabelForModem() {
    PlaceMemos(kModemListTop, kModemListHeight, kModemAnswersTop, kModemAnswersHeight);
    for (QWidget* w : std::initializer_list<QWidget*>{upperSubtitle_, lowerTitle_,
                                                      writeOrClearButton_, commandOrClearButton_})
        SetDesignCaption(w);
    SetFittedCaption(viewOrLoadButton_, texts::kViewSettingsCaption);
    listMemo_->setAccessibleName(texts::kNameModemList);
    answersMemo_->setAccessibleName(texts::kNameModemAnswers);
}

void MainWindow::LabelForController() {
    SetCaption(upperSubtitle_, texts::kBufferSubtitle);
    SetCaption(lowerTitle_, texts::kLowerBufferTitle);
    writeOrClearButton_->setText(texts::kClearCaption);
    PlaceMemos(kBufferListTop, kBufferListHeight, kBufferAnswersTop, kBufferAnswersHeight);
    if (device::TwoChannelKit(state_.KitIndex)) {
        SetFittedCaption(viewOrLoadButton_, loadButton_->text());
        commandOrClearButton_->setText(writeOrClearButton_->text());
        SetCaption(upperChannelLabel_, texts::kChannelMcp);
        SetCaption(lowerChannelLabel_, texts::kChannelMpi);
    } else if (state_.KitIndex == device::kMinimalKit) {
        SetCaption(upperChannelLabel_, texts::kChannelSerial);
    } else {
        SetCaption(upperChannelLabel_, texts::kChannelMpi);
    }
    listMemo_->setAccessibleName(texts::kNameBuffer + upperChannelLabel_->text());
    answersMemo_->setAccessibleName(texts::kNameBuffer + lowerChannelLabel_->text());
}

void MainWindow::ShowSections(Sections shown) {
    const bool showUpper = shown.upper, showLower = shown.lower;
    if (state_.WorkMode == kModemWork)
        LabelForModem();
    else if (state_.WorkMode == kControllerWork)
        LabelForController();
    SetCaption(lowerSubtitle_, upperSubtitle_->text());

    for (QWidget* w : std::initializer_list<QWidget*>{
             listMemo_, specialCharsBox_, upperTitle_, upperSubtitle_, loadButton_, saveButton_,
             writeOrClearButton_, groupRuleLabel_, middleLine_})
        w->setVisible(showUpper);
    for (QWidget* w : std::initializer_list<QWidget*>{answersMemo_, lowerTitle_, lowerSubtitle_,
                                                      viewOrLoadButton_, commandOrClearButton_})
        w->setVisible(showLower);
    for (QWidget* w : std::initializer_list<QWidget*>{bottomLine_, readControllerButton_,
                                                      writeControllerButton_})
        w->setVisible(shown.controllerButtons);
    const bool controller = showUpper && state_.WorkMode == kControllerWork;
    upperChannelLabel_->setVisible(controller);
    const bool twoChannels = controller && device::TwoChannelKit(state_.KitIndex);
    lowerSaveButton_->setVisible(twoChannels);
    lowerChannelLabel_->setVisible(twoChannels);
    const bool ringCount = showUpper && state_.ModemMode;
    for (QWidget* w :
         std::initializer_list<QWidget*>{ringCountFrame_, ringCountLabel_, ringCountField_})
        w->setVisible(ringCount);
    const bool modemCheck = showLower && state_.ModemMode;
    checkModemButton_->setVisible(modemCheck);
    checkAfterRunBox_->setVisible(modemCheck);
    ShowCommandField(false);
}

void MainWindow::ToggleModemMode() {
    ClearRunStatus();
    const bool down = modemModeButton_->isChecked();
    if (down) controllerModeButton_->setChecked(false);  // goes up without its handler
    state_.WorkMode = kModemWork;
    state_.ModemMode = true;
    ringCountField_->setValue(0);
    RemoveAnswerReceiver();
    ShowSections({.upper = down, .lower = down});
    if (!down) {
        helpContext_ = kHelpIdle;
        return;
    }
    helpContext_ = kHelpModem;
    state_.PortReady = false;
    RestoreDesignHint(loadButton_);
    SetHint(writeOrClearButton_, texts::kHintWriteModem);
    SetHint(saveButton_, texts::kHintSaveModemList);
    RestoreDesignHint(viewOrLoadButton_);
    RestoreDesignHint(commandOrClearButton_);
    SetHint(listMemo_, texts::kHintModemList);
    SetHint(answersMemo_, texts::kHintModemAnswers);
    openDialog_.Filter = FromView(kModemListFilter);
    saveDialog_.Filter = FromView(kModemListFilter);
    saveDialog_.DefaultExt = FromView(kModemListExt);
    answersMemo_->setReadOnly(true);
    listMemo_->ClearLines();
    answersMemo_->ClearLines();
    state_.SavedDigitAnswers = false;
    RunConsole([](ModemConsole& c) { c.ClearDigitAnswers(); });
    // Offered once a run has been made.
    checkModemButton_->setEnabled(false);
}

void MainWindow::ToggleControllerMode() {
    ClearRunStatus();
    const bool down = controllerModeButton_->isChecked();
    if (down) modemModeButton_->setChecked(false);
    RemoveAnswerReceiver();
    state_.WorkMode = kControllerWork;
    smsBox_->hide();
    state_.ModemMode = false;
    if (down) {
        // The kit menu opens below the button, aligned with its left edge.
        const QPoint corner(
            controllerModeButton_->x(),
            controllerModeButton_->y() + controllerModeButton_->height() + kKitMenuGap);
        kitMenu_->popup(panel_->mapToGlobal(corner));
        return;
    }
    if (state_.ClearBuffer1 || state_.ClearBuffer2) {
        if (view_.Confirm(texts::kAskStoreChanges.toStdString())) {
            state_.ReadFromDevice = false;
            ShowControllerDialog();
        }
    }
    ShowSections({});
    helpContext_ = kHelpIdle;
}

void MainWindow::ExitProgram() {
    if (exitButton_->isChecked()) close();
}

void MainWindow::MarkChosenKit() {
    const auto items = kitMenu_->actions();
    for (int i = 0; i < items.size(); ++i) items[i]->setChecked(i == state_.KitIndex);
}

void MainWindow::SetKitCaption() {
    if (state_.KitIndex < device::KitTitles.size())
        setWindowTitle(texts::kKitCaptions[state_.KitIndex]);
}

void MainWindow::ChooseKit(QAction* item) {
    state_.KitIndex = static_cast<std::uint8_t>(item->data().toInt());
    SetKitCaption();
    helpContext_ = kHelpController;
    const bool down = controllerModeButton_->isChecked();
    const bool twoChannels = device::TwoChannelKit(state_.KitIndex);
    ShowSections({.upper = down, .lower = twoChannels && down, .controllerButtons = down});
    state_.ClearBuffer1 = false;
    state_.ClearBuffer2 = false;
    state_.PortReady = false;
    const QString upper = upperChannelLabel_->text();
    SetHint(loadButton_, texts::kHintLoadBuffer + upper);
    SetHint(writeOrClearButton_, texts::kHintClearBuffer + upper);
    SetHint(saveButton_, texts::kHintSaveBuffer + upper);
    if (twoChannels) {
        const QString lower = lowerChannelLabel_->text();
        SetHint(viewOrLoadButton_, texts::kHintLoadBuffer + lower);
        SetHint(commandOrClearButton_, texts::kHintClearBuffer + lower);
        SetHint(lowerSaveButton_, texts::kHintSaveBuffer + lower);
    }
    SetHint(listMemo_, texts::kHintMemoBuffer + upper);
    SetHint(answersMemo_, texts::kHintMemoBuffer + lowerChannelLabel_->text());
    SetHint(readControllerButton_, texts::kHintReadController);
    SetHint(writeControllerButton_, texts::kHintWriteController);
    answersMemo_->setReadOnly(false);
    listMemo_->ClearLines();
    answersMemo_->ClearLines();
}

void MainWindow::ReadFromController() {
    state_.ReadFromDevice = true;
    ShowControllerDialog();
}

void MainWindow::WriteToController() {
    if (listMemo_->LineCount() + answersMemo_->LineCount() >= 1 || state_.ClearBuffer1 ||
        state_.ClearBuffer2) {
        // A letter the controller would take for the end of its buffer is
        // refused before the write is even offered.
        const std::string erased =
            device::ErasedByteText(device::KitBuffersOf(state_.KitIndex), ListLines(),
                                   AnswerLines(), state_.ClearBuffer1, state_.ClearBuffer2);
        if (!erased.empty()) {
            view_.ShowError(erased);
            return;
        }
        state_.ReadFromDevice = false;
        if (view_.Confirm(texts::kAskWrite.toStdString())) ShowControllerDialog();
        return;
    }
    view_.ShowInformation(texts::kNothingToWrite.toStdString());
}

void MainWindow::ShowControllerDialog() {
    if (!controllerDialog_ || !jobs_) return;
    // The settings record belongs to the job thread: the dialog is prepared
    // from a copy taken there, after what the job thread still had to do.
    auto settings = std::make_shared<TPortSettings>();
    jobs_->Post([this, settings] { *settings = link_.Settings; },
                [this, settings] {
                    controllerDialog_->Prepare(state_.KitIndex, *settings);
                    controllerDialog_->ShowModal();
                });
}

void MainWindow::ToggleByteTrace() { state_.TraceBytes = !state_.TraceBytes; }

void MainWindow::ShowLog(QWidget* owner) {
    if (!log_) return;
    if (!logWindow_) logWindow_ = new LogWindow(*log_, view_, this);
    logWindow_->ShowOver(owner ? owner : this);
}

void MainWindow::ShowHelpContents() {
    if (!help_) help_ = new HelpViewer(QString::fromStdString(state_.HelpFileName), this);
    help_->setParent(this, Qt::Window);
    help_->ShowContents();
}

void MainWindow::ShowHelpContext(int context, QWidget* owner) {
    if (!help_) help_ = new HelpViewer(QString::fromStdString(state_.HelpFileName), this);
    // Parented to the window asking, so that it stays usable over a modal dialog.
    help_->setParent(owner ? owner : this, Qt::Window);
    help_->ShowContext(context);
}

}  // namespace hk
