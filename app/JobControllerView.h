#pragma once
// The controller dialog as its job sees it from the job thread. What the job
// shows (status texts, labels, the gauge, the number field, the closing) is
// posted to the dialog; questions and boxes open there while the job waits;
// the operator's choices are fetched from the dialog at the job's first
// read after a checkpoint and kept until the next one, so that a choice
// changed in the middle of a step reaches the job where it did before: at
// its next "let messages run". The two memos of the main window are read
// and written the same way (gui/JobMemo.h).
//
// Called on the window thread, every call goes straight to the dialog.

#include "device/ControllerView.h"
#include "gui/EpochValue.h"
#include "gui/JobMemo.h"
#include "gui/JobThread.h"

namespace hk {

class JobControllerView final : public device::ControllerView {
public:
    JobControllerView(JobThread& jobs, device::ControllerView& dialog)
        : jobs_(jobs),
          dialog_(dialog),
          upper_(jobs, dialog.BufferMemo(0)),
          lower_(jobs, dialog.BufferMemo(1)) {}

    // ViewHooks.
    void ProcessMessages() override;
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;
    // DeviceView.
    void SetStatusText(const std::string& text) override;
    void SetNumberLabel(const std::string& text) override;
    void SetSpeedLabel(const std::string& text) override;
    void ShowGauge(bool visible) override;
    void SetGauge(int percent) override;
    // ControllerView: the choices.
    int PortChoice() override { return Choices().port; }
    std::string PortName() override { return Choices().portName; }
    int ProtocolChoice() override { return Choices().protocol; }
    int CrcChoice() override { return Choices().crcMode; }
    bool CurrentLoopChosen() override { return Choices().currentLoop; }
    int ChannelChoice() override { return Choices().channel; }
    bool SearchAllNumbers() override { return Choices().searchAllNumbers; }
    std::string NumberText() override { return Choices().number; }
    bool HexView() override { return Choices().hexView; }
    int SpeedChoice() override { return Choices().speedItem; }
    std::string PasswordText() override { return Choices().password; }
    bool BackupBeforeWrite() override { return Choices().backup; }
    bool VerifyAfterWrite() override { return Choices().verify; }
    bool ShowSpecialCharacters() override { return Choices().specialCharacters; }
    // ControllerView: what the job changes.
    void ShowFields(bool manual, bool results) override;
    void SetNumberText(const std::string& text) override;
    void CloseDialog() override;
    void ShowStoredLink(int portIndex, int linkKind) override;
    void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) override;
    void ShowRunning(bool running) override;
    MemoLines& BufferMemo(int index) override { return index == 0 ? upper_ : lower_; }

private:
    struct Chosen {
        int port = 0;
        std::string portName;
        int protocol = 0;
        int crcMode = 0;
        bool currentLoop = false;
        int channel = 0;
        bool searchAllNumbers = true;
        std::string number;
        bool hexView = false;
        int speedItem = 0;
        std::string password;
        bool backup = true;
        bool verify = true;
        bool specialCharacters = false;
    };
    // The choices as of the last checkpoint (read on the window thread when
    // called there).
    const Chosen& Choices();
    Chosen ReadDialog();

    JobThread& jobs_;
    device::ControllerView& dialog_;
    JobMemo upper_, lower_;
    EpochValue<Chosen> chosen_;  // job thread
    Chosen read_;                // window thread
};

}  // namespace hk
