#include "app/TFm1.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTime>
#include <QTimer>
#include <climits>
#include <exception>

#include "app/MainTexts.h"
#include "app/Startup.h"
#include "app/TFm2.h"
#include "device/ui/TFm3.h"
#include "gui/Fonts.h"
#include "gui/HelpViewer.h"
#include "gui/Memo.h"
#include "gui/Text.h"
#include "gui/Widgets.h"
#include "modem/ListFiles.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

// The panel's size in the window's design; the memos follow its right (and
// for Memo2 its bottom) edge from there.
constexpr int kDesignPanelWidth = 658;
constexpr int kDesignPanelHeight = 427;
constexpr int kStatusPanel0Width = 500;
constexpr int kStatusPanel1Width = 50;

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

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

}  // namespace

TFm1::TFm1(MainState& state, SerialLink& link, ViewHooks& view, const QString& programDir)
    : state_(state), link_(link), view_(view) {
    setObjectName(QStringLiteral("Fm1"));
    setWindowTitle(texts::kDesignCaption);
    CreateControls();
    CreateKitMenu();
    FormCreate(programDir);
}

TFm1::~TFm1() = default;

void TFm1::CreateControls() {
    panel1_ = new QWidget(this);
    panel1_->setObjectName(QStringLiteral("Panel1"));
    const QFont font = WindowFont(11);
    panel1_->setFont(font);
    // Narrow button margins keep the longest captions inside 158 pixels.
    panel1_->setStyleSheet(QStringLiteral("QPushButton { padding: 1px 2px; }"));
    setCentralWidget(panel1_);
    QWidget* p = panel1_;

    SBtk = MakeButton(p, "SBtk", QStringLiteral("Модем для КВАРД"));
    SBbuf = MakeButton(p, "SBbuf", QStringLiteral("Настройка КВАРД"));
    SpeedButton1 = MakeButton(p, "SpeedButton1", QStringLiteral("Помощь"));
    SBEx = MakeButton(p, "SBEx", QStringLiteral("Выход "));
    for (QPushButton* b : {SBtk, SBbuf, SBEx}) b->setCheckable(true);
    Place(SBtk, 3, 3, 150, 25);
    Place(SBbuf, 155, 3, 150, 25);
    Place(SpeedButton1, 495, 3, 75, 25);
    Place(SBEx, 573, 3, 75, 25);
    SetHint(SBtk, QStringLiteral("Ввод и просмотр настроек Hayes-модема для КВАРД"));
    SetHint(SBbuf, QStringLiteral("Ввод и просмотр настроек Hayes-модема в буфере КВАРД"));
    SetHint(SBEx, QStringLiteral("Выход из программы"));

    Bevel1 = MakeBevel(p, "Bevel1", QFrame::HLine);
    Place(Bevel1, 0, 32, 654, 2);
    CheckBox1 = new QCheckBox(QStringLiteral("Передача SMS"), p);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    Place(CheckBox1, 388, 35, 97, 17);
    CheckBox1->hide();
    Label9 = MakeLabel(p, "Label9",
                       QStringLiteral("Ввод произвольных символов <LF>,<CR>;\n"
                                      " если не ввели, то добавляется <CR>\n"
                                      "после каждой строки "));
    Label9->setTextFormat(Qt::PlainText);
    // Right-aligned with Memo1 rather than at 164: there its third line ran
    // into the channel caption Label5 of the controller layout.
    Place(Label9, 428, 35, 214, 39);
    Label1 = MakeLabel(p, "Label1", QStringLiteral("Стандартные настройки "));
    Place(Label1, 2, 45, 155, 13);
    Label8 = MakeLabel(p, "Label8", QStringLiteral("Версия 1.5 от 03/02/2006 г."));
    QFont versionFont = font;
    versionFont.setPixelSize(15);
    versionFont.setItalic(true);
    Label8->setFont(versionFont);
    SetTextColour(Label8, kMaroon);
    Place(Label8, 448, 48, 190, 17);
    Label8->adjustSize();  // sized to its text, as the designer's labels are
    Label4 = MakeLabel(p, "Label4", QStringLiteral("Hayes-модема"));
    Place(Label4, 60, 58, 92, 13);
    Label5 = MakeLabel(p, "Label5", QString());
    Place(Label5, 162, 58, 0, 13);
    Memo1 = new Memo(QStringLiteral("Memo1"), p);
    Place(Memo1, 162, 75, 480, 123);
    anchored_.append({Memo1, QRect(162, 75, 480, 123), true, false});
    SetHint(Memo1, QStringLiteral("Просмотр и коррекция стандартных настроек Hayes-модема"));

    Button1 = MakeButton(p, "Button1", QStringLiteral("Прочитать из файла"));
    Button4 = MakeButton(p, "Button4", QStringLiteral("Сохранить в файле"));
    Button2 = MakeButton(p, "Button2", QStringLiteral("Записать в модем"));
    Place(Button1, 2, 75, 158, 25);
    Place(Button4, 2, 100, 158, 25);
    Place(Button2, 2, 125, 158, 25);
    SetHint(Button1, QStringLiteral("Просмотр и изменение файла настроек Hayes-модема для КВАРД"));
    Bevel3 = MakeBevel(p, "Bevel3", QFrame::Box);
    Place(Bevel3, 2, 155, 110, 22);
    Label3 = MakeLabel(p, "Label3", QStringLiteral("Количество звонков"));
    Place(Label3, 4, 157, 104, 13);
    SpinEdit1 = new QSpinBox(p);
    SpinEdit1->setObjectName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setAccessibleName(QStringLiteral("SpinEdit1"));
    SpinEdit1->setRange(INT_MIN, INT_MAX);  // no limits
    SpinEdit1->setValue(0);
    Place(SpinEdit1, 112, 155, 49, 22);
    SetHint(SpinEdit1, QStringLiteral("Ввод количества звонков"));
    CheckBox2 = new QCheckBox(QStringLiteral("Показать спец. символы"), p);
    CheckBox2->setObjectName(QStringLiteral("CheckBox2"));
    Place(CheckBox2, 4, 180, 157, 17);
    Bevel2 = MakeBevel(p, "Bevel2", QFrame::HLine);
    Place(Bevel2, 0, 200, 654, 2);

    Label2 = MakeLabel(p, "Label2", QStringLiteral("Текущие настройки"));
    Place(Label2, 2, 210, 125, 13);
    Label7 = MakeLabel(p, "Label7", QStringLiteral("Hayes-модема"));
    Place(Label7, 60, 224, 92, 13);
    Label6 = MakeLabel(p, "Label6", QString());
    Place(Label6, 162, 224, 0, 13);
    Memo2 = new Memo(QStringLiteral("Memo2"), p);
    Place(Memo2, 162, 240, 482, 127);
    anchored_.append({Memo2, QRect(162, 240, 482, 127), true, true});
    SetHint(Memo2, QStringLiteral("Просмотр ответов Hayes-модема"));
    Button3 = MakeButton(p, "Button3", QStringLiteral("Прсмотр текущих настроек ..."));
    Button6 = MakeButton(p, "Button6", QStringLiteral("Сохранить в файле"));
    Button5 = MakeButton(p, "Button5", QStringLiteral("Ввод АТ - команды"));
    Place(Button3, 2, 240, 158, 25);
    Place(Button6, 2, 265, 158, 25);
    Place(Button5, 2, 290, 158, 25);
    SetHint(Button3, QStringLiteral("Просмотр текущих настроек Hayes-модема"));
    SetHint(Button5, QStringLiteral("Ввод AT-команды в Hayes-модем"));
    Edit1 = new QLineEdit(p);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Edit1"));
    Place(Edit1, 4, 317, 156, 21);
    Bevel5 = MakeBevel(p, "Bevel5", QFrame::HLine);
    Place(Bevel5, 0, 366, 654, 2);
    Button7 = MakeButton(p, "Button7", QStringLiteral("Прочитать из КВАРД"));
    Button8 = MakeButton(p, "Button8", QStringLiteral("Записать в КВАРД"));
    Place(Button7, 2, 370, 158, 25);
    Place(Button8, 2, 395, 158, 25);

    const QFont teal12 = TealFont(font);
    for (QLabel* l : {Label1, Label2, Label4, Label5, Label6, Label7}) {
        l->setFont(teal12);
        SetTextColour(l, kTeal);
    }
    for (QLabel* l : {Label1, Label2, Label4, Label5, Label6, Label7, Label9}) l->adjustSize();
    Label1->hide();
    Label5->hide();
    Label6->hide();
    Memo1->hide();

    // Status bar: the hint panel and the clock.
    SB1Panel0 = new QLabel(this);
    SB1Panel0->setObjectName(QStringLiteral("SB1Panel0"));
    SB1Panel0->setFixedWidth(kStatusPanel0Width);
    SB1Panel1 = new QLabel(this);
    SB1Panel1->setObjectName(QStringLiteral("SB1Panel1"));
    SB1Panel1->setFixedWidth(kStatusPanel1Width + 12);
    statusBar()->setObjectName(QStringLiteral("SB1"));
    statusBar()->setFont(font);
    statusBar()->addWidget(SB1Panel0);
    statusBar()->addWidget(SB1Panel1);
    statusBar()->setSizeGripEnabled(true);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
    connect(Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });
    Timer1->start();
    idleTimer_ = new QTimer(this);
    idleTimer_->setObjectName(QStringLiteral("IdleTimer"));
    idleTimer_->setInterval(0);

    // Client area: the design's panel plus the status bar; centred by the
    // window system on first show.
    resize(kDesignPanelWidth, kDesignPanelHeight + statusBar()->sizeHint().height());

    auto on = [this](QPushButton* b, void (TFm1::*handler)()) {
        connect(b, &QPushButton::clicked, this,
                [this, handler] { Guarded([=, this] { (this->*handler)(); }); });
    };
    on(SBtk, &TFm1::SBtkClick);
    on(SBbuf, &TFm1::SBbufClick);
    on(SBEx, &TFm1::SBExClick);
    on(SpeedButton1, &TFm1::SpeedButton1Click);
    on(Button7, &TFm1::Button7Click);
    on(Button8, &TFm1::Button8Click);
    WireModemSide();
    Label1->installEventFilter(this);
    Label8->installEventFilter(this);
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] { ShowHelpContext(helpContext_, this); });
}

