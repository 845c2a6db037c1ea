#include "app/KeptChoices.h"

#include <QSettings>

namespace hk {

QString KeptChoicesFile(const MainState& state) {
    return QString::fromStdString(state.DataDir) + QStringLiteral("HayesKvd.ini");
}

bool KeptChoice(const MainState& state, const QString& key, bool byDefault) {
    const QSettings choices(KeptChoicesFile(state), QSettings::IniFormat);
    return choices.value(key, byDefault).toBool();
}

void KeepChoice(const MainState& state, const QString& key, bool value) {
    QSettings choices(KeptChoicesFile(state), QSettings::IniFormat);
    choices.setValue(key, value);
}

QString KeptText(const MainState& state, const QString& key) {
    const QSettings choices(KeptChoicesFile(state), QSettings::IniFormat);
    return choices.value(key).toString();
}

void KeepText(const MainState& state, const QString& key, const QString& value) {
    QSettings choices(KeptChoicesFile(state), QSettings::IniFormat);
    choices.setValue(key, value);
}

}  // namespace hk
