#include "app/HayesApplication.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "app/AdapterCheckDialog.h"
#include "app/ControllerDialog.h"
#include "app/JobModemWindow.h"
#include "app/JobRecords.h"
#include "app/KeptChoices.h"
#include "app/MainModemWindow.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "app/RecordsWindow.h"
#include "base/Interruption.h"
#include "device/ControllerJob.h"
#include "base/LocalTime.h"
#include "link/SystemLine.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/PortHint.h"
#include "device/ControllerLists.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

// How soon a signal is noticed (it is taken at the job's next step anyway).
constexpr int kSignalWatchMs = 100;

}  // namespace

HayesApplication::HayesApplication(SerialLine& line, Clock& clock, ViewHooks& view,
                                   const QString& programDir)
    : view_(view), wiring_(line, clock, view) {
    SerialLink& link = wiring_.Link();
    JobThread& jobs = wiring_.Jobs();
    mainWindow_ = std::make_unique<MainWindow>(state_, link, view, programDir);
    MainWindow* window = mainWindow_.get();
    // Every byte over the port, and every exchange's decoded line, go to the
    // exchange log and from there to a file a day in the data folder (known
    // once the main window has read the settings).
    wiring_.Log().WriteFilesTo(state_.DataDir + kLogFolder);
    mainWindow_->SetExchangeLog(&wiring_.Log());
    portDialog_ = new PortDialog(state_, link, view, window);
    portDialog_->SetJobs(&jobs);
    modemWindow_ = std::make_unique<MainModemWindow>(*mainWindow_, *portDialog_, state_);
    controllerDialog_ = new ControllerDialog(
        state_, link, view, *modemWindow_, jobs,
        [window](int context, QWidget* owner) { window->ShowHelpContext(context, owner); }, window);
    controllerDialog_->SetLogRequest([window](QWidget* owner) { window->ShowLog(owner); });
    mainWindow_->SetDialogs(portDialog_, controllerDialog_);
    // Each port item's hint says how its adapter's last check went, and its
    // menu opens the check.
    const PortItemOptions portItems{
        state_.DataDir + kKeptChoicesFileName, {},
        [this](const std::string& port, QWidget* owner) { CheckAdapter(port, owner); }};
    portDialog_->SetPortItemOptions(portItems);
    controllerDialog_->SetPortItemOptions(portItems);
    jobModemWindow_ = std::make_unique<JobModemWindow>(jobs, *modemWindow_);
    console_ = std::make_unique<ModemConsole>(state_, link, *jobModemWindow_);
    jobModemWindow_->SetReceiver([console = console_.get()] { console->ModemIdle(); });
    mainWindow_->SetModemConsole(console_.get(), &jobs);
    controllerLists_ =
        std::make_unique<device::ControllerLists>(state_, *jobModemWindow_, link.View);
    mainWindow_->SetControllerLists(controllerLists_.get());
    AddRecords();
}

void HayesApplication::AddRecords() {
    records_ = std::make_unique<JobRecords>(state_, wiring_.Link(), wiring_.Log());
    JobRecords* records = records_.get();
    records->SetFolder(KeptText(state_, kKeepRecordFolder).toStdString());
    records->SetOperator(KeptText(state_, kKeepOperator).toStdString());
    // A record that could not be written is said in the main window's status bar.
    MainWindow* window = mainWindow_.get();
    JobThread& jobs = wiring_.Jobs();
    records->SetTell([window, &jobs](const std::string& text) {
        jobs.ShowOnWindow([window, text] { window->ShowRunStatus(QString::fromStdString(text)); });
    });
    jobModemWindow_->SetRecords(records, console_.get());
    // Set before any job runs; the job calls it on the job thread.
    controllerDialog_->Job().SetRunWatch({[records] { records->JobBegins(); },
                                          [records](const device::ControllerOutcome& outcome) {
                                              records->ControllerRunEnded(outcome);
                                          }});
    recordsWindow_ = new RecordsWindow(state_, *records, window);
    const auto show = [history = recordsWindow_](QWidget* owner) { history->ShowOver(owner); };
    mainWindow_->SetRecordsRequest(show);
    controllerDialog_->SetRecordsRequest(show);
}

void HayesApplication::SetAdapterLines(adapter::LineMaker makeLine,
                                       std::function<std::string()> today) {
    adapterLines_ = std::move(makeLine);
    today_ = std::move(today);
}

void HayesApplication::CheckAdapter(const std::string& portName, QWidget* owner) {
    adapter::LineMaker makeLine = adapterLines_;
    if (!makeLine)
        makeLine = [home = PortHomeOf(state_.CfgFileName)](const std::string&) {
            return MakeSystemLine(home);
        };
    std::function<std::string()> today = today_;
    if (!today) today = [] { return LocalDateText(SystemWallMs()); };
    AdapterCheckDialog dialog({state_, wiring_.Link(), wiring_.Jobs(), view_, std::move(makeLine),
                               std::move(today), {}},
                              portName, owner);
    dialog.exec();
}

void HayesApplication::WatchSignals() {
    auto* watch = new QTimer(mainWindow_.get());
    QObject::connect(watch, &QTimer::timeout, mainWindow_.get(), [] {
        if (const int signal = InterruptionSignal()) {
            std::fprintf(stderr,
                         "HayesKvd: %s: программа завершается, работа с портом останавливается\n",
                         InterruptionName(signal));
            QCoreApplication::exit(128 + signal);
        }
    });
    watch->start(kSignalWatchMs);
}

void HayesApplication::StopJobs() {
    JobThread& jobs = wiring_.Jobs();
    if (records_) records_->SetEnding();
    jobs.SetUnattended(true);
    controllerDialog_->StopJobs();
    jobs.Post([console = console_.get()] { console->RemoveIdleHandler(); });
    jobs.WaitIdle();
}

HayesApplication::~HayesApplication() {
    StopJobs();
    mainWindow_->SetModemConsole(nullptr, nullptr);
    mainWindow_->SetControllerLists(nullptr);
    // The job thread ends first: what it still runs reaches the windows.
    // Then the log comes off the line; the windows go before the link.
    wiring_.EndJobs();
}

}  // namespace hk