void TFm1::CreateKitMenu() {
    popupMenu1_ = new QMenu(this);
    popupMenu1_->setObjectName(QStringLiteral("PopupMenu1"));
    for (int i = 0; i < 4; ++i) {
        QAction* item = popupMenu1_->addAction(texts::kKitItems[i]);
        item->setObjectName(texts::kKitItemNames[i]);
        item->setData(i);  // the item's tag is its kit index
        item->setCheckable(true);
    }
    connect(popupMenu1_, &QMenu::aboutToShow, this, [this] { PopupMenu1Popup(); });
    connect(popupMenu1_, &QMenu::triggered, this,
            [this](QAction* item) { Guarded([=, this] { N1Click(item); }); });
}

void TFm1::FormCreate(const QString& programDir) {
    openDialog1_.InitialDir = programDir;
    saveDialog1_.InitialDir = programDir;
    // The hint handler is this window's status-tip handling (event()).
    RunStartupSteps(state_, link_, programDir.toStdString());
    Label8->show();
    Label8->move(Label8->x(), Memo1->y() + 5);
}

void TFm1::Place(QWidget* w, int left, int top, int width, int height) {
    w->setGeometry(left, top, width, height);
}

void TFm1::FollowPanelSize() {
    const int dw = panel1_->width() - kDesignPanelWidth;
    const int dh = panel1_->height() - kDesignPanelHeight;
    for (const Anchored& a : anchored_) {
        QRect r = a.w->geometry();
        if (a.right) r.setWidth(std::max(40, a.design.width() + dw));
        if (a.bottom) r.setHeight(std::max(40, a.design.height() + dh));
        a.w->setGeometry(r);
    }
}

