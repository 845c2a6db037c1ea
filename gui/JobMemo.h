#pragma once
// A memo of the window as a job on the job thread reads and writes it. Its
// lines are fetched from the window thread in one call when the job first
// reads them after a checkpoint, and kept until the next one: between two
// checkpoints the operator's edits reach no job, as before. What the job
// writes goes to the window in order and into the kept lines at once.
// Called on the window thread, every call goes straight to the memo.

#include <vector>

#include "gui/EpochValue.h"
#include "gui/JobThread.h"
#include "lists/MemoLines.h"

namespace hk {

class JobMemo final : public MemoLines {
public:
    JobMemo(JobThread& jobs, MemoLines& window) : jobs_(jobs), window_(window) {}

    int Count() const override;
    std::string Line(int index) const override;
    void SetLine(int index, const std::string& line) override;
    void AddLine(const std::string& line) override;
    void Clear() override;
    void SetFocus() override;

private:
    // The kept lines, fetched afresh after a checkpoint.
    const std::vector<std::string>& Lines() const;

    JobThread& jobs_;
    MemoLines& window_;
    mutable EpochValue<std::vector<std::string>> lines_;
};

}  // namespace hk
