#pragma once
// The controller dialog: the link parameters of a КВАРД controller, the
// search for its network number and speed, and the read or write of its
// modem buffers. A fixed-size dialog; for the basic kit the main window
// narrows it by the width of the protocol panel on its right.

#include <QDialog>
#include <functional>

#include "link/Port.h"
#include "state/MainState.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QTimer;

namespace hk {

class RadioGroup;

class TFm3 : public QDialog {
    Q_OBJECT
public:
    using HelpRequest = std::function<void(int context, QWidget* owner)>;
    TFm3(MainState& state, SerialLink& link, ViewHooks& view, HelpRequest help, QWidget* parent);

    static constexpr int kHelpContext = 8;

    // Sets the protocol panel up for the kit and sizes the dialog (the main
    // window's preparation before each opening).
    void Prepare(std::uint8_t kitIndex, const TPortSettings& settings);
    // Centres the dialog on the desktop and shows it modally.
    void ShowModal();

    void FormActivate();
    void FormClose();
    void ShowFields(bool manual, bool results);
    void RprotClick();

    int SavedWidth = 0;
    int SavedButton1Left = 0;
    int SavedButton2Left = 0;

    QCheckBox* CheckBox1 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label8 = nullptr;
    QLineEdit *Edit1 = nullptr, *Edit2 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    RadioGroup *RadioGroup1 = nullptr, *RadioGroup2 = nullptr, *RG2 = nullptr, *RG3 = nullptr,
               *Rprot = nullptr, *RCRC = nullptr;
    QFrame *Panel2 = nullptr, *Bevel1 = nullptr, *Bevel2 = nullptr, *Bevel3 = nullptr,
           *Bevel6 = nullptr;
    QProgressBar* Gg1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void FormCreate();
    void CreateControls();
    void SizeTo(int width);
    void ClearJobDisplay();

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    HelpRequest help_;
};

}  // namespace hk
