#pragma once
// The controller dialog as its job sees it from the job thread. What the job
// shows (status texts, labels, the gauge, the number field, the closing) is
// posted to the dialog; questions and boxes open there while the job waits;
// the operator's choice is fetched from the dialog at the job's first
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
    // ControllerView: the choice.
    device::LinkChoice Choice() override { return Choices().link; }
    bool ShowSpecialCharacters() override { return Choices().specialCharacters; }
    // ControllerView: what the job changes.
    void ShowFields(device::FieldsShown shown) override;
    void SetNumberText(const std::string& text) override;
    void CloseDialog() override;
    void ShowStoredLink(int portIndex, int linkKind) override;
    void ShowSearchProgress(int attemptsMade, int attemptsTotal, std::int64_t msLeft) override;
    void ShowRunning(bool running) override;
    MemoLines& BufferMemo(int index) override { return index == 0 ? upper_ : lower_; }

private:
    // The link choice and, beside it, how the memos show special characters.
    struct Chosen {
        device::LinkChoice link;
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
