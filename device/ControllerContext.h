#pragma once
// What the controller dialog's work reaches: the main window's mode state,
// the serial link, the session state and the dialog (with the main window's
// memos). One per dialog, passed by reference to the link search and the
// buffer transfer; `device` is the same for the request routines. Label4
// ("Скорость обмена " ...) is shown through ShowResultLabel, which keeps its
// text: the dialog's timer closes the dialog when it reads " OK".

#include <string>

#include "device/Commands.h"
#include "device/ControllerSession.h"
#include "device/ControllerView.h"
#include "link/Port.h"
#include "state/MainState.h"

namespace hk::device {

struct ControllerContext {
    ControllerContext(MainState& mainState, SerialLink& serialLink,
                      ControllerSession& controllerSession, ControllerView& dialog,
                      std::string& resultLabelText)
        : state(mainState),
          link(serialLink),
          session(controllerSession),
          view(dialog),
          device{serialLink, controllerSession, dialog},
          resultLabel(resultLabelText) {}
    ControllerContext(const ControllerContext&) = delete;
    ControllerContext& operator=(const ControllerContext&) = delete;

    MainState& state;
    SerialLink& link;
    ControllerSession& session;
    ControllerView& view;
    DeviceContext device;
    std::string& resultLabel;
    // The write under way has reached the controller (its STOP went out).
    bool writeStarted = false;

    void ShowResultLabel(const std::string& text) {
        resultLabel = text;
        view.SetSpeedLabel(text);
    }
};

}  // namespace hk::device
