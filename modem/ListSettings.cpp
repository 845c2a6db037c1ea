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

// Whether the modem goes on with the commands of a line after one.
enum class LineGoesOn { Yes, No };

// The commands of one list line, applied to the settings as the modem
// takes them.
class CommandApplier {
public:
    CommandApplier(CommandReader& reader, int lineIndex, ListSettings& settings)
        : r_(reader), lineIndex_(lineIndex), settings_(settings) {}

    // The command that begins with `c`.
    LineGoesOn Apply(char c) {
        if (c == 'S') {
            Register();
        } else if (c == 'Z') {
            Reset(r_.Number());
            return LineGoesOn::No;  // the modem resets: the rest of the line is lost
        } else if (c == 'D' || c == 'A' || c == 'O') {
            goesOnLine_ = true;
            return LineGoesOn::No;  // a number to dial, or the modem leaves command state
        } else if (c == '+' || c == '#') {
            r_.SkipPastSemicolon();
        } else if (c == '&') {
            return Ampersand(r_.Next());
        } else if (IsLetter(c)) {
            Flag(std::string(1, c));
        } else {
            // \N3, %C1 and other prefixed commands; "=" or "?" out of place.
            if (IsLetter(r_.Peek())) r_.Next();
            r_.SkipDigits();
        }
        return LineGoesOn::Yes;
    }
    // The line reached a command that takes the modem on line.
    bool WentOnLine() const { return goesOnLine_; }

private:
    void Set(const std::string& name, int value) {
        settings_.active[name] = ListValue{value, lineIndex_};
    }
    // Sn=v sets register n; Sn? only asks; "S" alone has no register.
    void Register() {
        if (!r_.DigitFollows()) return;
        const int reg = r_.Number();
        if (r_.Peek() == '=') {
            r_.Next();
            Set(RegisterName(reg), r_.Number());
        } else if (r_.Peek() == '?') {
            r_.Next();
        }
    }
    // Zn: the active settings become stored profile n, as far as the list
    // wrote it, else unknown.
    void Reset(int profile) {
        if (profile < kStoredProfiles) {
            const auto& stored = settings_.stored[static_cast<std::size_t>(profile)];
            settings_.active = stored ? *stored : ListValues{};
        } else {
            settings_.active.clear();
        }
    }
    LineGoesOn Ampersand(char a) {
        if (a == 'F') {
            r_.SkipDigits();
            settings_.active.clear();
        } else if (a == 'W') {
            const int n = r_.Number();
            if (n < kStoredProfiles)
                settings_.stored[static_cast<std::size_t>(n)] = settings_.active;
        } else if (a == 'Z') {
            return LineGoesOn::No;  // a stored telephone number takes the rest of the line
        } else {
            Flag(std::string{'&', a});
        }
        return LineGoesOn::Yes;
    }
    // A flag the check reads back takes its digits; any other command
    // passes over them.
    void Flag(const std::string& name) {
        if (IsCheckedFlag(name))
            Set(name, r_.Number());
        else
            r_.SkipDigits();
    }

    CommandReader& r_;
    int lineIndex_;
    ListSettings& settings_;
    bool goesOnLine_ = false;
};

// One command line as the modem receives it (its text up to the carriage
// return, from "AT" on), from list line `lineIndex`, applied to `settings`.
// True when it takes the modem on line.
bool ApplyCommandLine(std::string_view command, int lineIndex, ListSettings& settings) {
    std::string text;
    for (char c : UpperAscii(command))
        if (c != ' ') text += c;
    const std::size_t at = text.find("AT");
    if (at == std::string::npos) return false;
    CommandReader reader(text.substr(at + 2));
    CommandApplier applier(reader, lineIndex, settings);
    while (!reader.AtEnd())
        if (applier.Apply(reader.Next()) == LineGoesOn::No) break;
    return applier.WentOnLine();
}

// The command `line` carries as the modem takes it: its bytes up to the
// carriage return; none when it has none or does not fit the send buffer.
std::optional<std::string> CommandOf(const std::string& line) {
    std::array<std::uint8_t, kSendBufferSize> buf{};
    const int n = EncodeLine(line, buf, 0);
    if (n == kLineDoesNotFit) return std::nullopt;
    const auto end = std::find(buf.begin(), buf.begin() + n, kCr);
    if (end == buf.begin() + n) return std::nullopt;  // no carriage return: not executed
    return std::string(buf.begin(), end);
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
        if (const auto command = CommandOf(list.Line(i))) ApplyCommandLine(*command, i, settings);
    }
    return settings;
}

bool GoesOnLine(const std::string& line) {
    ListSettings scratch;
    const auto command = CommandOf(line);
    return command && ApplyCommandLine(*command, 0, scratch);
}

}  // namespace hk
