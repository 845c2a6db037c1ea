#include "app/JobModemWindow.h"

#include "app/JobRecords.h"
#include "modem/ModemConsole.h"

namespace hk {

bool JobModemWindow::ShowSpecialCharacters() {
    if (!jobs_.OnJobThread()) return window_.ShowSpecialCharacters();
    return specialCharacters_.Get(jobs_, [this] { return window_.ShowSpecialCharacters(); });
}

std::string JobModemWindow::CommandText() {
    return jobs_.OnWindow([this] { return window_.CommandText(); });
}

void JobModemWindow::ShowCommandField(bool visible) {
    jobs_.ShowOnWindow([this, visible] { window_.ShowCommandField(visible); });
}

void JobModemWindow::FocusCommandField() {
    jobs_.ShowOnWindow([this] { window_.FocusCommandField(); });
}

std::string JobModemWindow::RingCountText() {
    return jobs_.OnWindow([this] { return window_.RingCountText(); });
}

void JobModemWindow::SetRingCount(int value) {
    jobs_.ShowOnWindow([this, value] { window_.SetRingCount(value); });
}

std::optional<std::string> JobModemWindow::OpenListDialog(std::string_view filter) {
    const std::string f(filter);
    return jobs_.OnWindow([&] { return window_.OpenListDialog(f); });
}

std::optional<std::string> JobModemWindow::SaveListDialog(std::string_view filter,
                                                          std::string_view defaultExt) {
    const std::string f(filter), ext(defaultExt);
    return jobs_.OnWindow([&] { return window_.SaveListDialog(f, ext); });
}

std::optional<std::string> JobModemWindow::ChooseListToLoad(std::string_view filter) {
    ShowCommandField(false);
    return OpenListDialog(filter);
}

std::optional<std::string> JobModemWindow::ChooseListToSave(std::string_view filter,
                                                            std::string_view defaultExt) {
    ShowCommandField(false);
    return SaveListDialog(filter, defaultExt);
}

bool JobModemWindow::ShowPortDialog() {
    return jobs_.OnWindow([this] { return window_.ShowPortDialog(); });
}

void JobModemWindow::IdleHandlerChanged(bool installed) {
    if (jobs_.OnJobThread()) jobs_.SetIdleWork(installed ? poll_ : std::function<void()>());
    jobs_.ShowOnWindow([this, installed] { window_.IdleHandlerChanged(installed); });
}

void JobModemWindow::ShowRunStatus(const std::string& text) {
    jobs_.ShowOnWindow([this, text] { window_.ShowRunStatus(text); });
}

void JobModemWindow::MarkRefusedLine(int index) {
    jobs_.ShowOnWindow([this, index] { window_.MarkRefusedLine(index); });
}

void JobModemWindow::ClearLineMarks() {
    jobs_.ShowOnWindow([this] { window_.ClearLineMarks(); });
}

void JobModemWindow::RunEnded(bool completed) {
    if (records_ && console_) records_->ModemRunEnded(console_->Run());
    jobs_.ShowOnWindow([this, completed] { window_.RunEnded(completed); });
}

// The list as it stands when a job on the modem begins, for its record.
void JobModemWindow::RunBegins() {
    if (!records_ || !console_) return;
    std::vector<std::string> lines;
    for (int i = 0; i < list_.Count(); ++i) lines.push_back(list_.Line(i));
    records_->ModemJobBegins(console_->ListFile(), std::move(lines));
}

void JobModemWindow::CheckBegins() { RunBegins(); }

void JobModemWindow::CheckEnded(const CheckResult& result) {
    if (records_) records_->ModemCheckEnded(result);
}

void JobModemWindow::MarkDifferingLine(int index) {
    jobs_.ShowOnWindow([this, index] { window_.MarkDifferingLine(index); });
}

void JobModemWindow::ClearDifferingLineMarks() {
    jobs_.ShowOnWindow([this] { window_.ClearDifferingLineMarks(); });
}

}  // namespace hk
