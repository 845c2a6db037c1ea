#include "gui/Text.h"

#include "base/Windows1251.h"

namespace hk {

// The program's own code-page table, not Qt's converters: a Qt built without
// ICU (as on Windows) knows no "windows-1251" and would convert to nothing.
QString FromCp1251(const std::string& bytes) {
    return QString::fromStdString(Utf8FromWindows1251(bytes));
}

std::string ToCp1251(const QString& text) {
    return Windows1251FromUtf8(text.toStdString());
}

}  // namespace hk
