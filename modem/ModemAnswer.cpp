#include "modem/ModemAnswer.h"

#include "lists/EncodeLine.h"
#include "modem/SettingsListing.h"

namespace hk {
namespace {

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

}  // namespace

ModemAnswer TakeAnswerApart(std::string_view bytes) {
    ModemAnswer answer;
    for (char c : bytes) answer.code.Take(static_cast<std::uint8_t>(c));
    answer.code.Finish();

    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b != kCr && b != kLf) {
            line += bytes[i];
            continue;
        }
        // CR LF ends a line as a line feed does; a carriage return alone
        // ends the echo or a digit code.
        const bool byLf = b == kLf || (i + 1 < bytes.size() && bytes[i + 1] == '\n');
        if (b == kCr && byLf) ++i;
        if (byLf && !line.empty()) answer.info.push_back(line);
        line.clear();
    }
    // A word code is the last line ended by a line feed.
    if (answer.code.Found() && !answer.info.empty() && answer.info.back() == answer.code.Code())
        answer.info.pop_back();
    return answer;
}

std::optional<int> RegisterValue(const ModemAnswer& answer, int reg) {
    for (const std::string& line : answer.info) {
        const std::string_view text = TrimBlanks(line);
        if (const auto v = ShortNumber(text)) return v;
        if (const auto named = RegisterToken(text); named && named->first == reg)
            return named->second;
    }
    return std::nullopt;
}

}  // namespace hk
