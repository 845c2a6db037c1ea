#pragma once
// A list of lines held in memory: a memo for programs without a window, and
// a scratch copy of a memo that may be changed without touching the window.

#include <string>
#include <vector>

#include "lists/MemoLines.h"

namespace hk {

class MemoryLines final : public MemoLines {
public:
    MemoryLines() = default;
    explicit MemoryLines(std::vector<std::string> lines) : lines(std::move(lines)) {}
    // A copy of another memo's lines.
    explicit MemoryLines(const MemoLines& from) {
        for (int i = 0; i < from.Count(); ++i) lines.push_back(from.Line(i));
    }

    int Count() const override { return static_cast<int>(lines.size()); }
    std::string Line(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
    void SetLine(int index, const std::string& line) override {
        lines.at(static_cast<std::size_t>(index)) = line;
    }
    void AddLine(const std::string& line) override { lines.push_back(line); }
    void Clear() override { lines.clear(); }
    void SetFocus() override {}

    std::vector<std::string> lines;
};

}  // namespace hk
