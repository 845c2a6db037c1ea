#include "app/TFm1.h"

#include "app/Startup.h"

namespace hk {

TFm1::TFm1(MainState& state, SerialLink& link, const QString& programDir)
    : state_(state), link_(link) {
    setObjectName(QStringLiteral("Fm1"));
    setWindowTitle(QStringLiteral("Программа настройки Hayes-модемов для работы с КВАРД v 1.5"));
    resize(666, 473);
    FormCreate(programDir);
}

void TFm1::FormCreate(const QString& programDir) {
    RunStartupSteps(state_, link_, programDir.toStdString());
}

}  // namespace hk
