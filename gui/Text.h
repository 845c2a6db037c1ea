#pragma once
// The one place where the program's Windows-1251 texts (lists, memo lines,
// controller buffers) meet the widgets' Unicode strings.

#include <QString>
#include <string>

namespace hk {

QString FromCp1251(const std::string& bytes);
// Characters without a Windows-1251 code become '?'.
std::string ToCp1251(const QString& text);
// UTF-8 message texts of the logic layers.
inline QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace hk
