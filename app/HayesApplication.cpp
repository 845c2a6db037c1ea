#include "app/HayesApplication.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

#include "app/ControllerDialog.h"
#include "app/JobModemWindow.h"
#include "app/MainModemWindow.h"
#include "app/MainWindow.h"
#include "app/PortDialog.h"
#include "base/Interruption.h"
#include "device/ControllerLists.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

// How soon a signal is noticed (it is taken at the job's next step anyway).
constexpr int kSignalWatchMs = 100;

}  // namespace

HayesApplication::HayesApplication(SerialLine& line, Clock& clock, ViewHooks& view,
                                   const QString& programDir)
    : jobs_(
          std::make_unique<JobThread>([&view](const std::string& text) { view.ShowError(text); })),
      jobView_(*jobs_, view),
      link_(line, clock, jobView_) {
    mainWindow_ = std::make_unique<MainWindow>(state_, link_, view, programDir);
    MainWindow* window = mainWindow_.get();
    // Every byte over the port, and every exchange's decoded line, go to the
    // exchange log and from there to a file a day in the data folder.
    log_ = std::make_unique<ExchangeLog>(clock);
    log_->WriteFilesTo(state_.DataDir + kLogFolder);
    line.SetTap(log_.get());
    link_.Log = log_.get();
    mainWindow_->SetExchangeLog(log_.get());
    portDialog_ = new PortDialog(state_, link_, view, window);
    portDialog_->SetJobs(jobs_.get());
    modemWindow_ = std::make_unique<MainModemWindow>(*mainWindow_, *portDialog_, state_);
    controllerDialog_ = new ControllerDialog(
        state_, link_, view, *modemWindow_, *jobs_,
        [window](int context, QWidget* owner) { window->ShowHelpContext(context, owner); }, window);
    controllerDialog_->SetLogRequest([window](QWidget* owner) { window->ShowLog(owner); });
    mainWindow_->SetDialogs(portDialog_, controllerDialog_);
    jobModemWindow_ = std::make_unique<JobModemWindow>(*jobs_, *modemWindow_);
    console_ = std::make_unique<ModemConsole>(state_, link_, *jobModemWindow_);
    jobModemWindow_->SetReceiver([console = console_.get()] { console->ModemIdle(); });
    mainWindow_->SetModemConsole(console_.get(), jobs_.get());
    controllerLists_ =
        std::make_unique<device::ControllerLists>(state_, *jobModemWindow_, link_.View);
    mainWindow_->SetControllerLists(controllerLists_.get());
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
    jobs_->SetUnattended(true);
    controllerDialog_->StopJobs();
    jobs_->Post([console = console_.get()] { console->RemoveIdleHandler(); });
    jobs_->WaitIdle();
}

HayesApplication::~HayesApplication() {
    StopJobs();
    mainWindow_->SetModemConsole(nullptr, nullptr);
    mainWindow_->SetControllerLists(nullptr);
    // The job thread ends first: what it still runs reaches the windows.
    jobs_.reset();
    link_.PortHandle.SetTap(nullptr);
    link_.Log = nullptr;
}

}  // namespace hk
