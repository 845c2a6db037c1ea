#pragma once
// What the controller operations show, implemented by the controller dialog
// (widgets) and by tests (a scripted fake). Texts are UTF-8. Besides the
// message boxes and "let pending window messages run" of ViewHooks: the
// dialog's status bar, its two result labels and the write progress gauge.

#include <string>

#include "link/ViewHooks.h"

namespace hk::device {

class DeviceView : public ViewHooks {
public:
    // StatusBar1: step texts and failures.
    virtual void SetStatusText(const std::string& text) = 0;
    // Label3: the network number under test.
    virtual void SetNumberLabel(const std::string& text) = 0;
    // Label4: the speed under test, then the outcome.
    virtual void SetSpeedLabel(const std::string& text) = 0;
    // Bevel6 and Gg1, and the gauge position in percent (0..100).
    virtual void ShowGauge(bool visible) = 0;
    virtual void SetGauge(int percent) = 0;
};

}  // namespace hk::device
