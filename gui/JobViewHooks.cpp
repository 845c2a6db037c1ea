#include "gui/JobViewHooks.h"

#include <cstdio>

namespace hk {

void ReportUnattended(const std::string& text) {
    std::string line = text;
    for (char& c : line)
        if (c == '\r') c = '\n';
    std::fprintf(stderr, "HayesKvd: %s\n", line.c_str());
}

void JobViewHooks::ProcessMessages() {
    if (!jobs_.OnJobThread()) {
        window_.ProcessMessages();
        return;
    }
    jobs_.OnWindow([this] { window_.ProcessMessages(); });
    jobs_.Checkpoint();
}

bool JobViewHooks::Confirm(const std::string& text) {
    if (jobs_.OnJobThread() && jobs_.Unattended()) {
        ReportUnattended(text + " — нет");
        return false;
    }
    return jobs_.OnWindow([&] { return window_.Confirm(text); });
}

void JobViewHooks::ShowInformation(const std::string& text) {
    if (jobs_.OnJobThread() && jobs_.Unattended()) return ReportUnattended(text);
    jobs_.OnWindow([&] { window_.ShowInformation(text); });
}

void JobViewHooks::ShowError(const std::string& text) {
    if (jobs_.OnJobThread() && jobs_.Unattended()) return ReportUnattended(text);
    jobs_.OnWindow([&] { window_.ShowError(text); });
}

}  // namespace hk