void TFm1::closeEvent(QCloseEvent* e) {
    QMainWindow::closeEvent(e);
    // The program ends with its main window, also while the help is open.
    QCoreApplication::quit();
}

void TFm1::resizeEvent(QResizeEvent* e) {
    QMainWindow::resizeEvent(e);
    FollowPanelSize();
}

void TFm1::SetHint(QWidget* w, const QString& hint) {
    w->setStatusTip(hint);
    w->setAccessibleDescription(hint);
}

void TFm1::Guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        view_.ShowError(e.what());
    }
}

bool TFm1::event(QEvent* e) {
    if (e->type() == QEvent::StatusTip) {
        ShowAppHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return QMainWindow::event(e);
}

bool TFm1::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress && FilterKey(watched, static_cast<QKeyEvent*>(e)))
        return true;
    if (e->type() == QEvent::FocusOut && watched == SpinEdit1 && console_)
        Guarded([this] { console_->SpinEdit1Exit(); });
    if (e->type() == QEvent::MouseButtonDblClick && (watched == Label1 || watched == Label8)) {
        Label1DblClick();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void TFm1::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    if (!activated_) {
        activated_ = true;
        if (const QScreen* screen = this->screen())
            move(screen->availableGeometry().center() - frameGeometry().center() + pos());
        Guarded([this] { FormActivate(); });
    }
}

