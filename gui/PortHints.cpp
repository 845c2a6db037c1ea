#include "gui/PortHints.h"

#include <QMenu>
#include <QPalette>
#include <QRadioButton>
#include <QVariant>

#include "gui/RadioGroup.h"
#include "gui/SerialPortsDialog.h"
#include "ports/PortHint.h"

namespace hk {
namespace {

constexpr const char* kMenuInstalled = "portMenuInstalled";

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

void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                       const std::string& systemRoot) {
    const std::string home = PortHomeOf(settingsFile);
    const std::vector<SerialDevice> devices = ListSerialDevices(systemRoot);
    for (int i = 0; i < group.Count(); ++i) {
        QRadioButton* b = group.Button(i);
        const PortItemFacts facts =
            DescribePort(group.ItemText(i).toStdString(), home, devices, systemRoot);
        const QString hint = QString::fromStdString(facts.hint);
        b->setStatusTip(hint);
        b->setToolTip(hint);
        b->setAccessibleDescription(hint);
        ShowAsMissing(b, facts.state != DeviceState::Present);
        OfferDeviceChoice(group, i, settingsFile, systemRoot);
    }
}

}  // namespace hk
