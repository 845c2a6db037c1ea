#include "app/TFm2.h"

#include <QPushButton>
#include <QStyle>
#include <exception>

#include "gui/Fonts.h"
#include "gui/RadioGroup.h"

namespace hk {
namespace {

const QString kSpeedInfo = QStringLiteral(
    "Запись стнандартных настроек Hayes-модема необходимо произвести на "
    "скорости,установленой в параметре \"Частота осн\" КВАРД");

QStringList PortItems() {
    QStringList items;
    for (int i = 1; i <= 18; ++i) items << QStringLiteral("Com%1").arg(i);
    return items;
}

}  // namespace

TFm2::TFm2(MainState& state, SerialLink& link, ViewHooks& view, QWidget* parent)
    : QDialog(parent), state_(state), link_(link), view_(view) {
    setObjectName(QStringLiteral("Fm2"));
    setWindowTitle(QStringLiteral("Инициализация Hayes-модема"));
    setFont(WindowFont(11));  // 8 points at 96 dpi
    // 10 pixels wider than the design's 334: the speed texts need it in this font.
    setFixedSize(344, 233);

    RG1 = new RadioGroup(QStringLiteral("RG1"), QStringLiteral("Номер Сом-порта"), PortItems(), 2,
                         this);
    RG1->setGeometry(8, 6, 138, 219);
    RG1->SetItemIndex(1);  // "Com2"
    RG2 = new RadioGroup(QStringLiteral("RG2"), QStringLiteral("Скорость обмена"),
                         {QStringLiteral("      300 бод"), QStringLiteral("      600 бод"),
                          QStringLiteral("    1200 бод"), QStringLiteral("    2400 бод"),
                          QStringLiteral("    4800 бод"), QStringLiteral("    9600 бод"),
                          QStringLiteral("  19200 бод "), QStringLiteral("  38400 бод"),
                          QStringLiteral("  57600 бод"), QStringLiteral("115200 бод")},
                         2, this);
    RG2->setGeometry(152, 6, 184, 150);
    RG2->SetItemIndex(-1);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    BitBtn1->setDefault(true);
    BitBtn1->setGeometry(180, 198, 75, 27);
    BitBtn2 = new QPushButton(QStringLiteral("&Close"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    BitBtn2->setAutoDefault(false);
    BitBtn2->setGeometry(261, 198, 75, 27);

    connect(BitBtn1, &QPushButton::clicked, this, [this] {
        try {
            BitBtn1Click();
        } catch (const std::exception& e) {
            view_.ShowError(e.what());  // the dialog stays open
        }
    });
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TFm2::ShowModal() { exec(); }

void TFm2::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    FormActivate();
}

void TFm2::FormActivate() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    RG1->SetItemIndex(link_.Settings.PortIndex);
    if (state_.ModemMode) {
        RG2->SetItemIndex(-1);
        view_.ShowInformation(kSpeedInfo.toStdString());
    } else {
        RG2->SetItemIndex(link_.Settings.SpeedIndex);
    }
}

void TFm2::BitBtn1Click() {
    // Without a speed, or without a port (a negative stored port index),
    // OK does nothing and the dialog stays open.
    if (RG2->ItemIndex() < 0 || RG1->ItemIndex() < 0) return;
    link_.Settings.NetAddress = 0;
    link_.Settings.LinkKind = kLinkModem;
    state_.PortReady =
        OpenPort(link_, RG1->ItemText(RG1->ItemIndex()).toStdString(), RG2->ItemIndex(), true);
    if (!state_.PortReady) return;
    link_.Settings.PortIndex = static_cast<std::int8_t>(RG1->ItemIndex());
    WriteSettings(link_.Settings, state_.CfgFileName);
    accept();
}

}  // namespace hk
