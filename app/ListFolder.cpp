#include "app/ListFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include "app/KeptChoices.h"

namespace hk {
namespace {

const QString kKeepListFolder = QStringLiteral("files/listFolder");

bool FolderExists(const QString& folder) { return QFileInfo(folder).isDir(); }

}  // namespace

QString StartFolder(const QString& kept, bool portable, const QString& programFolder,
                    const QString& documents, const std::function<bool(const QString&)>& exists) {
    if (!kept.isEmpty() && exists(kept)) return kept;
    if (!portable && !documents.isEmpty() && exists(documents)) return documents;
    return programFolder;
}

QString ListDialogFolder(const MainState& state) {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return QDir::toNativeSeparators(
        StartFolder(KeptText(state, kKeepListFolder), state.DataDir == state.ProgramDir,
                    QString::fromStdString(state.ProgramDir), documents, FolderExists));
}

void KeepListFolder(const MainState& state, const QString& file) {
    KeepText(state, kKeepListFolder, QDir::toNativeSeparators(QFileInfo(file).absolutePath()));
}

}  // namespace hk
