#include "modem/ListSettings.h"

#include <algorithm>
#include <array>

#include "lists/EncodeLine.h"
#include "modem/ModemConsole.h"

namespace hk {
namespace {

// Above any value a command takes; keeps a long run of digits from overflowing.
constexpr int kTooLarge = 9999;
constexpr int kFlagRankBase = 100'000;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

int Rank(const std::string& setting) {
    if (const auto reg = RegisterOf(setting)) return *reg;
    const auto it = std::find(kCheckedFlags.begin(), kCheckedFlags.end(), setting);
    return kFlagRankBase + static_cast<int>(it - kCheckedFlags.begin());
}

bool IsCheckedFlag(std::string_view name) {
    return std::find(kCheckedFlags.begin(), kCheckedFlags.end(), name) != kCheckedFlags.end();
}

// A command line, upper-cased and without blanks, read command by command.
class CommandReader {
public:
    explicit CommandReader(std::string text) : text_(std::move(text)) {}

    bool AtEnd() const { return i_ >= text_.size(); }
    char Next() { return AtEnd() ? '\0' : text_[i_++]; }
    char Peek() const { return AtEnd() ? '\0' : text_[i_]; }
    bool DigitFollows() const { return IsDigit(Peek()); }
    // The digits here as a number; 0 when there are none.
    int Number() {
        int v = 0;
        while (DigitFollows()) v = std::min(v * 10 + (Next() - '0'), kTooLarge);
        return v;
    }
    void SkipDigits() { Number(); }
    // Past the next ";" (an extended command's end), or to the end.
    void SkipPastSemicolon() {
        while (!AtEnd() && Next() != ';') {
        }
    }

private:
    std::string text_;
    std::size_t i_ = 0;
};

// One command line as the modem receives it (its text up to the carriage
// return, from "AT" on), from list line `lineIndex`, applied to `settings`.
void ApplyCommandLine(std::string_view command, int lineIndex, ListSettings& settings) {
    std::string text;
    for (char c : UpperAscii(command))
        if (c != ' ') text += c;
    const std::size_t at = text.find("AT");
    if (at == std::string::npos) return;
    CommandReader r(text.substr(at + 2));
    const auto set = [&](const std::string& name, int value) {
        settings.active[name] = ListValue{value, lineIndex};
    };
    while (!r.AtEnd()) {
        const char c = r.Next();
        if (c == 'S') {
            if (!r.DigitFollows()) continue;  // "S" alone: no register of its own
            const int reg = r.Number();
            if (r.Peek() == '=') {
                r.Next();
                set(RegisterName(reg), r.Number());
            } else if (r.Peek() == '?') {
                r.Next();
            }
        } else if (c == 'Z') {
            const int n = r.Number();
            if (n < kStoredProfiles) {
                const auto& profile = settings.stored[static_cast<std::size_t>(n)];
                settings.active = profile ? *profile : ListValues{};
            } else {
                settings.active.clear();
            }
            return;  // the modem resets: the rest of the line is lost
        } else if (c == 'D' || c == 'A' || c == 'O') {
            return;  // a number to dial, or the modem leaves command state
        } else if (c == '+' || c == '#') {
            r.SkipPastSemicolon();
        } else if (c == '&') {
            const char a = r.Next();
            if (a == 'F') {
                r.SkipDigits();
                settings.active.clear();
            } else if (a == 'W') {
                const int n = r.Number();
                if (n < kStoredProfiles)
                    settings.stored[static_cast<std::size_t>(n)] = settings.active;
            } else if (a == 'Z') {
                return;  // a stored telephone number takes the rest of the line
            } else if (const std::string name{'&', a}; IsCheckedFlag(name)) {
                set(name, r.Number());
            } else {
                r.SkipDigits();
            }
        } else if (IsLetter(c)) {
            const std::string name(1, c);
            if (IsCheckedFlag(name))
                set(name, r.Number());
            else
                r.SkipDigits();
        } else {
            // \N3, %C1 and other prefixed commands; "=" or "?" out of place.
            if (IsLetter(r.Peek())) r.Next();
            r.SkipDigits();
        }
    }
}

}  // namespace

bool SettingOrder::operator()(const std::string& a, const std::string& b) const {
    const int ra = Rank(a), rb = Rank(b);
    return ra != rb ? ra < rb : a < b;
}

std::string RegisterName(int reg) { return "S" + std::to_string(reg); }

std::optional<int> RegisterOf(const std::string& setting) {
    if (setting.size() < 2 || setting[0] != 'S') return std::nullopt;
    int reg = 0;
    for (std::size_t i = 1; i < setting.size(); ++i) {
        if (!IsDigit(setting[i])) return std::nullopt;
        reg = std::min(reg * 10 + (setting[i] - '0'), kTooLarge);
    }
    return reg;
}

bool ListSettings::Empty() const {
    if (!active.empty()) return false;
    return std::none_of(stored.begin(), stored.end(),
                        [](const auto& profile) { return profile && !profile->empty(); });
}

bool ListSettings::Quiet() const {
    const auto q = active.find("Q");
    return q != active.end() && q->second.value == 1;
}

ListSettings CollectListSettings(const MemoLines& list) {
    ListSettings settings;
    for (int i = 0; i < list.Count(); ++i) {
        if (!RunSendsLine(list, i)) continue;
        const std::string line = list.Line(i);
        std::array<std::uint8_t, kSendBufferSize> buf{};
        const int n = EncodeLine(line, buf, 0);
        if (n == kLineDoesNotFit) continue;
        const auto end = std::find(buf.begin(), buf.begin() + n, kCr);
        if (end == buf.begin() + n) continue;  // no carriage return: not executed
        ApplyCommandLine(std::string(buf.begin(), end), i, settings);
    }
    return settings;
}

}  // namespace hk
