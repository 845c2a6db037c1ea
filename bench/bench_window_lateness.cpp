// Measures how live the window stays while a job runs: a 10 ms timer on the
// window thread records how late each of its ticks comes, while the real
// windows drive four jobs over pseudo-terminals against the simulated
// devices, on the real clock:
//  - a modem run of 20 lines (ports/com2, the simulated Hayes modem);
//  - a controller read with the speed searched: number 5, "Подбор" speed,
//    five speeds that fail (300 ... 4800 baud) before 9600 answers;
//  - a full write of both buffers with its backup before and read-back after;
//  - a network scan of numbers 1..10 at 9600 baud.
// For each job it prints the job's duration and the ticks' lateness: maximum
// and 99th percentile (targets: max <= 30 ms, 99th percentile <= 10 ms).
// The windows run offscreen; no display is needed.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/ControllerDialog.h"
#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "bench/BenchSupport.h"
#include "gui/Memo.h"
#include "link/Port.h"
#include "link/PosixSerialLine.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"

namespace {

using namespace hk;

// The boxes answered as an operator who agrees to everything would; the
// window's messages run where the jobs let them.
class AgreeingView final : public ViewHooks {
public:
    void ProcessMessages() override { QCoreApplication::processEvents(); }
    bool Confirm(const std::string&) override { return true; }
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string& text) override {
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
};

// The 10 ms timer and what it saw while recording.
class Lateness : public QObject {
public:
    Lateness() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
        clock_.start();
        timer_.start();
    }
    void Start() {
        late_.clear();
        last_ = clock_.nsecsElapsed();
        started_ = last_;
        recording_ = true;
    }
    void Stop() {
        recording_ = false;
        // A job that never let the timer run counts as one long tick.
        Tick(true);
    }
    void Print(const char* job) const {
        std::vector<double> v = late_;
        std::sort(v.begin(), v.end());
        const double max = v.empty() ? 0 : v.back();
        const double p99 = v.empty() ? 0 : v[std::min(v.size() - 1, v.size() * 99 / 100)];
        std::printf("%-44s %8.0f ms  %6zu ticks  max %7.1f ms  p99 %6.1f ms\n", job,
                    static_cast<double>(lastEnd_ - started_) / 1e6, v.size(), max, p99);
    }

private:
    static constexpr int kTickMs = 10;
    void Tick(bool final = false) {
        if (!recording_ && !final) return;
        const qint64 now = clock_.nsecsElapsed();
        late_.push_back(std::max(0.0, static_cast<double>(now - last_) / 1e6 - kTickMs));
        last_ = now;
        if (final) lastEnd_ = now;
    }
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 last_ = 0, started_ = 0, lastEnd_ = 0;
    bool recording_ = false;
    std::vector<double> late_;
};

// Lets the window run until `done`, at most `seconds`.
bool RunUntil(const std::function<bool()>& done, int seconds) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < seconds * 1000LL)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    return done();
}

template <class T>
T* Child(QObject* parent, const char* name) {
    T* w = parent->findChild<T*>(QString::fromLatin1(name));
    if (!w) {
        std::fprintf(stderr, "no control %s\n", name);
        std::exit(1);
    }
    return w;
}

void Click(QWidget* w) { QMetaObject::invokeMethod(w, "click", Qt::DirectConnection); }

