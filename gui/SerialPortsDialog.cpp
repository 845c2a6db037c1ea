#include "gui/SerialPortsDialog.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <exception>

#include "gui/Fonts.h"
#include "gui/MessageBoxes.h"
#include "ports/PortMapping.h"
#include "ports/PortNames.h"

namespace hk {
namespace {

QString U(const std::string& s) { return QString::fromStdString(s); }
std::string PortName(int number) { return "Com" + std::to_string(number); }

}  // namespace

SerialPortsDialog::SerialPortsDialog(std::string homeDir, int portNumber, QWidget* parent,
                                     std::string systemRoot)
    : QDialog(parent), homeDir_(std::move(homeDir)), systemRoot_(std::move(systemRoot)) {
    setObjectName(QStringLiteral("SerialPorts"));
    setWindowTitle(QStringLiteral("Порты компьютера"));
    setFont(WindowFont(11));
    resize(620, 360);

    auto* intro = new QLabel(
        QStringLiteral("Последовательные устройства компьютера. Выберите устройство и имя "
                       "порта, под которым программа будет его открывать, и нажмите "
                       "«Назначить»."),
        this);
    intro->setWordWrap(true);
    MakeDeviceList();
    QHBoxLayout* portRow = MakePortRow(portNumber);
    MakeLabels();

    auto* refresh = new QPushButton(QStringLiteral("Обновить"), this);
    refresh->setObjectName(QStringLiteral("RefreshButton"));
    auto* close = new QPushButton(QStringLiteral("Закрыть"), this);
    close->setObjectName(QStringLiteral("CloseButton"));
    for (QPushButton* b : {assignButton_, unassignButton_, refresh, close})
        b->setAutoDefault(false);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addStretch();
    bottomRow->addWidget(refresh);
    bottomRow->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addWidget(deviceList_, 1);
    layout->addLayout(portRow);
    layout->addWidget(chosenPortLabel_);
    layout->addWidget(problemsLabel_);
    layout->addLayout(bottomRow);

    connect(assignButton_, &QPushButton::clicked, this, &SerialPortsDialog::AssignChosenDevice);
    connect(unassignButton_, &QPushButton::clicked, this, &SerialPortsDialog::RemoveAssignment);
    connect(refresh, &QPushButton::clicked, this, &SerialPortsDialog::Refresh);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(portChoice_, &QComboBox::currentIndexChanged, this, &SerialPortsDialog::ShowChosenPort);
    connect(deviceList_, &QTreeWidget::itemSelectionChanged, this,
            [this] { assignButton_->setEnabled(deviceList_->currentItem() != nullptr); });
    Refresh();
}

void SerialPortsDialog::MakeDeviceList() {
    deviceList_ = new QTreeWidget(this);
    deviceList_->setObjectName(QStringLiteral("DeviceList"));
    deviceList_->setAccessibleName(QStringLiteral("Устройства компьютера"));
    deviceList_->setRootIsDecorated(false);
    deviceList_->setHeaderLabels({QStringLiteral("Устройство"), QStringLiteral("Что это"),
                                  QStringLiteral("Имена в программе")});
    deviceList_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
}

QHBoxLayout* SerialPortsDialog::MakePortRow(int portNumber) {
    portChoice_ = new QComboBox(this);
    portChoice_->setObjectName(QStringLiteral("PortChoice"));
    portChoice_->setAccessibleName(QStringLiteral("Имя порта в программе"));
    for (int n = 1; n <= kMappablePorts; ++n) portChoice_->addItem(U(PortName(n)));
    portChoice_->setCurrentIndex(portNumber >= 1 && portNumber <= kMappablePorts ? portNumber - 1
                                                                                 : 0);
    assignButton_ = new QPushButton(QStringLiteral("Назначить"), this);
    assignButton_->setObjectName(QStringLiteral("AssignButton"));
    unassignButton_ = new QPushButton(QStringLiteral("Убрать назначение"), this);
    unassignButton_->setObjectName(QStringLiteral("UnassignButton"));
    unassignButton_->setToolTip(
        QStringLiteral("Убрать назначение: порт снова открывает ссылку ports/comN или "
                       "встроенный порт"));
    auto* portRow = new QHBoxLayout;
    portRow->addWidget(new QLabel(QStringLiteral("Имя порта:"), this));
    portRow->addWidget(portChoice_);
    portRow->addWidget(assignButton_);
    portRow->addWidget(unassignButton_);
    portRow->addStretch();
    return portRow;
}

void SerialPortsDialog::MakeLabels() {
    chosenPortLabel_ = new QLabel(this);
    chosenPortLabel_->setObjectName(QStringLiteral("ChosenPort"));
    chosenPortLabel_->setWordWrap(true);

    problemsLabel_ = new QLabel(this);
    problemsLabel_->setObjectName(QStringLiteral("MappingProblems"));
    problemsLabel_->setWordWrap(true);
    problemsLabel_->setTextFormat(Qt::PlainText);
    QPalette warn = problemsLabel_->palette();
    warn.setColor(QPalette::WindowText, QColor(0x80, 0x00, 0x00));
    problemsLabel_->setPalette(warn);
}

std::string SerialPortsDialog::MappingFile() const { return homeDir_ + kPortMappingFileName; }

void SerialPortsDialog::Refresh() {
    devices_ = ListSerialDevices(systemRoot_);
    const QString kept =
        deviceList_->currentItem() ? deviceList_->currentItem()->text(0) : QString();
    deviceList_->clear();
    for (const SerialDevice& d : devices_) {
        QStringList names;
        for (int n = 1; n <= kMappablePorts; ++n) {
            const PortRoute route = RoutePort(homeDir_, PortName(n));
            if (DeviceBehind(devices_, route.path, systemRoot_) == &d) names << U(PortName(n));
        }
        auto* item = new QTreeWidgetItem(deviceList_,
                                         {U(d.path), U(d.name), names.join(QStringLiteral(", "))});
        if (!d.stablePath.empty()) item->setToolTip(0, U(d.stablePath));
        item->setToolTip(1, U(d.stablePath.empty() ? d.path : d.stablePath));
        if (item->text(0) == kept) deviceList_->setCurrentItem(item);
    }
    if (devices_.empty())
        new QTreeWidgetItem(deviceList_, {QStringLiteral("—"),
                                          QStringLiteral("последовательных устройств не найдено")});
    assignButton_->setEnabled(deviceList_->currentItem() != nullptr && !devices_.empty());

    const PortMapping mapping = LoadPortMapping(MappingFile());
    QString problems;
    for (const MappingProblem& p : mapping.problems)
        problems += QStringLiteral("\n") + U(DescribeProblem(p));
    problemsLabel_->setText(problems.isEmpty() ? QString()
                                               : QStringLiteral("В файле ") + U(MappingFile()) +
                                                     QStringLiteral(" не учтено:") + problems);
    problemsLabel_->setVisible(!problems.isEmpty());
    ShowChosenPort();
}

void SerialPortsDialog::ShowChosenPort() {
    const std::string name = PortName(portChoice_->currentIndex() + 1);
    const PortRoute route = RoutePort(homeDir_, name);
    // Its mapping line not understood: giving the name back to its default
    // turns that line into a comment.
    unassignButton_->setEnabled(route.source == PortSource::Mapping ||
                                route.source == PortSource::Unclear);
    if (route.source == PortSource::Unclear) {
        chosenPortLabel_->setText(U(name) + QStringLiteral(" не открывается: ") + U(route.fault) +
                                  QStringLiteral("."));
        return;
    }
    QString how;
    switch (route.source) {
        case PortSource::Mapping:
            how = QStringLiteral(" (назначено в файле ") + U(MappingFile()) + QStringLiteral(")");
            break;
        case PortSource::Link:
            how = QStringLiteral(" (ссылка)");
            break;
        default:
            how = QStringLiteral(" (по умолчанию)");
            break;
    }
    chosenPortLabel_->setText(U(name) + QStringLiteral(" сейчас открывает ") + U(route.path) + how +
                              QStringLiteral("."));
}

void SerialPortsDialog::AssignChosenDevice() {
    const int row = deviceList_->indexOfTopLevelItem(deviceList_->currentItem());
    if (row < 0 || row >= static_cast<int>(devices_.size())) return;
    const SerialDevice& d = devices_[static_cast<std::size_t>(row)];
    // The by-id name stays the same when the adapter is plugged in elsewhere
    // or after other adapters.
    const std::string device = d.stablePath.empty() ? d.path : d.stablePath;
    try {
        StorePortAssignment(MappingFile(), portChoice_->currentIndex() + 1, device);
    } catch (const std::exception& e) {
        ErrorBox(this, QString::fromUtf8(e.what()));
    }
    Refresh();
}

void SerialPortsDialog::RemoveAssignment() {
    try {
        StorePortAssignment(MappingFile(), portChoice_->currentIndex() + 1, std::string());
    } catch (const std::exception& e) {
        ErrorBox(this, QString::fromUtf8(e.what()));
    }
    Refresh();
}

}  // namespace hk
