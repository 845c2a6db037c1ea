#pragma once
// The line-by-line difference between two lists of lines (a buffer as found
// and as read back, or the same controller in two records): the lines of the
// first that the second no longer has and the lines the second has anew,
// along the longest run of lines both keep in order.

#include <optional>
#include <string>
#include <vector>

namespace hk::records {

struct LineChange {
    enum class Kind { Removed, Added };
    Kind kind = Kind::Removed;
    int line = 0;  // from 1, in the list it belongs to (the first for Removed)
    std::string text;
    bool operator==(const LineChange&) const = default;
};

// In the order a reader goes through them: each removed line before the
// lines added in its place.
std::vector<LineChange> DiffLines(const std::vector<std::string>& from,
                                  const std::vector<std::string>& to);

// Which lines of each list are part of the difference (for marking them
// side by side).
struct ChangedLines {
    std::vector<bool> from;
    std::vector<bool> to;
};
ChangedLines MarkChanges(const std::vector<std::string>& from, const std::vector<std::string>& to);

// The first line (from 0) where the lists part, place by place; none when
// they are the same.
std::optional<std::size_t> FirstDifferingLine(const std::vector<std::string>& a,
                                              const std::vector<std::string>& b);

}  // namespace hk::records
