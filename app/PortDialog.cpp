#include "app/PortDialog.h"

#include <QPushButton>
#include <QStyle>
#include <exception>
#include <memory>

#include "gui/Fonts.h"
#include "gui/JobThread.h"
#include "gui/PortHints.h"
#include "gui/RadioGroup.h"
#include "gui/SerialPortsDialog.h"
#include "link/SettingsStore.h"
#include "ports/PortNames.h"

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

PortDialog::PortDialog(MainState& state, SerialLink& link, ViewHooks& view, QWidget* parent)
    : QDialog(parent), state_(state), link_(link), view_(view) {
    setObjectName(QStringLiteral("Fm2"));
    setWindowTitle(QStringLiteral("Инициализация Hayes-модема"));
    setFont(WindowFont(11));  // 8 points at 96 dpi
    // 10 pixels wider than the design's 334: the speed texts need it in this font.
    setFixedSize(344, 233);

    portGroup_ = new RadioGroup(QStringLiteral("RG1"), QStringLiteral("Номер Сом-порта"),
                                PortItems(), 2, this);
    portGroup_->setGeometry(8, 6, 138, 219);
    portGroup_->SetItemIndex(1);  // "Com2"
    speedGroup_ = new RadioGroup(QStringLiteral("RG2"), QStringLiteral("Скорость обмена"),
                                 {QStringLiteral("      300 бод"), QStringLiteral("      600 бод"),
                                  QStringLiteral("    1200 бод"), QStringLiteral("    2400 бод"),
                                  QStringLiteral("    4800 бод"), QStringLiteral("    9600 бод"),
                                  QStringLiteral("  19200 бод "), QStringLiteral("  38400 бод"),
                                  QStringLiteral("  57600 бод"), QStringLiteral("115200 бод")},
                                 2, this);
    speedGroup_->setGeometry(152, 6, 184, 150);
    speedGroup_->SetItemIndex(-1);

    okButton_ = new QPushButton(QStringLiteral("OK"), this);
    okButton_->setObjectName(QStringLiteral("BitBtn1"));
    okButton_->setIcon(style()->standardIcon(QStyle::SP_DialogOkButton));
    okButton_->setDefault(true);
    okButton_->setGeometry(180, 198, 75, 27);
    closeButton_ = new QPushButton(QStringLiteral("&Close"), this);
    closeButton_->setObjectName(QStringLiteral("BitBtn2"));
    closeButton_->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
    closeButton_->setAutoDefault(false);
    closeButton_->setGeometry(261, 198, 75, 27);
    // Not in the original design: under the speeds, where the dialog had room.
    portsButton_ = new QPushButton(QStringLiteral("Порты компьютера..."), this);
    portsButton_->setObjectName(QStringLiteral("PortsButton"));
    portsButton_->setAutoDefault(false);
    portsButton_->setStatusTip(
        QStringLiteral("Последовательные устройства компьютера и какое из них открывает "
                       "каждый порт"));
    portsButton_->setToolTip(portsButton_->statusTip());
    portsButton_->setGeometry(152, 162, 184, 27);

    connect(okButton_, &QPushButton::clicked, this, [this] { OpenChosenPort(); });
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(portsButton_, &QPushButton::clicked, this, &PortDialog::ShowComputerPorts);
}

void PortDialog::ShowModal() { exec(); }

void PortDialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (openings_.Opens(e)) ShowStoredChoice();
}

void PortDialog::hideEvent(QHideEvent* e) {
    QDialog::hideEvent(e);
    openings_.Hidden(e);
}

void PortDialog::ShowStoredChoice() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    portGroup_->SetItemIndex(link_.Settings.PortIndex);
    DescribePortItems(*portGroup_, state_.CfgFileName, portItems_);
    if (state_.ModemMode) {
        speedGroup_->SetItemIndex(-1);
        view_.ShowInformation(kSpeedInfo.toStdString());
    } else {
        speedGroup_->SetItemIndex(link_.Settings.SpeedIndex);
    }
}

void PortDialog::ShowComputerPorts() {
    const int chosen = portGroup_->ItemIndex();
    SerialPortsDialog ports(
        PortHomeOf(state_.CfgFileName),
        ComPortNumber(portGroup_->ItemText(chosen < 0 ? 0 : chosen).toStdString()), this);
    ports.exec();
    DescribePortItems(*portGroup_, state_.CfgFileName, portItems_);
}

void PortDialog::OpenChosenPort() {
    // Without a speed, or without a port (a negative stored port index),
    // OK does nothing and the dialog stays open.
    if (speedGroup_->ItemIndex() < 0 || portGroup_->ItemIndex() < 0) return;
    const std::string port = portGroup_->ItemText(portGroup_->ItemIndex()).toStdString();
    const int speed = speedGroup_->ItemIndex();
    const auto portIndex = static_cast<std::int8_t>(portGroup_->ItemIndex());
    // Opening a modem's port raises and drops DTR for a second: the job
    // thread does it. An error box (no port, no settings file) leaves the
    // dialog open; a write-protected settings file is said once, and the
    // port is taken all the same.
    auto opened = std::make_shared<bool>(false);
    auto open = [this, port, speed, portIndex, opened] {
        link_.Settings.NetAddress = 0;
        link_.Settings.LinkKind = kLinkModem;
        state_.PortReady = OpenPort(link_, port, speed, AddressMode::On);
        if (!state_.PortReady) return;
        link_.Settings.PortIndex = portIndex;
        try {
            StoreLinkSettings(link_, state_.CfgFileName);
            *opened = true;
        } catch (const std::exception& e) {
            link_.View.ShowError(e.what());
        }
    };
    if (!jobs_) {
        open();
        if (*opened) accept();
        return;
    }
    okButton_->setEnabled(false);  // one opening at a time
    jobs_->Post(open, [this, opened] {
        okButton_->setEnabled(true);
        if (*opened) accept();
    });
}

}  // namespace hk
