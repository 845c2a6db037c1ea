#pragma once
// The controller dialog's part for programs without a window: the link
// choices are set beforehand, the two buffers live in memory, questions are
// answered by a fixed policy, and what the dialog would show goes to an
// optional observer.

#include <functional>
#include <string>

#include "device/ControllerView.h"
#include "lists/MemoryLines.h"

namespace hk::device {

// What the operator would choose in the dialog.
struct LinkChoices {
    int port = 0;  // 0 = "Com1"
    std::string portName = "Com1";
    int protocol = 0;          // 0 traditional, 1 FT1.2
    int crcMode = 0;           // FT1.2: 0..2
    bool currentLoop = false;  // "ИРПС" rather than "Rs-232"
    int channel = 0;           // 0 МЦП, 1 МПИ
    bool searchAllNumbers = true;
    std::string number;  // as typed, in `hexView` or decimal
    bool hexView = false;
    int speedItem = 0;     // 0 "Подбор", 1..7 one speed
    std::string password;  // hexadecimal digits, or empty
};

class PresetControllerView : public ControllerView {
public:
    LinkChoices choices;
    MemoryLines upper, lower;
    bool showSpecialCharacters = false;
    // The safe write: a backup before, a read-back after.
    bool backup = true;
    bool verify = true;
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
    int PortChoice() override { return choices.port; }
    std::string PortName() override { return choices.portName; }
    int ProtocolChoice() override { return choices.protocol; }
    int CrcChoice() override { return choices.crcMode; }
    bool CurrentLoopChosen() override { return choices.currentLoop; }
    int ChannelChoice() override { return choices.channel; }
    bool SearchAllNumbers() override { return choices.searchAllNumbers; }
    std::string NumberText() override { return choices.number; }
    bool HexView() override { return choices.hexView; }
    int SpeedChoice() override { return choices.speedItem; }
    std::string PasswordText() override { return choices.password; }
    bool BackupBeforeWrite() override { return backup; }
    bool VerifyAfterWrite() override { return verify; }
    void ShowFields(bool, bool) override {}
    void SetNumberText(const std::string& text) override { choices.number = text; }
    void CloseDialog() override { closed = true; }
    MemoLines& BufferMemo(int index) override { return index == 0 ? upper : lower; }
    bool ShowSpecialCharacters() override { return showSpecialCharacters; }

private:
    void Show(const std::string& text) {
        if (observer && !text.empty()) observer(text);
    }
};

}  // namespace hk::device
