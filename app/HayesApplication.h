#pragma once
// The application object: owns the shared state, the serial port, the clock
// and the three windows, created in the program's fixed order: the main
// window (which loads the settings), the port dialog, the controller dialog.
// All three live until the program ends.

#include <QString>
#include <memory>

#include "gui/MessageBoxes.h"
#include "link/Clock.h"
#include "link/Port.h"
#include "state/MainState.h"

namespace hk {

class MainModemWindow;
class ModemConsole;
class TFm1;
class TFm2;
class TFm3;

class HayesApplication {
public:
    // `line` is the serial port to use; `programDir` ends with a separator.
    HayesApplication(SerialLine& line, Clock& clock, ViewHooks& view, const QString& programDir);
    ~HayesApplication();

    TFm1& Fm1() { return *fm1_; }
    TFm2& Fm2() { return *fm2_; }
    TFm3& Fm3() { return *fm3_; }
    MainState& State() { return state_; }
    SerialLink& Link() { return link_; }
    ModemConsole& Console() { return *console_; }

private:
    MainState state_;
    SerialLink link_;
    std::unique_ptr<TFm1> fm1_;
    TFm2* fm2_ = nullptr;  // owned by Fm1 as their parent
    TFm3* fm3_ = nullptr;
    std::unique_ptr<MainModemWindow> modemWindow_;
    std::unique_ptr<ModemConsole> console_;
};

}  // namespace hk
