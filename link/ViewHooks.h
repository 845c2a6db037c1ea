#pragma once
// What a job needs from whoever shows it: a checkpoint where what waits for
// the job runs, and the three modal message boxes. Message texts are UTF-8;
// the boxes carry their standard titles ("Confirm", "Information", "Error").
// Layers above extend this with what their jobs show (texts, progress, memo
// lines).

#include <string>

namespace hk {

class ViewHooks {
public:
    virtual ~ViewHooks() = default;
    // A checkpoint: what waits for the job runs once (the window's clicks
    // and timer ticks, posted to the job thread; the command line's look at
    // a signal that came).
    virtual void ProcessMessages() = 0;
    // Confirmation box with "&Yes" and "&No"; true for Yes.
    virtual bool Confirm(const std::string& text) = 0;
    // Information box with one "OK" button.
    virtual void ShowInformation(const std::string& text) = 0;
    // Error box with one "OK" button.
    virtual void ShowError(const std::string& text) = 0;
};

}  // namespace hk
