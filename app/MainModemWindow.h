#pragma once
// The main window as the layers below it see it (the modem side and the
// controller dialog), on the window thread: its memos as line lists, the
// check box, the command field, the ring count, the file dialogs, the port
// dialog, whether the answer receiver listens, and a modem run's status text
// and line marks. The job thread reaches it through JobModemWindow.

#include "modem/ModemWindow.h"
#include "state/MainState.h"

namespace hk {

class MainWindow;
class PortDialog;

class MainModemWindow final : public ModemWindow {
public:
    MainModemWindow(MainWindow& window, PortDialog& portDialog, const MainState& state)
        : window_(window), portDialog_(portDialog), state_(state) {}

    MemoLines& ListMemo() override;
    MemoLines& AnswersMemo() override;
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

private:
    MainWindow& window_;
    PortDialog& portDialog_;
    const MainState& state_;
};

}  // namespace hk
