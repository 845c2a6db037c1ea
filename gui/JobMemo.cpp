#include "gui/JobMemo.h"

namespace hk {

const std::vector<std::string>& JobMemo::Lines() const {
    if (!kept_ || epoch_ != jobs_.Epoch()) {
        lines_ = jobs_.OnWindow([this] {
            std::vector<std::string> lines;
            const int n = window_.Count();
            lines.reserve(static_cast<std::size_t>(n));
            for (int i = 0; i < n; ++i) lines.push_back(window_.Line(i));
            return lines;
        });
        // The fetch itself moves the epoch on: what was fetched holds from here.
        epoch_ = jobs_.Epoch();
        kept_ = true;
    }
    return lines_;
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
    if (kept_ && epoch_ == jobs_.Epoch() && index >= 0 &&
        static_cast<std::size_t>(index) < lines_.size())
        lines_[static_cast<std::size_t>(index)] = line;
    jobs_.ToWindow([this, index, line] { window_.SetLine(index, line); });
}

void JobMemo::AddLine(const std::string& line) {
    if (!jobs_.OnJobThread()) return window_.AddLine(line);
    if (kept_ && epoch_ == jobs_.Epoch()) lines_.push_back(line);
    jobs_.ToWindow([this, line] { window_.AddLine(line); });
}

void JobMemo::Clear() {
    if (!jobs_.OnJobThread()) return window_.Clear();
    lines_.clear();
    kept_ = true;
    epoch_ = jobs_.Epoch();
    jobs_.ToWindow([this] { window_.Clear(); });
}

void JobMemo::SetFocus() {
    if (!jobs_.OnJobThread()) return window_.SetFocus();
    jobs_.ToWindow([this] { window_.SetFocus(); });
}

}  // namespace hk
