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
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <algorithm>
#include <exception>

#include "app/NetworkScanDialog.h"
#include "device/ControllerJob.h"
#include "device/LinkSearch.h"
#include "gui/Fonts.h"
#include "gui/PortHints.h"
#include "gui/RadioGroup.h"
#include "gui/Text.h"
#include "gui/Widgets.h"

namespace hk {
namespace {

constexpr int kDesignWidth = 528;
// Forty pixels taller than designed: the rows of the safe write's two
// check boxes lie between the channel and the result frame.
constexpr int kDesignHeight = 460;
constexpr int kButtonsTop = 424;
constexpr int kStatusHeight = 20;

}  // namespace

ControllerDialog::ControllerDialog(MainState& state, SerialLink& link, ViewHooks& view,
                                   ModemWindow& mainWindow, HelpRequest help, QWidget* parent)
    : QDialog(parent),
      state_(state),
      link_(link),
      view_(view),
      mainWindow_(mainWindow),
      help_(std::move(help)),
      job_(std::make_unique<device::ControllerJob>(state, link,
                                                   static_cast<device::ControllerView&>(*this))) {
    setObjectName(QStringLiteral("Fm3"));
    setFont(WindowFont(11));  // 8 points at 96 dpi
    CreateControls();
    LoadWriteChoices();
    ConnectHandlers();
    RecordDesign();
}

ControllerDialog::~ControllerDialog() = default;

void ControllerDialog::CreateControls() {
    searchNumbersBox_ = new QCheckBox(QStringLiteral("Подбор сетевого номера"), this);
    searchNumbersBox_->setObjectName(QStringLiteral("CheckBox1"));
    searchNumbersBox_->setGeometry(8, 6, 160, 18);
    searchNumbersBox_->setChecked(true);
    // Not in the original design: the network inventory, beside the search.
    scanButton_ = new QPushButton(QStringLiteral("Опрос сети..."), this);
    scanButton_->setObjectName(QStringLiteral("ScanButton"));
    scanButton_->setAccessibleDescription(
        QStringLiteral("Найти все КВАРД на линии: их номера, скорости, комплекты и состояние"));
    scanButton_->setGeometry(170, 3, 92, 24);
    scanButton_->setAutoDefault(false);

    numberFrame_ = MakeBevel(this, "Bevel1", QFrame::Box);
    numberFrame_->setGeometry(8, 28, 254, 72);
    numberViewGroup_ =
        new RadioGroup(QStringLiteral("RadioGroup1"), QStringLiteral("Вид сетевого номера"),
                       {QStringLiteral("Hex"), QStringLiteral("Dec")}, 1, this);
    numberViewGroup_->setGeometry(14, 32, 112, 62);
    numberViewGroup_->SetItemIndex(1);
    numberLabel_ = MakeLabel(this, "Label1", QStringLiteral("Сетевой номер"));
    numberLabel_->setGeometry(134, 38, 120, 14);
    numberField_ = new QLineEdit(this);
    numberField_->setObjectName(QStringLiteral("Edit1"));
    numberField_->setAccessibleName(QStringLiteral("Сетевой номер"));
    numberField_->setGeometry(134, 56, 120, 22);

    speedFrame_ = MakeBevel(this, "Bevel2", QFrame::Box);
    speedFrame_->setGeometry(8, 104, 254, 54);
    speedLabel_ = MakeLabel(this, "Label2", QStringLiteral("Скорость обмена"));
    speedLabel_->setGeometry(14, 108, 200, 14);
    speedList_ = new QComboBox(this);
    speedList_->setObjectName(QStringLiteral("ComboBox1"));
    speedList_->setAccessibleName(QStringLiteral("Скорость обмена"));
    speedList_->addItems({QStringLiteral("Подбор"), QStringLiteral("    300 бод"),
                          QStringLiteral("    600 бод"), QStringLiteral("  1200 бод"),
                          QStringLiteral("  2400 бод"), QStringLiteral("  4800 бод"),
                          QStringLiteral("  9600 бод"), QStringLiteral("19200 бод")});
    speedList_->setGeometry(14, 126, 240, 24);

    passwordLabel_ = MakeLabel(this, "Label8", QStringLiteral("Пароль доступа"));
    passwordLabel_->setGeometry(8, 168, 120, 14);
    passwordField_ = new QLineEdit(this);
    passwordField_->setObjectName(QStringLiteral("Edit2"));
    passwordField_->setAccessibleName(QStringLiteral("Пароль доступа"));
    passwordField_->setProperty("Tag", 2);
    passwordField_->setGeometry(134, 164, 128, 22);

    portGroup_ = new RadioGroup(QStringLiteral("RG2"), QStringLiteral("Номер СОМ-порта"),
                                {QStringLiteral("Com1"), QStringLiteral("Com2"),
                                 QStringLiteral("Com3"), QStringLiteral("Com4")},
                                2, this);
    portGroup_->setGeometry(8, 192, 124, 64);
    portGroup_->SetItemIndex(1);
    linkGroup_ = new RadioGroup(QStringLiteral("RadioGroup2"), QStringLiteral("Вид связи с КВАРД"),
                                {QStringLiteral("Rs-232"), QStringLiteral("ИРПС")}, 1, this);
    linkGroup_->setGeometry(138, 192, 124, 64);
    linkGroup_->SetItemIndex(0);
    channelGroup_ = new RadioGroup(QStringLiteral("RG3"), QStringLiteral("Канал обмена"),
                                   {QStringLiteral("МЦП "), QStringLiteral("МПИ ")}, 2, this);
    channelGroup_->setGeometry(8, 260, 254, 44);
    channelGroup_->SetItemIndex(0);

    protocolPanel_ = new QFrame(this);
    protocolPanel_->setObjectName(QStringLiteral("Panel2"));
    protocolPanel_->setFrameShape(QFrame::StyledPanel);
    protocolPanel_->setGeometry(270, 6, 250, 298);
    protocolGroup_ = new RadioGroup(QStringLiteral("Rprot"), QStringLiteral("Протокол обмена"),
                                    {QStringLiteral("Традиционный"), QStringLiteral("FT1.2")}, 1,
                                    protocolPanel_);
    protocolGroup_->setGeometry(6, 4, 238, 62);
    protocolGroup_->SetItemIndex(0);
    crcGroup_ = new RadioGroup(QStringLiteral("RCRC"), QStringLiteral("Контрольная сумма CRC"),
                               // The long item runs over two lines: on one it would
                               // not fit the panel.
                               {QStringLiteral("не расчитывается"),
                                QStringLiteral("расчит. и передается\nдополнительно в данных"),
                                QStringLiteral("пердается вместо КС и конца кадра")},
                               1, protocolPanel_);
    crcGroup_->setGeometry(6, 72, 238, 104);
    crcGroup_->SetItemIndex(0);
    crcGroup_->hide();

    backupBox_ = new QCheckBox(QStringLiteral("Резервная копия перед записью"), this);
    backupBox_->setObjectName(QStringLiteral("BackupBox"));
    backupBox_->setAccessibleDescription(
        QStringLiteral("Перед записью прочитать буферы КВАРД и сохранить их в папке backups"));
    backupBox_->setGeometry(8, 308, 254, 18);
    verifyBox_ = new QCheckBox(QStringLiteral("Проверка записанного чтением"), this);
    verifyBox_->setObjectName(QStringLiteral("VerifyBox"));
    verifyBox_->setAccessibleDescription(
        QStringLiteral("После записи прочитать буферы КВАРД и сравнить с записанным"));
    verifyBox_->setGeometry(8, 326, 254, 18);

    resultFrame_ = MakeBevel(this, "Bevel3", QFrame::Box);
    resultFrame_->setGeometry(8, 350, kDesignWidth - 16, 44);
    QFont resultFont = font();
    resultFont.setBold(true);
    resultFont.setItalic(true);
    numberUnderTest_ = MakeLabel(this, "Label3", QString());
    resultLabel_ = MakeLabel(this, "Label4", QString());
    numberUnderTest_->setGeometry(16, 354, 300, 16);
    resultLabel_->setGeometry(16, 373, 300, 16);
    for (QLabel* l : {numberUnderTest_, resultLabel_}) {
        l->setFont(resultFont);
        SetTextColour(l, kTeal);
    }

    gaugeFrame_ = MakeBevel(this, "Bevel6", QFrame::Box);
    gaugeFrame_->setGeometry(6, 398, kDesignWidth - 12, 22);
    gauge_ = new QProgressBar(this);
    gauge_->setObjectName(QStringLiteral("Gg1"));
    gauge_->setAccessibleName(QStringLiteral("Ход записи в КВАРД"));
    gauge_->setRange(0, 100);
    gauge_->setValue(0);
    gauge_->setGeometry(8, 400, kDesignWidth - 16, 18);
    gaugeFrame_->hide();
    gauge_->hide();

    searchButton_ = new QPushButton(QStringLiteral("Подбор"), this);
    searchButton_->setObjectName(QStringLiteral("Button1"));
    searchButton_->setGeometry(kDesignWidth - 8 - 90 - 8 - 90, kButtonsTop, 90, 26);
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("Button2"));
    exitButton_->setGeometry(kDesignWidth - 8 - 90, kButtonsTop, 90, 26);
    logButton_ = new QPushButton(QStringLiteral("Журнал"), this);
    logButton_->setObjectName(QStringLiteral("LogButton"));
    logButton_->setAccessibleDescription(
        QStringLiteral("Журнал обмена: всё, что передано в порт и принято из него (Ctrl+L)"));
    logButton_->setGeometry(8, kButtonsTop, 64, 26);
    for (QPushButton* b : {searchButton_, exitButton_, logButton_}) b->setAutoDefault(false);

