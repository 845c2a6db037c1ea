#include "device/ui/TFm3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>

#include "gui/Fonts.h"
#include "gui/RadioGroup.h"
#include "gui/Widgets.h"

namespace hk {
namespace {

constexpr int kDesignWidth = 528;
constexpr int kDesignHeight = 420;
constexpr int kStatusHeight = 20;

}  // namespace

TFm3::TFm3(MainState& state, SerialLink& link, ViewHooks& view, HelpRequest help, QWidget* parent)
    : QDialog(parent), state_(state), link_(link), view_(view), help_(std::move(help)) {
    setObjectName(QStringLiteral("Fm3"));
    setFont(WindowFont(11));  // 8 points at 96 dpi
    CreateControls();
    FormCreate();
}

void TFm3::CreateControls() {
    CheckBox1 = new QCheckBox(QStringLiteral("Подбор сетевого номера"), this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(8, 6, 240, 18);
    CheckBox1->setChecked(true);

    Bevel1 = MakeBevel(this, "Bevel1", QFrame::Box);
    Bevel1->setGeometry(8, 28, 254, 72);
    RadioGroup1 =
        new RadioGroup(QStringLiteral("RadioGroup1"), QStringLiteral("Вид сетевого номера"),
                       {QStringLiteral("Hex"), QStringLiteral("Dec")}, 1, this);
    RadioGroup1->setGeometry(14, 32, 112, 62);
    RadioGroup1->SetItemIndex(1);
    Label1 = MakeLabel(this, "Label1", QStringLiteral("Сетевой номер"));
    Label1->setGeometry(134, 38, 120, 14);
    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    Edit1->setAccessibleName(QStringLiteral("Edit1"));
    Edit1->setGeometry(134, 56, 120, 22);

    Bevel2 = MakeBevel(this, "Bevel2", QFrame::Box);
    Bevel2->setGeometry(8, 104, 254, 54);
    Label2 = MakeLabel(this, "Label2", QStringLiteral("Скорость обмена"));
    Label2->setGeometry(14, 108, 200, 14);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setAccessibleName(QStringLiteral("ComboBox1"));
    ComboBox1->addItems({QStringLiteral("Подбор"), QStringLiteral("    300 бод"),
                         QStringLiteral("    600 бод"), QStringLiteral("  1200 бод"),
                         QStringLiteral("  2400 бод"), QStringLiteral("  4800 бод"),
                         QStringLiteral("  9600 бод"), QStringLiteral("19200 бод")});
    ComboBox1->setGeometry(14, 126, 240, 24);

    Label8 = MakeLabel(this, "Label8", QStringLiteral("Пароль доступа"));
    Label8->setGeometry(8, 168, 120, 14);
    Edit2 = new QLineEdit(this);
    Edit2->setObjectName(QStringLiteral("Edit2"));
    Edit2->setAccessibleName(QStringLiteral("Edit2"));
    Edit2->setProperty("Tag", 2);
    Edit2->setGeometry(134, 164, 128, 22);

    RG2 = new RadioGroup(QStringLiteral("RG2"), QStringLiteral("Номер СОМ-порта"),
                         {QStringLiteral("Com1"), QStringLiteral("Com2"), QStringLiteral("Com3"),
                          QStringLiteral("Com4")},
                         2, this);
    RG2->setGeometry(8, 192, 124, 64);
    RG2->SetItemIndex(1);
    RadioGroup2 = new RadioGroup(QStringLiteral("RadioGroup2"), QStringLiteral("Вид связи с КВАРД"),
                                 {QStringLiteral("Rs-232"), QStringLiteral("ИРПС")}, 1, this);
    RadioGroup2->setGeometry(138, 192, 124, 64);
    RadioGroup2->SetItemIndex(0);
    RG3 = new RadioGroup(QStringLiteral("RG3"), QStringLiteral("Канал обмена"),
                         {QStringLiteral("МЦП "), QStringLiteral("МПИ ")}, 2, this);
    RG3->setGeometry(8, 260, 254, 44);
    RG3->SetItemIndex(0);

    Panel2 = new QFrame(this);
    Panel2->setObjectName(QStringLiteral("Panel2"));
    Panel2->setFrameShape(QFrame::StyledPanel);
    Panel2->setGeometry(270, 6, 250, 298);
    Rprot = new RadioGroup(QStringLiteral("Rprot"), QStringLiteral("Протокол обмена"),
                           {QStringLiteral("Традиционный"), QStringLiteral("FT1.2")}, 1, Panel2);
    Rprot->setGeometry(6, 4, 238, 62);
    Rprot->SetItemIndex(0);
    RCRC = new RadioGroup(QStringLiteral("RCRC"), QStringLiteral("Контрольная сумма CRC"),
                          {QStringLiteral("не расчитывается"),
                           QStringLiteral("расчит. и передается дополнительно в данных"),
                           QStringLiteral("пердается вместо КС и конца кадра")},
                          1, Panel2);
    RCRC->setGeometry(6, 72, 238, 84);
    RCRC->SetItemIndex(0);
    RCRC->hide();
    connect(Rprot, &RadioGroup::Clicked, this, [this] { RprotClick(); });

    Bevel3 = MakeBevel(this, "Bevel3", QFrame::Box);
    Bevel3->setGeometry(8, 310, kDesignWidth - 16, 44);
    QFont resultFont = font();
    resultFont.setBold(true);
    resultFont.setItalic(true);
    Label3 = MakeLabel(this, "Label3", QString());
    Label4 = MakeLabel(this, "Label4", QString());
    Label3->setGeometry(16, 314, 300, 16);
    Label4->setGeometry(16, 333, 300, 16);
    for (QLabel* l : {Label3, Label4}) {
        l->setFont(resultFont);
        SetTextColour(l, kTeal);
    }

    Bevel6 = MakeBevel(this, "Bevel6", QFrame::Box);
    Bevel6->setGeometry(6, 358, kDesignWidth - 12, 22);
    Gg1 = new QProgressBar(this);
    Gg1->setObjectName(QStringLiteral("Gg1"));
    Gg1->setRange(0, 100);
    Gg1->setValue(0);
    Gg1->setGeometry(8, 360, kDesignWidth - 16, 18);
    Bevel6->hide();
    Gg1->hide();

    Button1 = new QPushButton(QStringLiteral("Подбор"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setGeometry(kDesignWidth - 8 - 90 - 8 - 90, 384, 90, 26);
    Button2 = new QPushButton(QStringLiteral("Выход"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setGeometry(kDesignWidth - 8 - 90, 384, 90, 26);
    for (QPushButton* b : {Button1, Button2}) b->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, [this] { close(); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar1->setSizeGripEnabled(false);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);

    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(f1, &QShortcut::activated, this, [this] {
        if (help_) help_(kHelpContext, this);
    });
    SizeTo(kDesignWidth);
}

void TFm3::SizeTo(int width) {
    setFixedSize(width, kDesignHeight + kStatusHeight);
    StatusBar1->setGeometry(0, kDesignHeight, width, kStatusHeight);
}

void TFm3::FormCreate() {
    RG2->SetItemIndex(link_.Settings.PortIndex);  // past "Com4" selects "Com4"
    if (state_.KitIndex == 1) RG3->hide();
    RG3->SetItemIndex(0);
    ShowFields(false, false);
    SavedWidth = width();
    SavedButton1Left = Button1->x();
    SavedButton2Left = Button2->x();
}

void TFm3::Prepare(std::uint8_t kitIndex, const TPortSettings& settings) {
    int narrowing = 0;
    const bool basicKit = kitIndex == 0;
    if (!basicKit) {
        Rprot->SetItemIndex(settings.Protocol);
        if (Rprot->ItemIndex() == 1) {
            RCRC->SetItemIndex(settings.CrcMode);
            RCRC->show();
        } else {
            RCRC->SetItemIndex(0);
            RCRC->hide();
        }
    } else {
        Rprot->SetItemIndex(0);
        narrowing = Panel2->width();
    }
    SizeTo(SavedWidth - narrowing);
    Gg1->resize(SavedWidth - narrowing - 2 * Gg1->x(), Gg1->height());
    Bevel3->resize(Gg1->width(), Bevel3->height());
    Button1->move(SavedButton1Left - narrowing, Button1->y());
    Button2->move(SavedButton2Left - narrowing, Button2->y());
    Panel2->setVisible(!basicKit);
}

void TFm3::ShowModal() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    exec();
}

void TFm3::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TFm3::FormActivate() {
    if (state_.KitIndex == 1) {
        RG3->hide();
        RG3->SetItemIndex(0);
    } else {
        RG3->show();
    }
    setWindowTitle(state_.ReadFromDevice ? QStringLiteral("Чтение из КВАРД настроек Hayes-модема ")
                                         : QStringLiteral("Запись в КВАРД настроек Hayes-модема "));
    StatusBar1->clearMessage();
    ReadSettings(link_.Settings, state_.CfgFileName);
    RG2->SetItemIndex(link_.Settings.PortIndex);
    RadioGroup2->SetItemIndex(link_.Settings.LinkKind == 0 ? 0 : 1);
    ShowFields(!CheckBox1->isChecked(), false);
    ClearJobDisplay();
}

void TFm3::done(int result) {
    FormClose();
    QDialog::done(result);
}

void TFm3::FormClose() { ClearJobDisplay(); }

// The gauge hidden and at 0, the speed back to "Подбор", the result labels
// and the password empty: the dialog opens and closes without a job's traces.
void TFm3::ClearJobDisplay() {
    Bevel6->hide();
    Gg1->hide();
    Gg1->setValue(0);
    ComboBox1->setCurrentIndex(0);
    Label3->clear();
    Label4->clear();
    Edit2->clear();
}

void TFm3::ShowFields(bool manual, bool results) {
    for (QWidget* w : std::initializer_list<QWidget*>{Bevel1, RadioGroup1, Edit1, Label1, Bevel2,
                                                      Label2, ComboBox1})
        w->setVisible(manual);
    for (QWidget* w : std::initializer_list<QWidget*>{Bevel3, Label3, Label4})
        w->setVisible(results);
}

void TFm3::RprotClick() { RCRC->setVisible(Rprot->ItemIndex() == 1); }

}  // namespace hk