void TFm1::ShowAppHint(const QString& hint) { SB1Panel0->setText(hint); }

void TFm1::Timer1Timer() {
    SB1Panel1->setText(QTime::currentTime().toString(QStringLiteral("H:mm:ss")));
}

void TFm1::WireModemSide() {
    using Action = void (*)(ModemConsole&);
    auto forward = [this](QPushButton* b, Action action) {
        connect(b, &QPushButton::clicked, this, [this, action] { RunConsole(action); });
    };
    forward(Button1, [](ModemConsole& c) { c.Button1Click(); });
    forward(Button2, [](ModemConsole& c) { c.Button2Click(); });
    forward(Button3, [](ModemConsole& c) { c.Button3Click(); });
    forward(Button4, [](ModemConsole& c) { c.Button4Click(); });
    forward(Button5, [](ModemConsole& c) { c.Button5Click(); });
    forward(Button6, [](ModemConsole& c) { c.Button6Click(); });
    connect(idleTimer_, &QTimer::timeout, this,
            [this] { RunConsole([](ModemConsole& c) { c.ModemIdle(); }); });
    for (QObject* o : std::initializer_list<QObject*>{Memo1, Memo2, Edit1, SpinEdit1})
        o->installEventFilter(this);
}

void TFm1::RunConsole(void (*action)(ModemConsole&)) {
    Guarded([this, action] {
        if (console_) action(*console_);
    });
}

void TFm1::SetFileFilter(std::string_view filter, std::string_view defaultExt, bool save) {
    FileDialogSetup& setup = save ? saveDialog1_ : openDialog1_;
    setup.Filter = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
    if (save)
        setup.DefaultExt =
            QString::fromUtf8(defaultExt.data(), static_cast<qsizetype>(defaultExt.size()));
}

bool TFm1::FilterKey(QObject* watched, QKeyEvent* e) {
    if (!console_ || (watched != Memo1 && watched != Memo2 && watched != Edit1)) return false;
    std::uint8_t key = 0;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        key = 13;
    } else {
        const std::string code = ToCp1251(e->text());
        if (code.size() != 1) return false;  // no character, or a control key
        key = static_cast<std::uint8_t>(code[0]);
    }
    Guarded([&] { console_->Edit1KeyPress(key); });
    return key == 0;  // thrown away
}

void TFm1::RemoveIdleHandler() {
    if (console_)
        console_->RemoveIdleHandler();
    else
        idleTimer_->stop();
}

void TFm1::ShowCommandEdit(bool visible) { Edit1->setVisible(visible); }

void TFm1::FormActivate() {
    RemoveIdleHandler();
    Timer1Timer();
    state_.ModemMode = false;
    helpContext_ = 2;
    CheckBox1->setChecked(false);
    CheckBox1->hide();
    VisP(false, false, false);
}

