#include "device/ControllerLists.h"

#include <vector>

#include "lists/ListFiles.h"

namespace hk::device {

void ControllerLists::LoadFirst() {
    window_.FirstBuffer().Clear();
    window_.SecondBuffer().Clear();
    state_.ClearBuffer1 = false;
    Load(window_.FirstBuffer());
}

void ControllerLists::LoadSecond() {
    state_.ClearBuffer2 = false;
    Load(window_.SecondBuffer());
}

void ControllerLists::ClearFirst() {
    state_.ClearBuffer1 = true;
    window_.FirstBuffer().Clear();
}

void ControllerLists::ClearSecond() {
    state_.ClearBuffer2 = true;
    window_.SecondBuffer().Clear();
}

void ControllerLists::SaveFirst() { Save(window_.FirstBuffer()); }

void ControllerLists::SaveSecond() { Save(window_.SecondBuffer()); }

void ControllerLists::Load(MemoLines& memo) {
    const auto path = window_.ChooseListToLoad(kControllerListFilter);
    if (!path) return;
    const auto contents = ReadListFile(*path);
    if (!contents) return;
    // A refused file adds nothing: it was read whole before the first line.
    if (contents->refusal) {
        view_.ShowError(ListFileRefusalText(*path, *contents->refusal));
        return;
    }
    for (const std::string& line : contents->lines) memo.AddLine(line);
}

void ControllerLists::Save(MemoLines& memo) {
    if (memo.Count() == 0) {
        memo.SetFocus();
        return;
    }
    const auto path = window_.ChooseListToSave(kControllerListFilter, kControllerListExt);
    if (!path) return;
    WriteListFile(*path, memo);
}

}  // namespace hk::device
