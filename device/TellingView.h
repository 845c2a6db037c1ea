#pragma once
// The controller dialog as a job uses it: everything goes on to the dialog,
// and the last text the operator was told is kept — a status bar text, a
// message box, or a question other than the restart question that follows
// every write. A run that fails takes it as its outcome's message; the
// labels of the number and speed under test tell nothing of a failure and
// are not kept.

#include <string>

#include "device/Commands.h"
#include "device/ControllerView.h"

namespace hk::device {

class TellingView final : public ControllerView {
public:
    explicit TellingView(ControllerView& dialog) : dialog_(dialog) {}

    // The last text told, empty when nothing was told since Forget.
    const std::string& LastTold() const { return told_; }
    void Forget() { told_.clear(); }
    // A text the operator was told elsewhere (the port's error box).
    void Note(const std::string& text) {
        if (!text.empty()) told_ = text;
    }

    void ProcessMessages() override { dialog_.ProcessMessages(); }
    bool Confirm(const std::string& text) override {
        if (text != kRestartQuestion) Note(text);
        return dialog_.Confirm(text);
    }
    void ShowInformation(const std::string& text) override {
        Note(text);
        dialog_.ShowInformation(text);
    }
    void ShowError(const std::string& text) override {
        Note(text);
        dialog_.ShowError(text);
    }
    void SetStatusText(const std::string& text) override {
        Note(text);
        dialog_.SetStatusText(text);
    }
    void SetNumberLabel(const std::string& text) override { dialog_.SetNumberLabel(text); }
    void SetSpeedLabel(const std::string& text) override { dialog_.SetSpeedLabel(text); }
    void ShowGauge(bool visible) override { dialog_.ShowGauge(visible); }
    void SetGauge(int percent) override { dialog_.SetGauge(percent); }
    LinkChoice Choice() override { return dialog_.Choice(); }
    void ShowFields(FieldsShown shown) override { dialog_.ShowFields(shown); }
    void SetNumberText(const std::string& text) override { dialog_.SetNumberText(text); }
    void CloseDialog() override { dialog_.CloseDialog(); }
    void ShowStoredLink(int portIndex, int linkKind) override {
        dialog_.ShowStoredLink(portIndex, linkKind);
    }
    void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) override {
        dialog_.ShowSearchProgress(attemptsMade, attemptsTotal, msLeft);
    }
    void ShowRunning(bool running) override { dialog_.ShowRunning(running); }
    MemoLines& BufferMemo(int index) override { return dialog_.BufferMemo(index); }
    bool ShowSpecialCharacters() override { return dialog_.ShowSpecialCharacters(); }

private:
    ControllerView& dialog_;
    std::string told_;
};

}  // namespace hk::device
