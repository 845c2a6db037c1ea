#pragma once
// The main window: the program's only non-modal window. One set of controls
// serves both sides; ShowSections shows, hides, moves and relabels them for
// the modem mode and the controller mode. The window owns the mode buttons,
// the kit menu, the status bar (hint and clock) and opens the two dialogs.
// Its widgets are private: callers use the operations below, tests reach a
// widget by its object name (the design's component name).

#include <QMainWindow>
#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "app/MemoLineList.h"
#include "link/Port.h"
#include "state/MainState.h"

class QAction;
class QCheckBox;
class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QTimer;

namespace hk {

class ControllerDialog;
class ExchangeLog;
class JobThread;
class HelpViewer;
class LogWindow;
class Memo;
class ModemConsole;
class PortDialog;
class StatusPanel;
namespace device {
class ControllerLists;
}

// Which of the file dialogs ChooseListFile opens.
enum class ListFileDialog { Open, Save };

// How a file dialog is set up before it opens.
struct FileDialogSetup {
    QString Title;
    QString InitialDir;
    QString Filter;  // "description|pattern"
    QString DefaultExt;
};

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Runs the creation steps (settings loaded) before anything is shown.
    MainWindow(MainState& state, SerialLink& link, ViewHooks& view, const QString& programDir);
    ~MainWindow() override;

    // The dialogs, created after this window.
    void SetDialogs(PortDialog* portDialog, ControllerDialog* controllerDialog) {
        portDialog_ = portDialog;
        controllerDialog_ = controllerDialog;
    }
    // The modem side's logic, which the function buttons, the key filter
    // and the ring count field drive outside controller mode. It lives on
    // the job thread `jobs`, where its work is posted; nullptr for both when
    // the program ends.
    void SetModemConsole(ModemConsole* console, JobThread* jobs) {
        console_ = console;
        jobs_ = jobs;
    }
    // The controller's buffer lists, which the function buttons drive in
    // controller mode; they live on the same job thread as the console.
    void SetControllerLists(device::ControllerLists* lists) { lists_ = lists; }

    // --- What the layers below read and change (through MainModemWindow).
    MemoLines& ListLines() { return listLines_; }
    MemoLines& AnswerLines() { return answerLines_; }
    bool ShowsSpecialCharacters() const;
    std::string CommandText() const;  // Windows-1251
    void ShowCommandField(bool visible);
    void FocusCommandField();
    QString RingCountText() const;
    void SetRingCount(int value);
    // Runs the open or save dialog for a list (filter "description|pattern",
    // default extension on saving); nothing when the operator cancels.
    std::optional<std::string> ChooseListFile(ListFileDialog dialog, std::string_view filter,
                                              std::string_view defaultExt);
    // The modem's answer receiver listens (on the job thread) or not.
    void SetAnswerReceiverRunning(bool running);
    bool AnswerReceiverRunning() const { return answerReceiverRunning_; }
    // How a modem run goes: its status text stands in the hint panel
    // whenever no hint is shown there (see ShowHint); refused lines are
    // marked in the list memo until the list changes.
    void ShowRunStatus(const QString& text);
    void MarkRefusedListLine(int index);
    void ClearListLineMarks();
    // A check of the modem against the list: the lines whose setting the
    // modem holds otherwise get a mark of their own colour.
    void MarkDifferingListLine(int index);
    void ClearDifferingListLineMarks();
    // A run has ended: "Проверить модем" can be pressed; with "Проверять
    // после записи" ticked, a completed run is checked as soon as the event
    // loop is back.
    void RunEnded(bool completed);

    // Replaces the file dialogs (tests): gets the set-up, returns the chosen
    // path or nothing when cancelled.
    using FileChooser =
        std::function<std::optional<std::string>(const FileDialogSetup&, bool save)>;
    void SetFileChooser(FileChooser chooser) { fileChooser_ = std::move(chooser); }
    const FileDialogSetup& OpenDialogSetup() const { return openDialog_; }
    const FileDialogSetup& SaveDialogSetup() const { return saveDialog_; }

    // --- The exchange log.
    void SetExchangeLog(ExchangeLog* log) { log_ = log; }
    // Opens the log's window over `owner` ("Журнал", Ctrl+L).
    void ShowLog(QWidget* owner);
    LogWindow* LogView() const { return logWindow_; }

    // --- The records' window («Акты...»), over `owner`.
    void SetRecordsRequest(std::function<void(QWidget* owner)> request) {
        recordsRequest_ = std::move(request);
    }

    // --- Help.
    int HelpContext() const { return helpContext_; }
    HelpViewer* Help() const { return help_; }
    // Opens the help at a context number, over the window asking for it.
    void ShowHelpContext(int context, QWidget* owner);

    // The caption of the chosen kit; a kit outside 0..3 leaves the caption.
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
    // Creation.
    void CreateControls();
    void StyleControls();
    void CreateStatusBarAndTimers();
    void CreateKitMenu();
    void ConnectHandlers();
    void LoadStoredState(const QString& programDir);

    // Handlers.
    void ResetToStartLayout();  // at the first showing
    void ToggleModemMode();
    void ToggleControllerMode();
    void ExitProgram();
    void ReadFromController();
    void WriteToController();
    void MarkChosenKit();  // as the kit menu opens
    void ChooseKit(QAction* item);
    void ToggleByteTrace();
    void ShowHelpContents();
    void ShowClock();
    void ShowHint(const QString& hint);
    // What a job of one side said goes when the mode changes: it would read
    // as the other side's.
    void ClearRunStatus();

