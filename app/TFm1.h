#pragma once
// The main window: the program's only non-modal window.

#include <QMainWindow>

#include "modem/MainState.h"
#include "link/Port.h"

namespace hk {

class TFm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs the creation steps (settings loaded) before anything is shown.
    TFm1(MainState& state, SerialLink& link, const QString& programDir);

private:
    void FormCreate(const QString& programDir);

    MainState& state_;
    SerialLink& link_;
};

}  // namespace hk
