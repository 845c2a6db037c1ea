#pragma once
// The port and speed dialog "Инициализация Hayes-модема": the operator picks
// the port and speed a modem is reached at; OK opens the port as a modem link
// and stores the port in the settings file.

#include <QDialog>

#include "link/Port.h"
#include "state/MainState.h"

class QPushButton;

namespace hk {

class RadioGroup;

class TFm2 : public QDialog {
    Q_OBJECT
public:
    TFm2(MainState& state, SerialLink& link, ViewHooks& view, QWidget* parent);

    // Shows the dialog modally; the caller then looks at PortReady.
    void ShowModal();
    void FormActivate();
    void BitBtn1Click();

    RadioGroup* RG1 = nullptr;
    RadioGroup* RG2 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;

private:
    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
};

}  // namespace hk
