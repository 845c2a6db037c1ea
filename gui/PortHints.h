#pragma once
// What the port choices of the dialogs ("Com1" … "Com18") tell the operator.
// Each item's hint says which device it opens, by what (the port mapping, a
// ports/ link, the built-in port) and whether the device is there; the
// dialogs have no hint panel, so the hint is the item's tool tip as well as
// its status tip and accessible description. An item whose device is not
// there is shown in grey italics but stays selectable: the operator may plug
// the adapter in before pressing OK. A right click on an item offers to pick
// that port's device from the devices present (SerialPortsDialog).

#include <QString>
#include <string>

#include "ports/PortHint.h"

namespace hk {

class RadioGroup;

// Updates every item of `group` (called at each opening of a dialog).
// `settingsFile` is the settings file: the port mapping and the ports/
// links lie beside it. `systemRoot` is for tests (ports/SerialDevices.h).
void DescribePortItems(RadioGroup& group, const std::string& settingsFile,
                       const std::string& systemRoot = {});

}  // namespace hk
