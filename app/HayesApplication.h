#pragma once
// The application object: owns the shared state, the serial port, the clock,
// the job thread and the three windows, created in the program's fixed
// order: the main window (which loads the settings), the port dialog, the
// controller dialog. All three live until the program ends.
//
// Everything that talks to the line runs on the job thread: the modem
// console, the controller dialog's job, the network scan and the port
// dialog's opening of the port. The link's view hooks are the job thread's
// (gui/JobViewHooks.h): its boxes open on the window thread, its "let
// messages run" is the job's checkpoint.

#include <QString>
#include <memory>

#include "gui/JobThread.h"
#include "gui/JobViewHooks.h"
#include "gui/MessageBoxes.h"
#include "link/Clock.h"
#include "link/Port.h"
#include "log/ExchangeLog.h"
#include "state/MainState.h"

namespace hk {

class ControllerDialog;
class JobModemWindow;
class MainModemWindow;
class MainWindow;
class ModemConsole;
class PortDialog;
namespace device {
class ControllerLists;
}

class HayesApplication {
public:
    // `line` is the serial port to use; `programDir` ends with a separator.
    // The line, the clock and the view hooks must outlive the application:
    // it taps the line for the exchange log and takes the tap off on leaving.
    HayesApplication(SerialLine& line, Clock& clock, ViewHooks& view, const QString& programDir);
    ~HayesApplication();

    MainWindow& Window() { return *mainWindow_; }
    PortDialog& Ports() { return *portDialog_; }
    ControllerDialog& Controller() { return *controllerDialog_; }
    MainState& State() { return state_; }
    SerialLink& Link() { return link_; }
    ModemConsole& Console() { return *console_; }
    JobThread& Jobs() { return *jobs_; }

    // SIGINT, SIGTERM and SIGHUP (base/Interruption.h) end the program's
    // event loop with 128 + the signal's number; the jobs are then stopped
    // as below. The program's own start calls it; tests do not.
    void WatchSignals();
    // The program ends: a job under way is asked to stop, as "Выход" or
    // leaving the modem side stop it, and is let finish what it began on
    // the line meanwhile (a write's cancel, the end of exchange); its
    // questions are answered No and its boxes not shown. Runs on leaving.
    void StopJobs();
    ExchangeLog& Log() { return *log_; }

private:
    MainState state_;
    std::unique_ptr<JobThread> jobs_;
    JobViewHooks jobView_;
    SerialLink link_;
    std::unique_ptr<ExchangeLog> log_;
    std::unique_ptr<MainWindow> mainWindow_;
    PortDialog* portDialog_ = nullptr;  // owned by the main window as their parent
    ControllerDialog* controllerDialog_ = nullptr;
    std::unique_ptr<MainModemWindow> modemWindow_;
    std::unique_ptr<JobModemWindow> jobModemWindow_;
    std::unique_ptr<ModemConsole> console_;
    std::unique_ptr<device::ControllerLists> controllerLists_;
};

}  // namespace hk