    statusBar_ = new QStatusBar(this);
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

void ControllerDialog::ConnectHandlers() {
    connect(searchButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { job_->Search(); }); });
    connect(exitButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { job_->Exit(); }); });
    connect(tickTimer_, &QTimer::timeout, this, [this] { Guarded([this] { job_->Tick(); }); });
    connect(logButton_, &QPushButton::clicked, this, [this] { ShowLog(); });
    connect(scanButton_, &QPushButton::clicked, this,
            [this] { Guarded([this] { ScanNetwork(); }); });
    for (QCheckBox* box : {backupBox_, verifyBox_})
        connect(box, &QCheckBox::toggled, this, [this] { StoreWriteChoices(); });
    connect(protocolGroup_, &RadioGroup::Clicked, this, [this] { ShowCrcChoice(); });
    connect(searchNumbersBox_, &QCheckBox::clicked, this, [this] { job_->SearchBoxClicked(); });
    connect(numberField_, &QLineEdit::textChanged, this, [this] { job_->CheckNetNumber(); });
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
        if (code.size() == 1 &&
            !job_->KeyPress(static_cast<unsigned char>(code[0]), watched == passwordField_))
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
    if (state_.KitIndex == 1) channelGroup_->hide();
    channelGroup_->SetItemIndex(0);
    ShowFields(false, false);
    savedWidth_ = width();
    savedButton1Left_ = searchButton_->x();
    savedButton2Left_ = exitButton_->x();
}

