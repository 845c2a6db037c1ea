#include "app/MemoLineList.h"

#include "gui/Memo.h"
#include "gui/Text.h"

namespace hk {

void MemoLineList::AddLine(const std::string& line) { memo_->AddLine(FromCp1251(line)); }
int MemoLineList::Count() const { return memo_->LineCount(); }
std::string MemoLineList::Line(int index) const { return ToCp1251(memo_->Line(index)); }
void MemoLineList::SetLine(int index, const std::string& line) {
    memo_->SetLine(index, FromCp1251(line));
}
void MemoLineList::Clear() { memo_->ClearLines(); }
void MemoLineList::SetFocus() { memo_->setFocus(); }

}  // namespace hk