void TFm1::VisP(bool showUpper, bool showLower, bool showDeviceButtons) {
    if (state_.WorkMode == 2) {
        anchored_[0].design = QRect(Memo1->x(), 48, anchored_[0].design.width(), 150);
        anchored_[1].design = QRect(Memo2->x(), 202, anchored_[1].design.width(), 215);
        SetCaption(Label4, QStringLiteral("Hayes-модема"));
        SetCaption(Label2, QStringLiteral("Текущие настройки"));
        Button2->setText(QStringLiteral("Записать в модем"));
        Button3->setText(QStringLiteral("Просмотр текущих настроек..."));
        Button5->setText(QStringLiteral("Ввод АТ - команды"));
    } else if (state_.WorkMode == 3) {
        SetCaption(Label4, QStringLiteral("буфера обмена"));
        SetCaption(Label2, QStringLiteral("Стандартные настройки"));
        Button2->setText(QStringLiteral("Очистить"));
        anchored_[0].design = QRect(Memo1->x(), 75, anchored_[0].design.width(), 123);
        anchored_[1].design = QRect(Memo2->x(), 240, anchored_[1].design.width(), 123);
        switch (state_.KitIndex) {
            case 0:
            case 3:
                Button3->setText(Button1->text());
                Button5->setText(Button2->text());
                SetCaption(Label5, texts::kChannelMcp);
                SetCaption(Label6, texts::kChannelMpi);
                break;
            case 1:
                SetCaption(Label5, texts::kChannelSerial);
                break;
            default:
                SetCaption(Label5, texts::kChannelMpi);
                break;
        }
    }
    if (state_.WorkMode == 2 || state_.WorkMode == 3) {
        for (const Anchored& a : anchored_) a.w->setGeometry(a.design);
        FollowPanelSize();
    }
    SetCaption(Label7, Label4->text());

    for (QWidget* w : std::initializer_list<QWidget*>{Memo1, CheckBox2, Label1, Label4, Button1,
                                                      Button4, Button2, Label9, Bevel2})
        w->setVisible(showUpper);
    for (QWidget* w : std::initializer_list<QWidget*>{Memo2, Label2, Label7, Button3, Button5})
        w->setVisible(showLower);
    for (QWidget* w : std::initializer_list<QWidget*>{Bevel5, Button7, Button8})
        w->setVisible(showDeviceButtons);
    const bool controller = showUpper && state_.WorkMode == 3;
    Label5->setVisible(controller);
    const bool twoChannels = controller && (state_.KitIndex == 0 || state_.KitIndex == 3);
    Button6->setVisible(twoChannels);
    Label6->setVisible(twoChannels);
    const bool ringCount = showUpper && state_.ModemMode;
    for (QWidget* w : std::initializer_list<QWidget*>{Bevel3, Label3, SpinEdit1})
        w->setVisible(ringCount);
    ShowCommandEdit(false);
}

void TFm1::SBtkClick() {
    const bool down = SBtk->isChecked();
    if (down) SBbuf->setChecked(false);  // the other button goes up without its handler
    state_.WorkMode = 2;
    state_.ModemMode = true;
    SpinEdit1->setValue(0);
    RemoveIdleHandler();
    VisP(down, down, false);
    if (!down) {
        helpContext_ = 4;
        return;
    }
    helpContext_ = 6;
    state_.PortReady = false;
    SetHint(Button1, QStringLiteral("Просмотр и изменение файла настроек Hayes-модема для КВАРД"));
    SetHint(Button2, QStringLiteral("Записать настройки в Hayes-модем "));
    SetHint(Button4, QStringLiteral("Сохранить в файле настройки Hayes-модема для КВАРД"));
    SetHint(Button3, QStringLiteral("Просмотр текущих настроек Hayes-модема"));
    SetHint(Button5, QStringLiteral("Ввод AT-команды в Hayes-модем"));
    SetHint(Memo1, QStringLiteral("Просмотр и коррекция настроек Hayes-модема "));
    SetHint(Memo2, QStringLiteral("Просмотр ответов Hayes-модема "));
    SetFileFilter(kModemListFilter, {}, false);
    SetFileFilter(kModemListFilter, kModemListExt, true);
    Memo2->setReadOnly(true);
    Memo1->ClearLines();
    Memo2->ClearLines();
    state_.SavedDigitAnswers = false;
    if (console_) console_->ClearDigitAnswers();
}

