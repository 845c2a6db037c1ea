#pragma once
// The controller dialog's part for programs without a window: the link
// choice is set beforehand, the two buffers live in memory, questions are
// answered by a fixed policy, and what the dialog would show goes to an
// optional observer.

#include <functional>
#include <string>

#include "device/ControllerView.h"
#include "lists/MemoryLines.h"

namespace hk::device {

class PresetControllerView : public ControllerView {
public:
    // What the operator would choose in the dialog, the safe write's two
    // steps included.
    LinkChoice choice;
    MemoryLines upper, lower;
    bool showSpecialCharacters = false;
    // Answers: to "Установите электронный ключ " and to "Перезапустить КВАРД?".
    bool installKey = false;
    bool restart = false;
    // Sees every status text, label text and box text as it is shown.
    std::function<void(const std::string&)> observer;
    // Runs wherever the job lets messages run: its checkpoints.
    std::function<void()> checkpoint;
    bool closed = false;
    int gauge = 0;

    void ProcessMessages() override {
        if (checkpoint) checkpoint();
    }
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override { Show(text); }
    void ShowError(const std::string& text) override { Show(text); }
    void SetStatusText(const std::string& text) override { Show(text); }
    void SetNumberLabel(const std::string& text) override { Show(text); }
    void SetSpeedLabel(const std::string& text) override { Show(text); }
    void ShowGauge(bool) override {}
    void SetGauge(int percent) override { gauge = percent; }
    LinkChoice Choice() override { return choice; }
    void ShowFields(FieldsShown) override {}
    void SetNumberText(const std::string& text) override { choice.number = text; }
    void CloseDialog() override { closed = true; }
    MemoLines& BufferMemo(int index) override { return index == 0 ? upper : lower; }
    bool ShowSpecialCharacters() override { return showSpecialCharacters; }

private:
    void Show(const std::string& text) {
        if (observer && !text.empty()) observer(text);
    }
};

}  // namespace hk::device