    // Layout.
    // Which parts of the panel show.
    struct Sections {
        bool upper = false;  // the list (first buffer) and its buttons
        bool lower = false;  // the answers (second buffer) and their buttons
        bool controllerButtons = false;  // "Прочитать из КВАРД", "Записать в КВАРД"
    };
    void ShowSections(Sections shown);
    void LabelForModem();
    void LabelForController();
    void PlaceMemos(int listTop, int listHeight, int answersTop, int answersHeight);
    void FollowPanelSize();

    void CheckModem();  // "Проверить модем"
    void ShowControllerDialog();
    void RemoveAnswerReceiver();
    // Runs a modem-side action on the console, on the job thread.
    // `done`, if any, follows on this thread.
    void RunConsole(std::function<void(ModemConsole&)> action, std::function<void()> done = {});
    // Runs an action on the controller's buffer lists, on the job thread.
    void RunLists(std::function<void(device::ControllerLists&)> action);
    // A function button: on the job thread, the console's action, or in
    // controller mode the buffer lists' one.
    void ConnectFunctionButton(QPushButton* button, void (*modem)(ModemConsole&),
                               void (*controller)(device::ControllerLists&));
    bool FilterKey(QObject* watched, QKeyEvent* e);
    void SetHint(QWidget* w, const QString& hint);
    void RestoreDesignHint(QWidget* w);
    void SetDesignCaption(QWidget* w);

    MainState& state_;
    SerialLink& link_;
    ViewHooks& view_;
    PortDialog* portDialog_ = nullptr;
    ControllerDialog* controllerDialog_ = nullptr;
    ModemConsole* console_ = nullptr;
    device::ControllerLists* lists_ = nullptr;
    JobThread* jobs_ = nullptr;
    bool answerReceiverRunning_ = false;
    HelpViewer* help_ = nullptr;
    ExchangeLog* log_ = nullptr;
    LogWindow* logWindow_ = nullptr;
    int helpContext_ = 2;  // the start's help context
    bool activated_ = false;
    FileDialogSetup openDialog_;
    FileDialogSetup saveDialog_;
    FileChooser fileChooser_;
    std::function<void(QWidget* owner)> recordsRequest_;
    QString runStatus_;           // the modem run's status text, under the hints
    bool checkUnderWay_ = false;  // "Проверить модем" is being handled

    // The widgets, by what they show; their object names are the design's.
    QWidget* panel_ = nullptr;
    QPushButton* modemModeButton_ = nullptr;       // SBtk "Модем для КВАРД"
    QPushButton* controllerModeButton_ = nullptr;  // SBbuf "Настройка КВАРД"
    QPushButton* helpButton_ = nullptr;            // SpeedButton1 "Помощь"
    QPushButton* logButton_ = nullptr;             // "Журнал"
    QPushButton* recordsButton_ = nullptr;         // «Акты...»
    QPushButton* exitButton_ = nullptr;            // SBEx "Выход "
    QCheckBox* smsBox_ = nullptr;                  // CheckBox1, never shown
    QLabel* groupRuleLabel_ = nullptr;             // Label9, the "<CR>" rule
    QLabel* upperTitle_ = nullptr;         // Label1 "Стандартные настройки "
    QLabel* versionLabel_ = nullptr;       // Label8
    QLabel* upperSubtitle_ = nullptr;      // Label4
    QLabel* upperChannelLabel_ = nullptr;  // Label5
    Memo* listMemo_ = nullptr;             // Memo1: the list, or the first buffer
    QPushButton* loadButton_ = nullptr;    // Button1 "Прочитать из файла"
    QPushButton* saveButton_ = nullptr;    // Button4 "Сохранить в файле"
    QPushButton* writeOrClearButton_ = nullptr;  // Button2 "Записать в модем" / "Очистить"
    QFrame* ringCountFrame_ = nullptr;      // Bevel3
    QLabel* ringCountLabel_ = nullptr;      // Label3
    QSpinBox* ringCountField_ = nullptr;    // SpinEdit1
    QCheckBox* specialCharsBox_ = nullptr;  // CheckBox2 "Показать спец. символы"
    QFrame* middleLine_ = nullptr;          // Bevel2
    QLabel* lowerTitle_ = nullptr;          // Label2
    QLabel* lowerSubtitle_ = nullptr;       // Label7
    QLabel* lowerChannelLabel_ = nullptr;   // Label6
    Memo* answersMemo_ = nullptr;           // Memo2: the answers, or the second buffer
    QPushButton* viewOrLoadButton_ = nullptr;  // Button3 settings view / "Прочитать из файла"
    QPushButton* lowerSaveButton_ = nullptr;  // Button6 "Сохранить в файле"
    QPushButton* commandOrClearButton_ = nullptr;  // Button5 "Ввод АТ - команды" / "Очистить"
    QLineEdit* commandField_ = nullptr;             // Edit1
    QFrame* bottomLine_ = nullptr;                  // Bevel5
    QPushButton* readControllerButton_ = nullptr;   // Button7 "Прочитать из КВАРД"
    QPushButton* writeControllerButton_ = nullptr;  // Button8 "Записать в КВАРД"
    QPushButton* checkModemButton_ = nullptr;       // "Проверить модем"
    QCheckBox* checkAfterRunBox_ = nullptr;         // "Проверять после записи"
    StatusPanel* hintPanel_ = nullptr;              // status panel 0
    QLabel* clockPanel_ = nullptr;                  // status panel 1
    QTimer* clockTimer_ = nullptr;                  // Timer1
    QMenu* kitMenu_ = nullptr;                      // PopupMenu1

    MemoLineList listLines_;
    MemoLineList answerLines_;

    // The memos' design places; they follow the panel's right (and the
    // answers memo its bottom) edge from there.
    QRect listDesign_, answersDesign_;
};

}  // namespace hk
