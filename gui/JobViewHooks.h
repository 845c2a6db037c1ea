#pragma once
// The window's view hooks as a job on the job thread uses them: letting
// window messages run becomes a checkpoint (the window's own hooks run on
// the window thread, then the tasks posted meanwhile run here), and the
// message boxes open on the window thread while the job waits for them.
// While the job thread is unattended (the session ends the program), a
// question is answered No and a box is not shown but written to standard
// error. Called on the window thread, every call goes straight through.

#include "gui/JobThread.h"
#include "link/ViewHooks.h"

namespace hk {

class JobViewHooks final : public ViewHooks {
public:
    JobViewHooks(JobThread& jobs, ViewHooks& window) : jobs_(jobs), window_(window) {}

    void ProcessMessages() override;
    bool Confirm(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void ShowError(const std::string& text) override;

private:
    JobThread& jobs_;
    ViewHooks& window_;
};

// A box of a job while nobody attends: its text on standard error.
void ReportUnattended(const std::string& text);

// What every job-side view does with the window's hooks `window`: a
// checkpoint, and the three boxes (answered No, or not shown, while the job
// thread is unattended). On the window thread they go straight through.
void JobCheckpoint(JobThread& jobs, ViewHooks& window);
bool JobConfirm(JobThread& jobs, ViewHooks& window, const std::string& text);
void JobInformation(JobThread& jobs, ViewHooks& window, const std::string& text);
void JobError(JobThread& jobs, ViewHooks& window, const std::string& text);

}  // namespace hk
