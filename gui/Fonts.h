#pragma once
// The windows' sans-serif font. The window bounds were laid out for a narrow
// sans-serif face; Liberation Sans (metric-compatible with Arial) keeps the
// captions inside them, with the desktop's sans-serif as the fallback.

#include <QFont>
#include <QStringList>

namespace hk {

inline QFont WindowFont(int pixelSize) {
    QFont font;
    font.setFamilies(
        {QStringLiteral("Liberation Sans"), QStringLiteral("Arial"), QStringLiteral("Sans Serif")});
    font.setPixelSize(pixelSize);
    return font;
}

}  // namespace hk
