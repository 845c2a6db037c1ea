#pragma once
// What GUI-free logic needs from the windows: letting pending window messages
// run, and the three modal message boxes. Message texts are UTF-8; the boxes
// carry their standard titles ("Confirm", "Information", "Error").
// Layers above extend this with their own labels, memos and gauges.

#include <string>

namespace hk {

class ViewHooks {
public:
    virtual ~ViewHooks() = default;
    // Lets pending window messages (clicks, timer ticks) run once.
    virtual void ProcessMessages() = 0;
    // Confirmation box with "&Yes" and "&No"; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // Information box with one "OK" button.
    virtual void ShowInformation(const std::string& text) = 0;
    // Error box with one "OK" button.
    virtual void ShowError(const std::string& text) = 0;
};

}  // namespace hk
