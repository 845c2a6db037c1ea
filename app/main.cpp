// Program entry: the application object with its three windows, then the
// message loop. The program's folders follow from the executable's own
// folder, not the working directory: beside it in the portable build, the
// user's folders when installed (base/ProgramPlaces.h).

#include <QApplication>
#include <QDir>

#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "base/Interruption.h"
#include "base/ProgramPlaces.h"
#include "gui/MessageBoxes.h"
#include "gui/Translations.h"
#include "link/Clock.h"
#include "link/SystemLine.h"
#include "sim/SimulatedPorts.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString exeDir = QDir(QCoreApplication::applicationDirPath()).path() + '/';
    // The port mapping and the ports/ links lie beside the settings file.
    const hk::ProgramPlaces places = hk::LocateProgramPlaces(exeDir.toStdString());
    hk::InstallRussianQtTexts(app, exeDir);

    hk::RealClock clock;
    const std::unique_ptr<hk::SerialLine> port = hk::MakeSystemLine(places.settingsDir);
    hk::WidgetViewHooks view;
    // «Проверка адаптера» opens the demo's simulated adapters as well as real ports.
    hk::sim::SimulatedPorts adapters(places.settingsDir, clock);
    hk::HayesApplication program(*port, clock, view, QString::fromStdString(places.programFolder));
    program.SetAdapterLines(
        [&adapters](const std::string& name) { return adapters.MakeLine(name); });
    view.SetParent(&program.Window());
    program.Window().show();
    // A signal ends the program after the job under way has let the
    // controller go (HayesApplication::StopJobs).
    hk::InstallInterruption("HayesKvd");
    program.WatchSignals();
    return QApplication::exec();
}
