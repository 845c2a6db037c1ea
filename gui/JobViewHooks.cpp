#include "gui/JobViewHooks.h"

#include <cstdio>

namespace hk {

void ReportUnattended(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = '\n';
    std::fprintf(stderr, "HayesKvd: %s\n", line.c_str());
}

void JobCheckpoint(JobThread& jobs, ViewHooks& window) {
    if (!jobs.OnJobThread()) return window.ProcessMessages();
    jobs.OnWindow([&] { window.ProcessMessages(); });
    jobs.Checkpoint();
}

bool JobConfirm(JobThread& jobs, ViewHooks& window, const std::string& text) {
    if (jobs.OnJobThread() && jobs.Unattended()) {
        ReportUnattended(text + " — нет");
        return false;
    }
    return jobs.OnWindow([&] { return window.Confirm(text); });
}

void JobInformation(JobThread& jobs, ViewHooks& window, const std::string& text) {
    if (jobs.OnJobThread() && jobs.Unattended()) return ReportUnattended(text);
    jobs.OnWindow([&] { window.ShowInformation(text); });
}

void JobError(JobThread& jobs, ViewHooks& window, const std::string& text) {
    if (jobs.OnJobThread() && jobs.Unattended()) return ReportUnattended(text);
    jobs.OnWindow([&] { window.ShowError(text); });
}

void JobViewHooks::ProcessMessages() { JobCheckpoint(jobs_, window_); }
bool JobViewHooks::Confirm(const std::string& text) { return JobConfirm(jobs_, window_, text); }
void JobViewHooks::ShowInformation(const std::string& text) {
    JobInformation(jobs_, window_, text);
}
void JobViewHooks::ShowError(const std::string& text) { JobError(jobs_, window_, text); }

}  // namespace hk
