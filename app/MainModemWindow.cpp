#include "app/MainModemWindow.h"

#include <QCheckBox>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>

#include "app/TFm1.h"
#include "app/TFm2.h"
#include "gui/Memo.h"
#include "gui/Text.h"

namespace hk {
namespace {

// "description|pattern" as the file dialogs of the program write a filter.
QString DialogFilter(std::string_view filter) {
    const QString f = QString::fromUtf8(filter.data(), static_cast<qsizetype>(filter.size()));
    return f.section(QLatin1Char('|'), 0, 0);
}

std::optional<std::string> RunFileDialog(QWidget* parent, const FileDialogSetup& setup, bool save) {
    QFileDialog dialog(parent);
    dialog.setObjectName(save ? QStringLiteral("SaveDialog1") : QStringLiteral("OpenDialog1"));
    dialog.setDirectory(setup.InitialDir);
    dialog.setNameFilter(DialogFilter(setup.Filter.toStdString()));
    if (save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(setup.DefaultExt);
        dialog.setOption(QFileDialog::DontConfirmOverwrite);  // overwrites without asking
    } else {
        dialog.setFileMode(QFileDialog::AnyFile);  // a name that does not exist is accepted
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return QFile::encodeName(dialog.selectedFiles().constFirst()).toStdString();
}

}  // namespace

void MemoLineList::AddLine(const std::string& line) { memo_.AddLine(FromCp1251(line)); }
int MemoLineList::Count() const { return memo_.LineCount(); }
std::string MemoLineList::Line(int index) const { return ToCp1251(memo_.Line(index)); }
void MemoLineList::SetLine(int index, const std::string& line) {
    memo_.SetLine(index, FromCp1251(line));
}
void MemoLineList::Clear() { memo_.ClearLines(); }
void MemoLineList::SetFocus() { memo_.setFocus(); }

MainModemWindow::MainModemWindow(TFm1& fm1, TFm2& fm2, const MainState& state)
    : fm1_(fm1), fm2_(fm2), state_(state), memo1_(*fm1.Memo1), memo2_(*fm1.Memo2) {}

bool MainModemWindow::CheckBox2Checked() { return fm1_.CheckBox2->isChecked(); }

std::string MainModemWindow::Edit1Text() { return ToCp1251(fm1_.Edit1->text()); }

void MainModemWindow::ShowCommandEdit(bool visible) { fm1_.ShowCommandEdit(visible); }

void MainModemWindow::FocusCommandEdit() { fm1_.Edit1->setFocus(); }

std::string MainModemWindow::RingCountText() { return fm1_.SpinEdit1->text().toStdString(); }

void MainModemWindow::SetRingCount(int value) { fm1_.SpinEdit1->setValue(value); }

std::optional<std::string> MainModemWindow::OpenListDialog(std::string_view filter) {
    fm1_.SetFileFilter(filter, {}, false);
    return fm1_.fileDialog ? fm1_.fileDialog(fm1_.OpenDialog1(), false)
                           : RunFileDialog(&fm1_, fm1_.OpenDialog1(), false);
}

std::optional<std::string> MainModemWindow::SaveListDialog(std::string_view filter,
                                                           std::string_view defaultExt) {
    fm1_.SetFileFilter(filter, defaultExt, true);
    return fm1_.fileDialog ? fm1_.fileDialog(fm1_.SaveDialog1(), true)
                           : RunFileDialog(&fm1_, fm1_.SaveDialog1(), true);
}

bool MainModemWindow::ShowPortDialog() {
    fm2_.ShowModal();
    return state_.PortReady;
}

void MainModemWindow::IdleHandlerChanged(bool installed) {
    if (installed)
        fm1_.IdleTimer()->start();
    else
        fm1_.IdleTimer()->stop();
}

}  // namespace hk
