#pragma once
// One memo of the main window as a list of Windows-1251 lines, for the
// layers below the window.

#include "lists/MemoLines.h"

namespace hk {

class Memo;

class MemoLineList final : public MemoLines {
public:
    // The memo, bound once the window has created it.
    void Bind(Memo* memo) { memo_ = memo; }

    void AddLine(const std::string& line) override;
    int Count() const override;
    std::string Line(int index) const override;
    void SetLine(int index, const std::string& line) override;
    void Clear() override;
    void SetFocus() override;

private:
    Memo* memo_ = nullptr;
};

}  // namespace hk
