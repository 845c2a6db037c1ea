#include "gui/PortHints.h"

#include <QMenu>
#include <QPalette>
#include <QRadioButton>
#include <QVariant>

#include "gui/RadioGroup.h"
#include "gui/SerialPortsDialog.h"
#include "link/PortMapping.h"

namespace hk {
namespace {

constexpr const char* kMenuInstalled = "portMenuInstalled";

QString U(const std::string& s) { return QString::fromStdString(s); }

// Missing devices in grey italics; present ones as every other item.
void ShowAsMissing(QRadioButton* b, bool missing) {
    b->setProperty("deviceMissing", missing);
    QFont f = b->font();
    f.setItalic(missing);
    b->setFont(f);
    if (missing) {
        QPalette p = b->palette();
        p.setColor(QPalette::WindowText, p.color(QPalette::Disabled, QPalette::WindowText));
        p.setColor(QPalette::ButtonText, p.color(QPalette::Disabled, QPalette::ButtonText));
        b->setPalette(p);
    } else {
        b->setPalette(QPalette());
    }
}

void OfferDeviceChoice(RadioGroup& group, int index, const std::string& settingsFile,
                       const std::string& systemRoot) {
    QRadioButton* b = group.Button(index);
    if (!b || b->property(kMenuInstalled).toBool()) return;
    b->setProperty(kMenuInstalled, true);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        b, &QWidget::customContextMenuRequested, b,
        [&group, index, settingsFile, systemRoot, b](const QPoint& at) {
            const QString name = group.ItemText(index);
            QMenu menu(b);
            QAction* choose =
                menu.addAction(QStringLiteral("Выбрать устройство для %1...").arg(name));
            if (menu.exec(b->mapToGlobal(at)) != choose) return;
            SerialPortsDialog dialog(PortHomeOf(settingsFile), ComPortNumber(name.toStdString()),
                                     b->window(), systemRoot);
            dialog.exec();
            DescribePortItems(group, settingsFile, systemRoot);
        });
}

}  // namespace

std::string PortHomeOf(const std::string& settingsFile) {
    const auto slash = settingsFile.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : settingsFile.substr(0, slash + 1);
}

QString PortItemHint(const std::string& portName, const std::string& homeDir,
                     const PortRoute& route, DeviceState state, const SerialDevice* device) {
    QString hint = U(portName) + QStringLiteral(" открывает ") + U(route.path);
    switch (route.source) {
        case PortSource::Mapping:
            hint += QStringLiteral(" (назначено в файле ") + U(homeDir + kPortMappingFileName) +
                    QStringLiteral(")");
            break;
        case PortSource::Link:
            hint = U(portName) + QStringLiteral(" открывает ссылку ") + U(route.path);
            break;
        case PortSource::BuiltIn:
            hint = U(portName) + QStringLiteral(" открывает встроенный порт ") + U(route.path);
            break;
        case PortSource::Name:
            break;
    }
    switch (state) {
        case DeviceState::Present:
            hint += device ? QStringLiteral(": ") + U(device->name) + QStringLiteral(", подключено")
                           : QStringLiteral(": устройство есть");
            break;
        case DeviceState::Missing:
            hint += QStringLiteral(": устройства сейчас нет (подключите его)");
            break;
        case DeviceState::NoHardware:
            hint += QStringLiteral(": такого порта в компьютере нет");
            break;
    }
    return hint + QStringLiteral(". Правая кнопка мыши: выбрать другое устройство.");
}

void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                       const std::string& systemRoot) {
    const std::string home = PortHomeOf(settingsFile);
    const std::vector<SerialDevice> devices = ListSerialDevices(systemRoot);
    for (int i = 0; i < group.Count(); ++i) {
        QRadioButton* b = group.Button(i);
        const std::string name = group.ItemText(i).toStdString();
        const PortRoute route = RoutePort(home, name);
        const DeviceState state = StateOfDevice(route.path, systemRoot);
        const QString hint =
            PortItemHint(name, home, route, state, DeviceBehind(devices, route.path, systemRoot));
        b->setStatusTip(hint);
        b->setToolTip(hint);
        b->setAccessibleDescription(hint);
        ShowAsMissing(b, state != DeviceState::Present);
        OfferDeviceChoice(group, i, settingsFile, systemRoot);
    }
}

}  // namespace hk
