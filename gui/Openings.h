#pragma once
// Tells the opening of a window from the other show events it gets: a
// minimised window that is restored is shown again without being opened, and
// a dialog's activation steps (re-reading the settings, asking for the speed)
// belong to the opening alone. An opening ends when the program hides the
// window; the window system's own hide (minimising) does not end it.

#include <QHideEvent>
#include <QShowEvent>

namespace hk {

class Openings {
public:
    // True for the show event that opens the window.
    bool Opens(const QShowEvent*) {
        if (open_) return false;
        open_ = true;
        return true;
    }
    void Hidden(const QHideEvent* e) {
        if (!e->spontaneous()) open_ = false;
    }

private:
    bool open_ = false;
};

}  // namespace hk
