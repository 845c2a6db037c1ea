#pragma once
// The main window as the modem side sees it from the job thread: its memos
// fetched and written through the window thread, the operator's choice of
// special characters kept from one checkpoint to the next, questions and
// dialogs (file, port) opened on the window thread while the job waits, the
// run's texts and marks posted. The answer receiver, installed by the
// console, becomes the job thread's idle work: one poll whenever no task is
// waiting.
//
// The controller's buffer lists (device/ControllerLists) reach the same
// memos and file dialogs through it on the job thread; the command field
// closes as one of their dialogs opens, as it does for the modem's list.

#include <functional>

#include "device/ControllerLists.h"
#include "gui/EpochValue.h"
#include "gui/JobMemo.h"
#include "gui/JobThread.h"
#include "modem/ModemWindow.h"

namespace hk {

class JobRecords;
class ModemConsole;

class JobModemWindow final : public ModemWindow, public device::BufferListWindow {
public:
    JobModemWindow(JobThread& jobs, ModemWindow& window)
        : jobs_(jobs),
          window_(window),
          list_(jobs, window.ListMemo()),
          answers_(jobs, window.AnswersMemo()) {}

    // One poll of the answer receiver (ModemConsole::ModemIdle).
    void SetReceiver(std::function<void()> poll) { poll_ = std::move(poll); }
    // The record of every run of the list and check of the modem that
    // `console` makes (nullptr for both: none).
    void SetRecords(JobRecords* records, const ModemConsole* console) {
        records_ = records;
        console_ = console;
    }

    MemoLines& ListMemo() override { return list_; }
    MemoLines& AnswersMemo() override { return answers_; }
    bool ShowSpecialCharacters() override;
    std::string CommandText() override;
    void ShowCommandField(bool visible) override;
    void FocusCommandField() override;
    std::string RingCountText() override;
    void SetRingCount(int value) override;
    std::optional<std::string> OpenListDialog(std::string_view filter) override;
    std::optional<std::string> SaveListDialog(std::string_view filter,
                                              std::string_view defaultExt) override;
    bool ShowPortDialog() override;
    void IdleHandlerChanged(bool installed) override;
    void ShowRunStatus(const std::string& text) override;
    void MarkRefusedLine(int index) override;
    void ClearLineMarks() override;
    void RunEnded(bool completed) override;
    void MarkDifferingLine(int index) override;
    void ClearDifferingLineMarks() override;
    void RunBegins() override;
    void CheckBegins() override;
    void CheckEnded(const CheckResult& result) override;

    MemoLines& FirstBuffer() override { return list_; }
    MemoLines& SecondBuffer() override { return answers_; }
    std::optional<std::string> ChooseListToLoad(std::string_view filter) override;
    std::optional<std::string> ChooseListToSave(std::string_view filter,
                                                std::string_view defaultExt) override;

private:
    JobThread& jobs_;
    ModemWindow& window_;
    JobMemo list_, answers_;
    EpochValue<bool> specialCharacters_;
    std::function<void()> poll_;
    JobRecords* records_ = nullptr;
    const ModemConsole* console_ = nullptr;
};

}  // namespace hk
