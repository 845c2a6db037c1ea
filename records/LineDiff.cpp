#include "records/LineDiff.h"

#include <algorithm>

namespace hk::records {
namespace {

// For each pair of positions, the length of the longest common run of lines
// from there to the ends; lists hold a few dozen lines at most.
std::vector<std::vector<int>> CommonTails(const std::vector<std::string>& a,
                                          const std::vector<std::string>& b) {
    std::vector<std::vector<int>> tail(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (std::size_t i = a.size(); i-- > 0;)
        for (std::size_t j = b.size(); j-- > 0;)
            tail[i][j] =
                a[i] == b[j] ? tail[i + 1][j + 1] + 1 : std::max(tail[i + 1][j], tail[i][j + 1]);
    return tail;
}

}  // namespace

std::vector<LineChange> DiffLines(const std::vector<std::string>& from,
                                  const std::vector<std::string>& to) {
    const auto tail = CommonTails(from, to);
    std::vector<LineChange> changes;
    std::vector<LineChange> added;  // held until the removed lines before them are out
    std::size_t i = 0, j = 0;
    const auto flush = [&] {
        changes.insert(changes.end(), added.begin(), added.end());
        added.clear();
    };
    while (i < from.size() || j < to.size()) {
        if (i < from.size() && j < to.size() && from[i] == to[j]) {
            flush();
            ++i;
            ++j;
        } else if (j < to.size() && (i == from.size() || tail[i][j + 1] >= tail[i + 1][j])) {
            added.push_back({LineChange::Kind::Added, static_cast<int>(j + 1), to[j]});
            ++j;
        } else {
            changes.push_back({LineChange::Kind::Removed, static_cast<int>(i + 1), from[i]});
            ++i;
        }
    }
    flush();
    return changes;
}

ChangedLines MarkChanges(const std::vector<std::string>& from, const std::vector<std::string>& to) {
    ChangedLines marks{std::vector<bool>(from.size(), false), std::vector<bool>(to.size(), false)};
    for (const LineChange& c : DiffLines(from, to)) {
        auto& side = c.kind == LineChange::Kind::Removed ? marks.from : marks.to;
        side[static_cast<std::size_t>(c.line - 1)] = true;
    }
    return marks;
}

std::optional<std::size_t> FirstDifferingLine(const std::vector<std::string>& a,
                                              const std::vector<std::string>& b) {
    const std::size_t n = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) return i;
    return std::nullopt;
}

}  // namespace hk::records
