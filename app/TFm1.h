#pragma once
// The main window: the program's only non-modal window. One set of controls
// serves both sides; VisP shows, hides, moves and relabels them for the modem
// mode and the controller mode. The window owns the mode buttons, the kit
// menu, the status bar (hint and clock) and opens the two dialogs.

#include <QMainWindow>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "link/Port.h"
#include "state/MainState.h"

class QAction;
class QFrame;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QCheckBox;
class QSpinBox;
class QTimer;
class QKeyEvent;

namespace hk {

class HelpViewer;
class ModemConsole;
class Memo;
class TFm2;
class TFm3;

// How a file dialog is set up before it opens.
struct FileDialogSetup {
    QString InitialDir;
    QString Filter;  // "description|pattern"
    QString DefaultExt;
};

class TFm1 : public QMainWindow {
    Q_OBJECT
public:
    // Runs the creation steps (settings loaded) before anything is shown.
    TFm1(MainState& state, SerialLink& link, ViewHooks& view, const QString& programDir);
    ~TFm1() override;

    // The dialogs, created after this window.
    void SetDialogs(TFm2* fm2, TFm3* fm3) {
        fm2_ = fm2;
        fm3_ = fm3;
    }
    // The modem side's logic, which the function buttons, the key filter,
    // the ring count field and the idle timer drive.
    void SetModemConsole(ModemConsole* console) { console_ = console; }

    // Sets up a file dialog before it opens (the modem side passes the
    // list kind's filter and default extension).
    void SetFileFilter(std::string_view filter, std::string_view defaultExt, bool save);
    // Replaces the file dialogs (tests): gets the set-up, returns the chosen
    // path or nothing when cancelled.
    std::function<std::optional<std::string>(const FileDialogSetup&, bool save)> fileDialog;

    int HelpContext() const { return helpContext_; }
    QMenu* PopupMenu1() const { return popupMenu1_; }
    HelpViewer* Help() const { return help_; }
    const FileDialogSetup& OpenDialog1() const { return openDialog1_; }
    const FileDialogSetup& SaveDialog1() const { return saveDialog1_; }
    QTimer* IdleTimer() const { return idleTimer_; }
    QWidget* Panel1() const { return panel1_; }

    // Handlers, public so that the window can be driven without a pointer.
    void FormActivate();
    void SBtkClick();
    void SBbufClick();
    void SBExClick();
    void Button7Click();
    void Button8Click();
    void PopupMenu1Popup();
    void N1Click(QAction* item);
    void Label1DblClick();
    void SpeedButton1Click();
    void Timer1Timer();
    void ShowAppHint(const QString& hint);
    void ShowHelpContext(int context, QWidget* owner);

    void VisP(bool showUpper, bool showLower, bool showDeviceButtons);
    void ShowCommandEdit(bool visible);
    void SetKitCaption();

    // Runs a handler; a file error raised in it ends the handler and is shown
    // in the error box, and the program goes on.
    void Guarded(const std::function<void()>& handler);

protected:
    bool event(QEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void FormCreate(const QString& programDir);
    void CreateControls();
    void CreateKitMenu();
    void Place(QWidget* w, int left, int top, int width, int height);
    void FollowPanelSize();
    void ShowDeviceDialog();
    void RemoveIdleHandler();
    void WireModemSide();
    // Runs a modem-side action on the console, guarded like every handler.
    void RunConsole(void (*action)(ModemConsole&));
    bool FilterKey(QObject* watched, QKeyEvent* e);
    void SetHint(QWidget* w, const QString& hint);

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    TFm2* fm2_ = nullptr;
    TFm3* fm3_ = nullptr;
    ModemConsole* console_ = nullptr;
    HelpViewer* help_ = nullptr;
    int helpContext_ = 2;
    bool activated_ = false;
    FileDialogSetup openDialog1_;
    FileDialogSetup saveDialog1_;

public:
    // Components, named as the window's designer names them.
    QWidget* panel1_ = nullptr;
    QPushButton *SBtk = nullptr, *SBbuf = nullptr, *SpeedButton1 = nullptr, *SBEx = nullptr;
    QFrame *Bevel1 = nullptr, *Bevel2 = nullptr, *Bevel3 = nullptr, *Bevel5 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr;
    QLabel *Label1 = nullptr, *Label2 = nullptr, *Label3 = nullptr, *Label4 = nullptr,
           *Label5 = nullptr, *Label6 = nullptr, *Label7 = nullptr, *Label8 = nullptr,
           *Label9 = nullptr;
    Memo *Memo1 = nullptr, *Memo2 = nullptr;
    QPushButton *Button1 = nullptr, *Button2 = nullptr, *Button3 = nullptr, *Button4 = nullptr,
                *Button5 = nullptr, *Button6 = nullptr, *Button7 = nullptr, *Button8 = nullptr;
    QSpinBox* SpinEdit1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLabel *SB1Panel0 = nullptr, *SB1Panel1 = nullptr;
    QTimer* Timer1 = nullptr;

private:
    QMenu* popupMenu1_ = nullptr;
    QTimer* idleTimer_ = nullptr;
    struct Anchored {
        QWidget* w;
        QRect design;
        bool right, bottom;
    };
    QList<Anchored> anchored_;
};

}  // namespace hk
