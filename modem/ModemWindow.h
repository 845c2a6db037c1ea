#pragma once
// What the modem side needs of the main window: the list it sends and the
// answers it shows, as line lists; whether CR and LF are to show ("Показать
// спец. символы"); the typed command; the ring count; the choice of a list
// file and of the port and speed; word of the answer receiver's install and
// removal; and the display of a run's and a check's progress. The window
// program implements it with its widgets (through the job thread,
// app/JobModemWindow), hayeskvd-cli in memory, tests with fakes. All line
// texts are Windows-1251 bytes.

#include <optional>
#include <string>
#include <string_view>

#include "lists/MemoLines.h"

namespace hk {

struct CheckResult;

class ModemWindow {
public:
    virtual ~ModemWindow() = default;

    // The upper memo: the modem's list, or the first channel's buffer.
    virtual MemoLines& ListMemo() = 0;
    // The lower memo: the modem's answers, or the second channel's buffer.
    virtual MemoLines& AnswersMemo() = 0;
    // "Показать спец. символы": CR and LF show as "<CR>" and "<LF>".
    virtual bool ShowSpecialCharacters() = 0;

    // The command field under "Ввод АТ - команды".
    virtual std::string CommandText() = 0;
    virtual void ShowCommandField(bool visible) = 0;
    virtual void FocusCommandField() = 0;

    // The ring count field: its text as typed, and a new value.
    virtual std::string RingCountText() = 0;
    virtual void SetRingCount(int value) = 0;

    // The file dialogs, starting in the program's folder, with the filter
    // (and, for saving, the default extension) given. nullopt when the
    // operator cancels; otherwise a path the C library can open.
    virtual std::optional<std::string> OpenListDialog(std::string_view filter) = 0;
    virtual std::optional<std::string> SaveListDialog(std::string_view filter,
                                                      std::string_view defaultExt) = 0;

    // Shows the port and speed dialog modally; returns PortReady afterwards.
    virtual bool ShowPortDialog() = 0;

    // The answer receiver was installed (true) or removed (false): while it is
    // installed, whoever drives the console calls ModemConsole::ModemIdle
    // whenever nothing else waits (the window program: the job thread's idle
    // work; hayeskvd-cli: its own loop). Called on every install and removal,
    // also when nothing changes.
    virtual void IdleHandlerChanged(bool installed) = 0;

    // --- How a run of the list goes (RunMonitor), and a check of the modem
    // against the list (ModemCheckJob). A window that shows none of it (a
    // front end reading ModemConsole::Run() and the check's result) keeps
    // these as they are.
    // The status text (UTF-8): the line under way, a silent modem, the
    // summary of a run or of a check. Empty: no text.
    virtual void ShowRunStatus(const std::string& text) { (void)text; }
    // Marks line `index` of the list memo as failed, without changing its
    // text: the modem refused it, answered it without a result code, or did
    // not answer it within the run's time limit. The marks stay until the list is edited or loaded.
    virtual void MarkRefusedLine(int index) { (void)index; }
    // Removes every mark (a new run starts).
    virtual void ClearLineMarks() {}
    // A run has ended: `completed` when the modem answered its last line and
    // the run ended by itself (not cut short by a command, a mode button, a
    // check or a lost port), with the modem still taking commands (not on
    // line after a dial answered CONNECT).
    virtual void RunEnded(bool completed) { (void)completed; }
    // Marks line `index` of the list memo: the modem holds its setting
    // otherwise. Told apart from a refused line's mark; goes as that does.
    virtual void MarkDifferingLine(int index) { (void)index; }
    // Removes the marks of the last check (a new check starts); the refused
    // lines keep theirs.
    virtual void ClearDifferingLineMarks() {}

    // --- Where a job on the modem begins and ends, for its record: a run
    // of the list is about to start (before its title goes to the exchange
    // log; RunEnded tells its end), and a check of the modem begins and has
    // ended with `result`. Told on the console's thread.
    virtual void RunBegins() {}
    virtual void CheckBegins() {}
    virtual void CheckEnded(const CheckResult& result) { (void)result; }
};

}  // namespace hk
