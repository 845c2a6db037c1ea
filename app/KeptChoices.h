#pragma once
// The operator's choices the program keeps from one run to the next, in
// "HayesKvd.ini" in the data folder (the settings file keeps its eight
// bytes): the safe write's "Резервная копия перед записью" and "Проверка
// записанного чтением" of the controller dialog, the main window's
// "Проверять после записи", the folder the list dialogs start in
// (app/ListFolder.h), and the records' folder and the operator's name of
// «Акты...». The file may begin with a byte order mark (Notepad's "UTF-8
// with BOM"): Qt's reader skips it.

#include <QString>

#include "state/MainState.h"

namespace hk {

inline const QString kKeepBackup = QStringLiteral("write/backup");
inline const QString kKeepVerify = QStringLiteral("write/verify");
inline const QString kKeepCheckAfterRun = QStringLiteral("modem/checkAfterRun");
inline const QString kKeepRecordFolder = QStringLiteral("records/folder");
inline const QString kKeepOperator = QStringLiteral("records/operator");

QString KeptChoicesFile(const MainState& state);
// The choice as stored, or `byDefault` when the file does not hold it.
bool KeptChoice(const MainState& state, const QString& key, bool byDefault);
void KeepChoice(const MainState& state, const QString& key, bool value);
// A text kept, empty when the file does not hold it.
QString KeptText(const MainState& state, const QString& key);
void KeepText(const MainState& state, const QString& key, const QString& value);

}  // namespace hk
