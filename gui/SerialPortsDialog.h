#pragma once
// "Порты компьютера": the serial devices present (built-in ports that answer,
// USB adapters, USB modems, with the adapter's name and its stable by-id
// path) and the port names of the program that lead to each; the operator
// picks a device and a name "Com1" … "Com18" and assigns it, or gives a
// name back to its default. Assignments go to the port mapping beside the
// settings file and count from the next open. Faulty lines of that file are
// listed under the table. Widgets are reached by object name ("DeviceList",
// "PortChoice", "AssignButton", "UnassignButton", "RefreshButton",
// "CloseButton", "MappingProblems").

#include <QDialog>
#include <string>
#include <vector>

#include "ports/SerialDevices.h"

class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTreeWidget;

namespace hk {

class SerialPortsDialog : public QDialog {
    Q_OBJECT
public:
    // `homeDir` holds the port mapping; `portNumber` (1 … 18) is the name
    // chosen at the start. `systemRoot` is for tests (ports/SerialDevices.h).
    SerialPortsDialog(std::string homeDir, int portNumber, QWidget* parent,
                      std::string systemRoot = {});

    // Lists the devices and the mapping afresh.
    void Refresh();

private:
    // The parts of the window, made in the order the constructor lays them out.
    void MakeDeviceList();
    QHBoxLayout* MakePortRow(int portNumber);
    void MakeLabels();
    void AssignChosenDevice();
    void RemoveAssignment();
    void ShowChosenPort();
    std::string MappingFile() const;

    std::string homeDir_;
    std::string systemRoot_;
    std::vector<SerialDevice> devices_;
    QTreeWidget* deviceList_ = nullptr;
    QComboBox* portChoice_ = nullptr;
    QLabel* chosenPortLabel_ = nullptr;
    QPushButton* assignButton_ = nullptr;
    QPushButton* unassignButton_ = nullptr;
    QLabel* problemsLabel_ = nullptr;
};

}  // namespace hk
