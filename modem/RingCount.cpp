#include "modem/RingCount.h"

#include <charconv>
#include <climits>

#include "lists/EncodeLine.h"

namespace hk {
namespace {

struct RingCountPlace {
    std::size_t at;      // index of the number's first character
    std::size_t digits;  // length of its digit run (possibly 0)
};

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::optional<RingCountPlace> FindRingCount(std::string_view line) {
    const std::size_t s0 = UpperAscii(line).find("S0=");
    if (s0 == std::string::npos) return std::nullopt;
    const std::size_t after = s0 + 3;
    std::size_t at = after;
    while (at < line.size() && !IsDigit(line[at])) ++at;
    // No digit, or a lone digit ending the line away from the "=": the
    // number begins right after the "=".
    if (at >= line.size() || (at != after && at + 1 == line.size())) at = after;
    std::size_t end = at;
    while (end < line.size() && IsDigit(line[end])) ++end;
    return RingCountPlace{at, end - at};
}

}  // namespace

std::optional<int> ReadRingCount(std::string_view line) {
    const auto place = FindRingCount(line);
    if (!place) return std::nullopt;
    long long value = 0;
    for (std::size_t i = 0; i < place->digits; ++i) {
        value = value * 10 + (line[place->at + i] - '0');
        if (value > INT_MAX) return INT_MAX;
    }
    return static_cast<int>(value);
}

std::optional<std::string> WriteRingCount(std::string_view line, int value) {
    const auto place = FindRingCount(line);
    if (!place) return std::nullopt;
    std::string out(line.substr(0, place->at));
    out += std::to_string(value);
    out += line.substr(place->at + place->digits);
    return out;
}

int RingCountFieldValue(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    if (text.starts_with('+')) {
        text.remove_prefix(1);
        if (text.starts_with('-')) return 0;
    }
    int value = 0;
    const auto [end, err] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || err != std::errc() || end != text.data() + text.size()) return 0;
    return value;
}

}  // namespace hk
