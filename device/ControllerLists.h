#pragma once
// The list files of the controller's two channel buffers, as the main
// window's function buttons handle them in controller mode: a buffer's lines
// read from a list file (*.n3) or saved to one, and "Очистить", which empties
// the buffer's memo and makes the next write clear that buffer in the
// controller (MainState::ClearBuffer1, ClearBuffer2). Loading a buffer drops
// that choice again.
//
// It runs where the modem console runs (the job thread in the window
// program); the window is reached through BufferListWindow, the error box
// through the link's view.

#include <optional>
#include <string>
#include <string_view>

#include "link/ViewHooks.h"
#include "lists/MemoLines.h"
#include "state/MainState.h"

namespace hk::device {

// What the buffer lists need of the main window. Line texts are
// Windows-1251 bytes.
class BufferListWindow {
public:
    virtual ~BufferListWindow() = default;

    // The upper memo (the first channel's buffer) and the lower one (the
    // second channel's).
    virtual MemoLines& FirstBuffer() = 0;
    virtual MemoLines& SecondBuffer() = 0;
    // The file dialogs for a buffer's list, with the filter (and, for
    // saving, the default extension) given; nullopt when the operator
    // cancels, otherwise a path the C library can open.
    virtual std::optional<std::string> ChooseListToLoad(std::string_view filter) = 0;
    virtual std::optional<std::string> ChooseListToSave(std::string_view filter,
                                                        std::string_view defaultExt) = 0;
};

class ControllerLists {
public:
    ControllerLists(MainState& state, BufferListWindow& window, ViewHooks& view)
        : state_(state), window_(window), view_(view) {}

    // "Прочитать из файла" of the first channel: both memos emptied, then the
    // chosen list into the first.
    void LoadFirst();
    // "Прочитать из файла" of the second channel: the chosen list added to
    // the second memo.
    void LoadSecond();
    // "Очистить": the channel's memo emptied, its buffer to be cleared.
    void ClearFirst();
    void ClearSecond();
    // "Сохранить в файле": an empty memo only takes the focus. Throws
    // hk::FileError, its text for the error box, when the file cannot be
    // written.
    void SaveFirst();
    void SaveSecond();

private:
    // A file that cannot be opened loads nothing and says nothing; a file
    // that is no list loads nothing and is named in an error box.
    void Load(MemoLines& memo);
    void Save(MemoLines& memo);

    MainState& state_;
    BufferListWindow& window_;
    ViewHooks& view_;
};

}  // namespace hk::device
