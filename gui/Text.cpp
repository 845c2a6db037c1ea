#include "gui/Text.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace hk {

QString FromCp1251(const std::string& bytes) {
    QStringDecoder decode("windows-1251");
    return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

std::string ToCp1251(const QString& text) {
    QStringEncoder encode("windows-1251", QStringConverter::Flag::Default);
    const QByteArray bytes = encode(text);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

}  // namespace hk
