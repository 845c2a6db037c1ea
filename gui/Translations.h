#pragma once
// Qt's own texts in Russian: the open and save dialogs ("Папка:", "Имя
// файла:", "Отмена"), the edit fields' context menus and every other
// standard dialog speak the operator's language. The program's message boxes
// set their titles and buttons themselves and are not affected.

#include <QString>

class QCoreApplication;

namespace hk {

// Installs qtbase_ru from Qt's translations folder or, failing that, from
// translations/ in `programDir` (a program deployed with its own Qt, as on
// Windows). False when neither has it; the program then goes on in English.
bool InstallRussianQtTexts(QCoreApplication& app, const QString& programDir);

}  // namespace hk
