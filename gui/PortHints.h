#pragma once
// What the port choices of the dialogs ("Com1" … "Com18") tell the operator.
// Each item's hint says which device it opens, by what (the port mapping, a
// ports/ link, the built-in port) and whether the device is there; the
// dialogs have no hint panel, so the hint is the item's tool tip as well as
// its status tip and accessible description. An item whose device is not
// there is shown in grey italics but stays selectable: the operator may plug
// the adapter in before pressing OK. A right click on an item offers to pick
// that port's device from the devices present (SerialPortsDialog), and to
// check the adapter behind it («Проверка адаптера», when the dialog gives a
// way to). The hint also warns of an adapter the known adapters' table
// names, and says how the adapter's last check went.

#include <QString>
#include <functional>
#include <string>

#include "ports/PortHint.h"

class QWidget;

namespace hk {

class RadioGroup;

struct PortItemOptions {
    // HayesKvd.ini, where the adapters' checks are kept; empty: none shown.
    std::string keptFile;
    // For tests (ports/SerialDevices.h).
    std::string systemRoot;
    // Opens the adapter check of a port over `owner`; none: the menu has no
    // such entry.
    std::function<void(const std::string& portName, QWidget* owner)> checkAdapter;
};

// Updates every item of `group` (called at each opening of a dialog).
// `settingsFile` is the settings file: the port mapping and the ports/
// links lie beside it.
void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                       const PortItemOptions& options);
inline void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                              const std::string& systemRoot = {}) {
    DescribePortItems(group, settingsFile, PortItemOptions{{}, systemRoot, {}});
}

}  // namespace hk
