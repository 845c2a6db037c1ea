#pragma once
// The controller dialog: the link parameters of a КВАРД controller, the
// search for its network number and speed, and the read or write of its
// modem buffers. A fixed-size dialog; for the basic kit the main window
// narrows it by the width of the protocol panel on its right. Its widgets are
// private; tests reach them by object name (the design's component names).

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

class ControllerDialog : public QDialog {
    Q_OBJECT
public:
    using HelpRequest = std::function<void(int context, QWidget* owner)>;
    ControllerDialog(MainState& state, SerialLink& link, ViewHooks& view, HelpRequest help,
                     QWidget* parent);

    static constexpr int kHelpContext = 8;

    // Sets the protocol panel up for the kit and sizes the dialog (the main
    // window's preparation before each opening).
    void Prepare(std::uint8_t kitIndex, const TPortSettings& settings);
    // Centres the dialog on the desktop and shows it modally.
    void ShowModal();

    // The design geometry recorded at creation, from which Prepare sizes
    // the dialog.
    int SavedWidth() const { return savedWidth_; }
    int SavedButton1Left() const { return savedButton1Left_; }
    int SavedButton2Left() const { return savedButton2Left_; }

protected:
    void showEvent(QShowEvent* e) override;
    void done(int result) override;

private:
    void CreateControls();
    // The creation steps that use the loaded settings and the kit.
    void RecordDesign();
    // At every opening.
    void PrepareOpening();
    void ClearOnClose();
    void ShowFields(bool manual, bool results);
    // The CRC choice shows for FT1.2 only.
    void ShowCrcChoice();
    void SizeTo(int width);
    void ClearJobDisplay();

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    HelpRequest help_;

    int savedWidth_ = 0;
    int savedButton1Left_ = 0;
    int savedButton2Left_ = 0;

    QCheckBox* searchNumbersBox_ = nullptr;  // CheckBox1 "Подбор сетевого номера"
    QFrame* numberFrame_ = nullptr;          // Bevel1
    RadioGroup* numberViewGroup_ = nullptr;  // RadioGroup1 "Вид сетевого номера"
    QLabel* numberLabel_ = nullptr;          // Label1 "Сетевой номер"
    QLineEdit* numberField_ = nullptr;       // Edit1
    QFrame* speedFrame_ = nullptr;           // Bevel2
    QLabel* speedLabel_ = nullptr;           // Label2 "Скорость обмена"
    QComboBox* speedList_ = nullptr;         // ComboBox1
    QLabel* passwordLabel_ = nullptr;        // Label8 "Пароль доступа"
    QLineEdit* passwordField_ = nullptr;     // Edit2
    RadioGroup* portGroup_ = nullptr;        // RG2 "Номер СОМ-порта"
    RadioGroup* linkGroup_ = nullptr;        // RadioGroup2 "Вид связи с КВАРД"
    RadioGroup* channelGroup_ = nullptr;     // RG3 "Канал обмена"
    QFrame* protocolPanel_ = nullptr;        // Panel2
    RadioGroup* protocolGroup_ = nullptr;    // Rprot "Протокол обмена"
    RadioGroup* crcGroup_ = nullptr;         // RCRC "Контрольная сумма CRC"
    QFrame* resultFrame_ = nullptr;          // Bevel3
    QLabel* numberUnderTest_ = nullptr;      // Label3
    QLabel* resultLabel_ = nullptr;          // Label4: the speed under test, the outcome
    QFrame* gaugeFrame_ = nullptr;           // Bevel6
    QProgressBar* gauge_ = nullptr;          // Gg1
    QStatusBar* statusBar_ = nullptr;        // StatusBar1
    QPushButton* searchButton_ = nullptr;    // Button1 "Подбор"
    QPushButton* exitButton_ = nullptr;      // Button2 "Выход"
    QTimer* tickTimer_ = nullptr;            // Timer1
};

}  // namespace hk
