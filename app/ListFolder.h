#pragma once
// Where the list files' open and save dialogs start: in the folder the last
// list came from or went to, kept in "HayesKvd.ini" from one run to the next
// while that folder is there; before any, in the folder the operator's lists
// belong in. That is the program's own folder, beside the example lists,
// when the program keeps the operator's files beside itself; when it does not
// (a folder it may not write to, or installed), the user's Documents, never
// the hidden data folder the program keeps for itself. Both dialogs start
// in the same folder. Paths as the operator reads them (base/TextForm.h).

#include <QString>
#include <functional>

#include "state/MainState.h"

namespace hk {

// The rule on its own: `kept` the folder kept (empty when none), `portable`
// whether the operator's files lie beside the program, `documents` the
// user's Documents (empty when the system names none).
QString StartFolder(const QString& kept, bool portable, const QString& programFolder,
                    const QString& documents, const std::function<bool(const QString&)>& exists);

// The folder for the list dialogs now.
QString ListDialogFolder(const MainState& state);
// Keeps the folder of `file`, a list just read or saved.
void KeepListFolder(const MainState& state, const QString& file);

}  // namespace hk
