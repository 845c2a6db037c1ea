#pragma once
// The application object: owns the shared state, the serial port, the clock,
// the job thread and the three windows, created in the program's fixed
// order: the main window (which loads the settings), the port dialog, the
// controller dialog. All three live until the program ends.
//
// Everything that talks to the line runs on the job thread: the modem
// console, the controller dialog's job, the network scan and the port
// dialog's opening of the port. The line, its exchange log, the job thread
// and the link are assembled by gui/JobLink.h.

#include <QString>
#include <functional>
#include <memory>
#include <string>

#include "adapter/AdapterCheck.h"
#include "gui/JobLink.h"
#include "gui/MessageBoxes.h"
#include "link/Clock.h"
#include "link/Port.h"
#include "log/ExchangeLog.h"
#include "state/MainState.h"

class QWidget;

namespace hk {

class ControllerDialog;
class JobModemWindow;
class JobRecords;
class RecordsWindow;
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
    SerialLink& Link() { return wiring_.Link(); }
    ModemConsole& Console() { return *console_; }
    JobThread& Jobs() { return wiring_.Jobs(); }

    // The lines «Проверка адаптера» opens (the program's start gives
    // sim/SimulatedPorts.h, so that the demo's simulated adapters open too);
    // without them, the system's serial ports. `today` gives the date a
    // verdict is kept with ("2026-12-08"); without it, the computer's.
    void SetAdapterLines(adapter::LineMaker makeLine, std::function<std::string()> today = {});
    // «Проверка адаптера» of port `portName` over `owner`, modal: the port
    // items' menu of both dialogs opens it.
    void CheckAdapter(const std::string& portName, QWidget* owner);

    // SIGINT, SIGTERM and SIGHUP (base/Interruption.h) end the program's
    // event loop with 128 + the signal's number; the jobs are then stopped
    // as below. The program's own start calls it; tests do not.
    void WatchSignals();
    // The program ends: a job under way is asked to stop, as "Выход" or
    // leaving the modem side stop it, and is let finish what it began on
    // the line meanwhile (a write's cancel, the end of exchange); its
    // questions are answered No and its boxes not shown. Runs on leaving.
    void StopJobs();
    ExchangeLog& Log() { return wiring_.Log(); }
    // The records of the jobs, and their window («Акты...»).
    JobRecords& Records() { return *records_; }
    RecordsWindow& History() { return *recordsWindow_; }

private:
    // The records of the jobs: their keeper on the job thread, the hooks of
    // the controller and modem jobs, the window.
    void AddRecords();

    MainState state_;
    ViewHooks& view_;
    adapter::LineMaker adapterLines_;
    std::function<std::string()> today_;
    JobLink wiring_;
    std::unique_ptr<MainWindow> mainWindow_;
    PortDialog* portDialog_ = nullptr;  // owned by the main window as their parent
    ControllerDialog* controllerDialog_ = nullptr;
    std::unique_ptr<MainModemWindow> modemWindow_;
    std::unique_ptr<JobModemWindow> jobModemWindow_;
    std::unique_ptr<ModemConsole> console_;
    std::unique_ptr<device::ControllerLists> controllerLists_;
    // Used by the jobs on the job thread: goes before the line and the log.
    std::unique_ptr<JobRecords> records_;
    RecordsWindow* recordsWindow_ = nullptr;  // owned by the main window as its parent
};

}  // namespace hk
