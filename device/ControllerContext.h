#pragma once
// What the controller dialog's work reaches: the main window's mode state,
// the serial link, the session state and the dialog (with the main window's
// memos). One per dialog, passed by reference to the link search and the
// buffer transfer; `device` is the same for the request routines. The speed
// label ("Скорость обмена " ...) is shown through ShowResultLabel; what a
// run came to is `outcome`, never the label's text.

#include <string>

#include "device/Commands.h"
#include "device/ControllerOutcome.h"
#include "device/ControllerSession.h"
#include "device/ControllerView.h"
#include "link/Port.h"
#include "state/MainState.h"

namespace hk::device {

struct ControllerContext {
    ControllerContext(MainState& mainState, SerialLink& serialLink,
                      ControllerSession& controllerSession, ControllerView& dialog)
        : state(mainState),
          link(serialLink),
          session(controllerSession),
          view(dialog),
          device{serialLink, controllerSession, dialog} {}
    ControllerContext(const ControllerContext&) = delete;
    ControllerContext& operator=(const ControllerContext&) = delete;

    MainState& state;
    SerialLink& link;
    ControllerSession& session;
    ControllerView& view;
    DeviceContext device;
    // What the runs came to: set by the steps as they go.
    ControllerOutcome outcome;

    void ShowResultLabel(const std::string& text) { view.SetSpeedLabel(text); }
};

}  // namespace hk::device