// Runs `inDialog` on the next modal window to open (not the one open now).
void OnModal(std::function<void(QWidget*)> inDialog,
             QWidget* openNow = QApplication::activeModalWidget()) {
    QTimer::singleShot(5, [inDialog = std::move(inDialog), openNow]() mutable {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal != openNow)
            inDialog(modal);
        else
            OnModal(std::move(inDialog), openNow);
    });
}

}  // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication qapp(argc, argv);
    const bench::ScratchFolder folder("hk-lateness");
    const std::string dir = folder.Dir();

    sim::HayesModem modem;
    sim::KvardOptions o;
    o.kit = sim::KvardKit::Basic;
    o.netNumber = 5;
    o.baudRate = 9600;
    o.evenParityReadsAsNone = true;
    sim::KvardController kvard(o);
    kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
    kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
    sim::ServedPty modemPty(modem, dir + "ports/com2");
    sim::ServedPty kvardPty(kvard, dir + "ports/com1");
    if (!modemPty.Started() || !kvardPty.Started()) {
        std::fprintf(stderr, "pseudo-terminals: %s %s\n", modemPty.Error().c_str(),
                     kvardPty.Error().c_str());
        return 1;
    }

    PosixSerialLine line(dir);
    RealClock clock;
    AgreeingView view;
    HayesApplication app(line, clock, view, QString::fromStdString(dir));
    MainWindow& window = app.Window();
    window.show();
    Lateness lateness;
    std::printf("%-44s %11s\n", "job", "duration");

    // --- The modem run.
    Click(Child<QPushButton>(&window, "SBtk"));
    app.Link().Settings.LinkKind = kLinkModem;
    if (!OpenPort(app.Link(), "Com2", 5, AddressMode::On)) return 1;
    app.State().PortReady = true;
    auto* list = Child<Memo>(&window, "Memo1");
    for (const std::string& l : bench::kModemList) list->AddLine(QString::fromStdString(l));
    auto* panel = Child<QLabel>(&window, "SB1Panel0");
    lateness.Start();
    Click(Child<QPushButton>(&window, "Button2"));
    if (!RunUntil([&] { return panel->text().startsWith(QStringLiteral("Записано")); }, 60))
        std::fprintf(stderr, "the modem run did not end: %s\n", qPrintable(panel->text()));
    lateness.Stop();
    lateness.Print("modem run, 20 lines");
    Click(Child<QPushButton>(&window, "SBtk"));  // leaves the modem side

    // --- The controller side: the basic kit.
    Click(Child<QPushButton>(&window, "SBbuf"));
    auto* kits = Child<QMenu>(&window, "PopupMenu1");
    kits->hide();
    kits->actions().at(0)->trigger();
    ControllerDialog& dialog = app.Controller();
    bool finished = false;
    const auto search = [&](int speedItem, const char* what) {
        finished = false;
        OnModal([&, speedItem, what](QWidget*) {
            Child<QCheckBox>(&dialog, "CheckBox1")->setChecked(false);
            Child<QLineEdit>(&dialog, "Edit1")->setText(QStringLiteral("5"));
            Child<QComboBox>(&dialog, "ComboBox1")->setCurrentIndex(speedItem);
            QTimer::singleShot(0, [&, what] {
                lateness.Start();
                Click(Child<QPushButton>(&dialog, "Button1"));
                RunUntil([&] { return !dialog.isVisible(); }, 120);
                lateness.Stop();
                lateness.Print(what);
                if (dialog.isVisible()) dialog.reject();
                finished = true;
            });
        });
    };
    search(0, "controller read, 5 speeds failed, then read");
    Click(Child<QPushButton>(&window, "Button7"));
    RunUntil([&] { return finished; }, 180);
    search(6, "controller write, backup and verify");
    Click(Child<QPushButton>(&window, "Button8"));
    RunUntil([&] { return finished; }, 180);

    // --- The network scan from the controller dialog.
    OnModal([&](QWidget*) {
        OnModal([&](QWidget* scan) {
            Child<QSpinBox>(scan, "FirstNumber")->setValue(1);
            Child<QSpinBox>(scan, "LastNumber")->setValue(10);
            Child<QComboBox>(scan, "ScanSpeed")->setCurrentIndex(6);  // 9600
            QTimer::singleShot(0, [&, scan] {
                auto* start = Child<QPushButton>(scan, "StartScan");
                const QString idle = start->text();
                lateness.Start();
                Click(start);
                RunUntil([&] { return start->text() == idle; }, 120);
                lateness.Stop();
                lateness.Print("network scan, numbers 1..10 at 9600");
                Click(Child<QPushButton>(scan, "CloseScan"));
                QTimer::singleShot(0, [&] {
                    Click(Child<QPushButton>(&dialog, "Button2"));
                    finished = true;
                });
            });
        });
        Click(Child<QPushButton>(&dialog, "ScanButton"));
    });
    finished = false;
    Click(Child<QPushButton>(&window, "Button7"));
    RunUntil([&] { return finished && !dialog.isVisible(); }, 180);

    app.Jobs().WaitIdle();
    modemPty.Stop();
    kvardPty.Stop();
    return 0;
}
