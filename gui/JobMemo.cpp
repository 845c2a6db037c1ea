#include "gui/JobMemo.h"

namespace hk {

const std::vector<std::string>& JobMemo::Lines() const {
    return lines_.Get(jobs_, [this] {
        std::vector<std::string> lines;
        const int n = window_.Count();
        lines.reserve(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) lines.push_back(window_.Line(i));
        return lines;
    });
}

int JobMemo::Count() const {
    if (!jobs_.OnJobThread()) return window_.Count();
    return static_cast<int>(Lines().size());
}

std::string JobMemo::Line(int index) const {
    if (!jobs_.OnJobThread()) return window_.Line(index);
    return Lines().at(static_cast<std::size_t>(index));
}

void JobMemo::SetLine(int index, const std::string& line) {
    if (!jobs_.OnJobThread()) return window_.SetLine(index, line);
    if (auto* kept = lines_.Kept(jobs_);
        kept && index >= 0 && static_cast<std::size_t>(index) < kept->size())
        (*kept)[static_cast<std::size_t>(index)] = line;
    jobs_.ToWindow([this, index, line] { window_.SetLine(index, line); });
}

void JobMemo::AddLine(const std::string& line) {
    if (!jobs_.OnJobThread()) return window_.AddLine(line);
    if (auto* kept = lines_.Kept(jobs_)) kept->push_back(line);
    jobs_.ToWindow([this, line] { window_.AddLine(line); });
}

void JobMemo::Clear() {
    if (!jobs_.OnJobThread()) return window_.Clear();
    lines_.Set(jobs_, {});
    jobs_.ToWindow([this] { window_.Clear(); });
}

void JobMemo::SetFocus() {
    jobs_.ShowOnWindow([this] { window_.SetFocus(); });
}

}  // namespace hk
