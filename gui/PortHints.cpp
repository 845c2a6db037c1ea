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
                       const PortItemOptions& options) {
    QRadioButton* b = group.Button(index);
    if (!b || b->property(kMenuInstalled).toBool()) return;
    b->setProperty(kMenuInstalled, true);
    b->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(
        b, &QWidget::customContextMenuRequested, b,
        [&group, index, settingsFile, options, b](const QPoint& at) {
            const QString name = group.ItemText(index);
            QMenu menu(b);
            QAction* choose =
                menu.addAction(QStringLiteral("Выбрать устройство для %1...").arg(name));
            QAction* check = options.checkAdapter
                                 ? menu.addAction(QStringLiteral("Проверить адаптер %1...").arg(name))
                                 : nullptr;
            QAction* chosen = menu.exec(b->mapToGlobal(at));
            if (chosen == choose) {
                SerialPortsDialog dialog(PortHomeOf(settingsFile),
                                         ComPortNumber(name.toStdString()), b->window(),
                                         options.systemRoot);
                dialog.exec();
            } else if (chosen != nullptr && chosen == check) {
                options.checkAdapter(name.toStdString(), b->window());
            } else {
                return;
            }
            DescribePortItems(group, settingsFile, options);
        });
}

}  // namespace

void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                       const PortItemOptions& options) {
    const std::string home = PortHomeOf(settingsFile);
    const std::vector<SerialDevice> devices = ListSerialDevices(options.systemRoot);
    for (int i = 0; i < group.Count(); ++i) {
        QRadioButton* b = group.Button(i);
        const PortItemFacts facts = DescribePort(group.ItemText(i).toStdString(), home, devices,
                                                 options.systemRoot, options.keptFile);
        const QString hint = QString::fromStdString(facts.hint);
        b->setStatusTip(hint);
        b->setToolTip(hint);
        b->setAccessibleDescription(hint);
        ShowAsMissing(b, facts.state != DeviceState::Present);
        OfferDeviceChoice(group, i, settingsFile, options);
    }
}

}  // namespace hk