void TFm1::SBbufClick() {
    const bool down = SBbuf->isChecked();
    if (down) SBtk->setChecked(false);
    RemoveIdleHandler();
    state_.WorkMode = 3;
    CheckBox1->hide();
    state_.ModemMode = false;
    if (down) {
        const QPoint corner(SBbuf->x(), SBbuf->y() + SBbuf->height() + 5);
        popupMenu1_->popup(panel1_->mapToGlobal(corner));
        return;
    }
    if (state_.ClearBuffer1 || state_.ClearBuffer2) {
        if (view_.Confirm(texts::kAskStoreChanges.toStdString())) {
            state_.ReadFromDevice = false;
            ShowDeviceDialog();
        }
    }
    VisP(false, false, false);
    helpContext_ = 4;
}

void TFm1::SBExClick() {
    if (SBEx->isChecked()) close();
}

void TFm1::PopupMenu1Popup() {
    const auto items = popupMenu1_->actions();
    for (int i = 0; i < items.size(); ++i) items[i]->setChecked(i == state_.KitIndex);
}

void TFm1::SetKitCaption() {
    if (state_.KitIndex < 4) setWindowTitle(texts::kKitCaptions[state_.KitIndex]);
}

void TFm1::N1Click(QAction* item) {
    state_.KitIndex = static_cast<std::uint8_t>(item->data().toInt());
    SetKitCaption();
    helpContext_ = 7;
    const bool down = SBbuf->isChecked();
    const bool twoChannels = state_.KitIndex == 0 || state_.KitIndex == 3;
    VisP(down, twoChannels && down, down);
    state_.ClearBuffer1 = false;
    state_.ClearBuffer2 = false;
    state_.PortReady = false;
    const QString upper = Label5->text();
    SetHint(Button1, texts::kHintLoadBuffer + upper);
    SetHint(Button2, texts::kHintClearBuffer + upper);
    SetHint(Button4, texts::kHintSaveBuffer + upper);
    if (twoChannels) {
        const QString lower = Label6->text();
        SetHint(Button3, texts::kHintLoadBuffer + lower);
        SetHint(Button5, texts::kHintClearBuffer + lower);
        SetHint(Button6, texts::kHintSaveBuffer + lower);
    }
    SetHint(Memo1, texts::kHintMemoBuffer + Label5->text());
    SetHint(Memo2, texts::kHintMemoBuffer + Label6->text());
    SetHint(Button7, QStringLiteral("Прочитать из буфера настроек Hayes-модема в КВАРД"));
    SetHint(Button8, QStringLiteral("Занести в буфер настроек Hayes-модема в КВАРД"));
    Memo2->setReadOnly(false);
    Memo1->ClearLines();
    Memo2->ClearLines();
}

void TFm1::Button7Click() {
    state_.ReadFromDevice = true;
    ShowDeviceDialog();
}

void TFm1::Button8Click() {
    if (Memo1->LineCount() + Memo2->LineCount() >= 1 || state_.ClearBuffer1 ||
        state_.ClearBuffer2) {
        state_.ReadFromDevice = false;
        if (view_.Confirm(texts::kAskWrite.toStdString())) ShowDeviceDialog();
        return;
    }
    view_.ShowInformation(texts::kNothingToWrite.toStdString());
}

void TFm1::ShowDeviceDialog() {
    if (!fm3_) return;
    fm3_->Prepare(state_.KitIndex, link_.Settings);
    fm3_->ShowModal();
}

void TFm1::Label1DblClick() { state_.TraceBytes = !state_.TraceBytes; }

void TFm1::SpeedButton1Click() {
    if (!help_) help_ = new HelpViewer(QString::fromStdString(state_.HelpFileName), this);
    help_->setParent(this, Qt::Window);
    help_->ShowContents();
}

void TFm1::ShowHelpContext(int context, QWidget* owner) {
    if (!help_) help_ = new HelpViewer(QString::fromStdString(state_.HelpFileName), this);
    // Parented to the window asking, so that it stays usable over a modal dialog.
    help_->setParent(owner ? owner : this, Qt::Window);
    help_->ShowContext(context);
}

}  // namespace hk
