// Program entry: the application object, then the main window (which loads
// the settings while it is created), then the message loop.

#include <QApplication>
#include <QDir>

#include "app/MessageBoxes.h"
#include "app/TFm1.h"
#include "link/Clock.h"
#include "link/PosixSerialLine.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    // The program's own directory, not the working directory.
    const QString programDir = QDir(QCoreApplication::applicationDirPath()).path() + '/';

    hk::RealClock clock;
    hk::PosixSerialLine port(programDir.toStdString());
    hk::WidgetViewHooks view;
    hk::SerialLink link(port, clock, view);
    hk::MainState state;

    hk::TFm1 fm1(state, link, programDir);
    view.SetParent(&fm1);
    fm1.show();
    return QApplication::exec();
}
