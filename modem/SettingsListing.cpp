#include "modem/SettingsListing.h"

#include <algorithm>

#include "lists/EncodeLine.h"

namespace hk {
namespace {

constexpr std::size_t kMostDigits = 3;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// An option word: its name ("E", "&C") and value (none for a lone letter).
struct Option {
    std::string name;
    std::optional<int> value;
};

std::optional<Option> OptionToken(std::string_view word) {
    std::size_t i = 0;
    if (word.empty()) return std::nullopt;
    if (word[0] == '&' || word[0] == '\\' || word[0] == '%') ++i;
    if (i >= word.size() || !IsLetter(word[i])) return std::nullopt;
    Option option{std::string(word.substr(0, i + 1)), std::nullopt};
    const std::string_view digits = word.substr(i + 1);
    if (digits.empty()) return option;
    option.value = ShortNumber(digits);
    if (!option.value) return std::nullopt;
    return option;
}

enum class Section { Active, Stored0, Stored1, Other };

// A heading line changes the section; nullopt for any other line.
std::optional<Section> Heading(const std::string& upper) {
    if (upper.find("ACTIVE") != std::string::npos) return Section::Active;
    if (upper.find("STORED") != std::string::npos || upper.find("PROFILE") != std::string::npos) {
        const auto digit = std::find_if(upper.begin(), upper.end(), IsDigit);
        if (digit == upper.end() || *digit == '0') return Section::Stored0;
        return *digit == '1' ? Section::Stored1 : Section::Other;
    }
    if (upper.find("TELEPHONE") != std::string::npos || upper.find("NUMBERS") != std::string::npos)
        return Section::Other;
    return std::nullopt;
}

}  // namespace

std::optional<int> ShortNumber(std::string_view text) {
    if (text.empty() || text.size() > kMostDigits) return std::nullopt;
    int v = 0;
    for (char c : text) {
        if (!IsDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<std::pair<int, int>> RegisterToken(std::string_view word) {
    if (word.size() < 4 || (word[0] != 'S' && word[0] != 's')) return std::nullopt;
    const std::size_t sep = word.find_first_of(":=");
    if (sep == std::string_view::npos) return std::nullopt;
    const auto reg = ShortNumber(word.substr(1, sep - 1));
    const auto value = ShortNumber(word.substr(sep + 1));
    if (!reg || !value) return std::nullopt;
    return std::make_pair(*reg, *value);
}

bool SettingsListing::Empty() const {
    return active.empty() && std::none_of(stored.begin(), stored.end(),
                                          [](const auto& p) { return p && !p->empty(); });
}

SettingsListing ReadSettingsListing(const std::vector<std::string>& lines) {
    SettingsListing listing;
    Section section = Section::Active;
    for (const std::string& line : lines) {
        const std::string upper = UpperAscii(line);
        const std::vector<std::string_view> words = Words(upper);
        if (words.empty()) continue;
        ModemValues values;
        bool settingsLine = true;
        for (std::string_view word : words) {
            if (const auto reg = RegisterToken(word)) {
                values[RegisterName(reg->first)] = reg->second;
            } else if (const auto option = OptionToken(word)) {
                if (option->value) values[option->name] = *option->value;
            } else {
                settingsLine = false;
                break;
            }
        }
        if (!settingsLine) {
            if (const auto heading = Heading(upper)) section = *heading;
            continue;
        }
        ModemValues* into = nullptr;
        switch (section) {
            case Section::Active:
                into = &listing.active;
                break;
            case Section::Stored0:
            case Section::Stored1: {
                auto& profile = listing.stored[section == Section::Stored0 ? 0 : 1];
                if (!profile) profile.emplace();
                into = &*profile;
                break;
            }
            case Section::Other:
                break;
        }
        if (!into) continue;
        for (const auto& [name, value] : values) into->emplace(name, value);
    }
    return listing;
}

}  // namespace hk
