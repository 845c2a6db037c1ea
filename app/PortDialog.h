#pragma once
// The port and speed dialog "Инициализация Hayes-модема": the operator picks
// the port and speed a modem is reached at; OK opens the port as a modem link
// and stores the port in the settings file. Each port item says which device
// it opens and whether it is there (gui/PortHints.h); "Порты компьютера..."
// lists the devices present and assigns them to port names. Its widgets are
// private; tests reach them by object name ("RG1", "RG2", "BitBtn1",
// "BitBtn2", "PortsButton").

#include <QDialog>

#include "gui/Openings.h"
#include "gui/PortHints.h"
#include "link/Port.h"
#include "state/MainState.h"

class QPushButton;

namespace hk {

class JobThread;
class RadioGroup;

class PortDialog : public QDialog {
    Q_OBJECT
public:
    PortDialog(MainState& state, SerialLink& link, ViewHooks& view, QWidget* parent);

    // Shows the dialog modally; the caller then looks at PortReady.
    void ShowModal();
    // The port is opened on the job thread `jobs` (here without one).
    void SetJobs(JobThread* jobs) { jobs_ = jobs; }
    // What the port items' hints and menus also offer: the adapters' kept
    // checks and the adapter check (gui/PortHints.h).
    void SetPortItemOptions(PortItemOptions options) { portItems_ = std::move(options); }

protected:
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

private:
    // At every showing: the stored port, and the stored speed or none.
    void ShowStoredChoice();
    // OK: opens the chosen port as a modem link and stores the port.
    void OpenChosenPort();
    // "Порты компьютера...": the devices present, assigned to port names.
    void ShowComputerPorts();

    MainState& state_;
    SerialLink& link_;
    JobThread* jobs_ = nullptr;
    ViewHooks& view_;
    Openings openings_;
    RadioGroup* portGroup_ = nullptr;     // RG1 "Номер Сом-порта"
    RadioGroup* speedGroup_ = nullptr;    // RG2 "Скорость обмена"
    QPushButton* okButton_ = nullptr;     // BitBtn1
    QPushButton* closeButton_ = nullptr;  // BitBtn2
    QPushButton* portsButton_ = nullptr;  // "Порты компьютера..."
    PortItemOptions portItems_;
};

}  // namespace hk
