#pragma once
// What the controller job reads from and shows in the controller dialog, and
// the two memos of the main window that hold the channels' buffers. The
// dialog implements it with widgets; tests with a scripted fake; programs
// without a window with PresetControllerView.
//
// The operator's choice is read when a step needs it, not copied once: the
// dialog stays live during a run (its messages run between steps).
// Texts are UTF-8 except the memo lines, which are Windows-1251 bytes.

#include <cstdint>
#include <string>

#include "device/DeviceView.h"
#include "device/LinkChoice.h"
#include "lists/MemoLines.h"

namespace hk::device {

// Which of the dialog's optional groups show: the manual entry of the
// number and the speed, and the result labels (number and speed under test).
struct FieldsShown {
    bool manualEntry = false;
    bool results = false;

    bool operator==(const FieldsShown&) const = default;
};

class ControllerView : public DeviceView {
public:
    // The operator's choice as the dialog holds it now.
    virtual LinkChoice Choice() = 0;

    // --- What the job changes in the dialog.
    virtual void ShowFields(FieldsShown shown) = 0;
    // Writes the network number field (the found or entered number).
    virtual void SetNumberText(const std::string& text) = 0;
    // Closes the dialog (after a read, a write, a stop or "Выход").
    virtual void CloseDialog() = 0;
    // The stored port (Settings.PortIndex; past "Com4" shows "Com4") and
    // link kind (0 "Rs-232", any other "ИРПС"), shown at every opening.
    virtual void ShowStoredLink(int portIndex, int linkKind) {
        (void)portIndex;
        (void)linkKind;
    }
    // How far a search has come: attempts made and in all, and the time
    // the attempts still to come will take at the mean pace so far.
    virtual void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) {
        (void)attemptsMade;
        (void)attemptsTotal;
        (void)msLeft;
    }

    // A run (a search and what follows it, or a tick's key re-check) has
    // started or returned: the buttons that start one look disabled meanwhile.
    virtual void ShowRunning(bool running) { (void)running; }

    // --- The main window.
    // The memo of channel buffer 0 (the upper one) or 1 (the lower one).
    virtual MemoLines& BufferMemo(int index) = 0;
    // "Показать спец. символы": decoded buffers show "<CR>" and "<LF>".
    virtual bool ShowSpecialCharacters() = 0;
};

}  // namespace hk::device
