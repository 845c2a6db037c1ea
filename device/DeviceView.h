#pragma once
// What the controller operations show, implemented by the controller dialog
// (widgets) and by tests (a scripted fake). Texts are UTF-8. Besides the
// message boxes and "let pending window messages run" of ViewHooks: the
// dialog's status bar, its two result labels and the write's progress gauge.

#include <string>

#include "link/ViewHooks.h"

namespace hk::device {

class DeviceView : public ViewHooks {
public:
    // The status bar: step texts and failures.
    virtual void SetStatusText(const std::string& text) = 0;
    // The network number under test.
    virtual void SetNumberLabel(const std::string& text) = 0;
    // The speed under test, then the outcome.
    virtual void SetSpeedLabel(const std::string& text) = 0;
    // The write's progress gauge and its frame, and its position in percent
    // (0..100).
    virtual void ShowGauge(bool visible) = 0;
    virtual void SetGauge(int percent) = 0;
};

}  // namespace hk::device
