#pragma once
// The operator's choices the program keeps from one run to the next, in
// "HayesKvd.ini" in the data folder (the settings file keeps its eight
// bytes): the safe write's "Резервная копия перед записью" and "Проверка
// записанного чтением" of the controller dialog, and the main window's
// "Проверять после записи".

#include <QString>

#include "state/MainState.h"

namespace hk {

inline const QString kKeepBackup = QStringLiteral("write/backup");
inline const QString kKeepVerify = QStringLiteral("write/verify");
inline const QString kKeepCheckAfterRun = QStringLiteral("modem/checkAfterRun");

QString KeptChoicesFile(const MainState& state);
// The choice as stored, or `byDefault` when the file does not hold it.
bool KeptChoice(const MainState& state, const QString& key, bool byDefault);
void KeepChoice(const MainState& state, const QString& key, bool value);

}  // namespace hk
