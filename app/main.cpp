// Program entry: the application object with its three windows, then the
// message loop. The program directory is the executable's own, not the
// working directory.

#include <QApplication>
#include <QDir>

#include "app/HayesApplication.h"
#include "app/MainWindow.h"
#include "gui/MessageBoxes.h"
#include "link/Clock.h"
#ifdef _WIN32
#include "link/Win32SerialLine.h"
#else
#include "link/PosixSerialLine.h"
#endif

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const QString programDir = QDir(QCoreApplication::applicationDirPath()).path() + '/';

    hk::RealClock clock;
#ifdef _WIN32
    hk::Win32SerialLine port;
#else
    hk::PosixSerialLine port(programDir.toStdString());
#endif
    hk::WidgetViewHooks view;
    hk::HayesApplication program(port, clock, view, programDir);
    view.SetParent(&program.Window());
    program.Window().show();
    return QApplication::exec();
}
