#pragma once
// The main window as the modem side sees it: its memos as line lists, the
// check box, the command field, the ring count, the file dialogs, the port
// dialog and the receiver's idle timer.

#include "state/MainState.h"
#include "modem/ModemWindow.h"

namespace hk {

class Memo;
class TFm1;
class TFm2;

// One memo of the window as a list of Windows-1251 lines.
class MemoLineList final : public MemoLines {
public:
    explicit MemoLineList(Memo& memo) : memo_(memo) {}
    void AddLine(const std::string& line) override;
    int Count() const override;
    std::string Line(int index) const override;
    void SetLine(int index, const std::string& line) override;
    void Clear() override;
    void SetFocus() override;

private:
    Memo& memo_;
};

class MainModemWindow final : public ModemWindow {
public:
    MainModemWindow(TFm1& fm1, TFm2& fm2, const MainState& state);

    MemoLines& Memo1() override { return memo1_; }
    MemoLines& Memo2() override { return memo2_; }
    bool CheckBox2Checked() override;
    std::string Edit1Text() override;
    void ShowCommandEdit(bool visible) override;
    void FocusCommandEdit() override;
    std::string RingCountText() override;
    void SetRingCount(int value) override;
    std::optional<std::string> OpenListDialog(std::string_view filter) override;
    std::optional<std::string> SaveListDialog(std::string_view filter,
                                              std::string_view defaultExt) override;
    bool ShowPortDialog() override;
    void IdleHandlerChanged(bool installed) override;

private:
    TFm1& fm1_;
    TFm2& fm2_;
    const MainState& state_;
    MemoLineList memo1_;
    MemoLineList memo2_;
};

}  // namespace hk