void ControllerDialog::Prepare(std::uint8_t kitIndex, const TPortSettings& settings) {
    int narrowing = 0;
    const bool basicKit = kitIndex == 0;
    if (!basicKit) {
        protocolGroup_->SetItemIndex(settings.Protocol);
        if (protocolGroup_->ItemIndex() == 1) {
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
    if (state_.KitIndex == 1) {
        channelGroup_->hide();
        channelGroup_->SetItemIndex(0);
    } else {
        channelGroup_->show();
    }
    setWindowTitle(state_.ReadFromDevice ? QStringLiteral("Чтение из КВАРД настроек Hayes-модема ")
                                         : QStringLiteral("Запись в КВАРД настроек Hayes-модема "));
    statusBar_->clearMessage();
    job_->Opened();  // re-reads the settings, shows a kept number
    portGroup_->SetItemIndex(link_.Settings.PortIndex);  // past "Com4" selects "Com4"
    DescribePortItems(*portGroup_, state_.CfgFileName);  // which device each port opens
    linkGroup_->SetItemIndex(link_.Settings.LinkKind == 0 ? 0 : 1);
    ShowFields(!searchNumbersBox_->isChecked(), false);
    ClearJobDisplay();
    for (QCheckBox* box : {backupBox_, verifyBox_}) box->setVisible(!state_.ReadFromDevice);
    tickTimer_->start();
}

// Every closing comes here: "Выход", the job's own close after a read, a
// write or a stop, the title-bar button and Escape. The last two wait for a
// run under way to return.
void ControllerDialog::done(int result) {
    if (!closingForJob_ && !job_->MayClose()) return;
    closingForJob_ = false;
    tickTimer_->stop();
    ClearOnClose();
    job_->Closed();
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
int ControllerDialog::PortChoice() { return std::max(0, portGroup_->ItemIndex()); }
std::string ControllerDialog::PortName() {
    return portGroup_->ItemText(PortChoice()).toStdString();
}
int ControllerDialog::ProtocolChoice() { return std::max(0, protocolGroup_->ItemIndex()); }
int ControllerDialog::CrcChoice() { return std::max(0, crcGroup_->ItemIndex()); }
bool ControllerDialog::CurrentLoopChosen() { return linkGroup_->ItemIndex() == 1; }
int ControllerDialog::ChannelChoice() { return std::max(0, channelGroup_->ItemIndex()); }
bool ControllerDialog::SearchAllNumbers() { return searchNumbersBox_->isChecked(); }
std::string ControllerDialog::NumberText() { return numberField_->text().toStdString(); }
bool ControllerDialog::HexView() { return numberViewGroup_->ItemIndex() == 0; }
int ControllerDialog::SpeedChoice() { return speedList_->currentIndex(); }
std::string ControllerDialog::PasswordText() { return passwordField_->text().toStdString(); }
bool ControllerDialog::BackupBeforeWrite() { return backupBox_->isChecked(); }
bool ControllerDialog::VerifyAfterWrite() { return verifyBox_->isChecked(); }

// The network inventory over this dialog's line; a controller chosen there
// comes back as the number and speed of the next "Подбор".
void ControllerDialog::ScanNetwork() {
    if (job_->Running()) return;
    ScanLink scan;
    scan.portName = PortName();
    scan.protocol = ProtocolChoice();
    scan.crcMode = CrcChoice();
    scan.currentLoop = CurrentLoopChosen();
    scan.channel = ChannelChoice();
    scan.hexView = HexView();
    scan.summary = portGroup_->ItemText(PortChoice()) + QStringLiteral(", ") +
                   protocolGroup_->ItemText(ProtocolChoice()) + QStringLiteral(", ") +
                   linkGroup_->ItemText(std::max(0, linkGroup_->ItemIndex())) +
                   QStringLiteral(", ") + channelGroup_->ItemText(ChannelChoice()).trimmed();
    if (!scanDialog_) scanDialog_ = new NetworkScanDialog(state_, link_, view_, this);
    scanDialog_->Open(scan, [this](int number, int speedIndex) {
        searchNumbersBox_->setChecked(false);
        job_->SearchBoxClicked();
        SetNumberText(device::NetNumberText(static_cast<std::uint8_t>(number), HexView()));
        speedList_->setCurrentIndex(speedIndex + 1);
    });
}

void ControllerDialog::ShowLog() {
    if (logRequest_) logRequest_(this);
}

// The safe write's choices are the operator's, kept from one run of the
// program to the next in a file of their own (the settings file keeps its
// eight bytes).
QString ControllerDialog::ChoicesFile() const {
    return QString::fromStdString(state_.DataDir) + QStringLiteral("HayesKvd.ini");
}

void ControllerDialog::LoadWriteChoices() {
    const QSettings choices(ChoicesFile(), QSettings::IniFormat);
    backupBox_->setChecked(choices.value(QStringLiteral("write/backup"), true).toBool());
    verifyBox_->setChecked(choices.value(QStringLiteral("write/verify"), true).toBool());
}

void ControllerDialog::StoreWriteChoices() {
    QSettings choices(ChoicesFile(), QSettings::IniFormat);
    choices.setValue(QStringLiteral("write/backup"), backupBox_->isChecked());
    choices.setValue(QStringLiteral("write/verify"), verifyBox_->isChecked());
}
void ControllerDialog::SetNumberText(const std::string& text) {
    numberField_->setText(FromUtf8(text));
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

void ControllerDialog::ShowFields(bool manual, bool results) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{numberFrame_, numberViewGroup_, numberField_, numberLabel_,
                                         speedFrame_, speedLabel_, speedList_})
        w->setVisible(manual);
    for (QWidget* w : std::initializer_list<QWidget*>{resultFrame_, numberUnderTest_, resultLabel_})
        w->setVisible(results);
}

void ControllerDialog::ShowCrcChoice() { crcGroup_->setVisible(protocolGroup_->ItemIndex() == 1); }

}  // namespace hk
