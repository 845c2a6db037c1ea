#include "device/PresetControllerView.h"

#include "device/Commands.h"

namespace hk::device {

bool PresetControllerView::Confirm(const std::string& text) {
    Show(text);
    if (text == kInstallKeyText) return installKey;
    if (text == kRestartQuestion) return restart;
    return false;
}

}  // namespace hk::device
