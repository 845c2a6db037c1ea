#include "app/MainModemWindow.h"

#include "app/MainWindow.h"
#include "app/PortDialog.h"

namespace hk {

MemoLines& MainModemWindow::ListMemo() { return window_.ListLines(); }
MemoLines& MainModemWindow::AnswersMemo() { return window_.AnswerLines(); }
bool MainModemWindow::ShowSpecialCharacters() { return window_.ShowsSpecialCharacters(); }
std::string MainModemWindow::CommandText() { return window_.CommandText(); }
void MainModemWindow::ShowCommandField(bool visible) { window_.ShowCommandField(visible); }
void MainModemWindow::FocusCommandField() { window_.FocusCommandField(); }
std::string MainModemWindow::RingCountText() { return window_.RingCountText().toStdString(); }
void MainModemWindow::SetRingCount(int value) { window_.SetRingCount(value); }

std::optional<std::string> MainModemWindow::OpenListDialog(std::string_view filter) {
    return window_.ChooseListFile(ListFileDialog::Open, filter, {});
}

std::optional<std::string> MainModemWindow::SaveListDialog(std::string_view filter,
                                                           std::string_view defaultExt) {
    return window_.ChooseListFile(ListFileDialog::Save, filter, defaultExt);
}

bool MainModemWindow::ShowPortDialog() {
    portDialog_.ShowModal();
    return state_.PortReady;
}

void MainModemWindow::IdleHandlerChanged(bool installed) {
    window_.SetAnswerReceiverRunning(installed);
}

void MainModemWindow::ShowRunStatus(const std::string& text) {
    window_.ShowRunStatus(QString::fromStdString(text));
}

void MainModemWindow::MarkRefusedLine(int index) { window_.MarkRefusedListLine(index); }

void MainModemWindow::ClearLineMarks() { window_.ClearListLineMarks(); }

void MainModemWindow::RunEnded(bool completed) { window_.RunEnded(completed); }

void MainModemWindow::MarkDifferingLine(int index) { window_.MarkDifferingListLine(index); }

void MainModemWindow::ClearDifferingLineMarks() { window_.ClearDifferingListLineMarks(); }

}  // namespace hk
