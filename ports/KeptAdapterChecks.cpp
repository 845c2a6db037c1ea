#include "ports/KeptAdapterChecks.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

#include "base/Utf8Path.h"
#include "base/WholeFile.h"

namespace hk {
namespace {

struct Word {
    int value;
    const char* word;
};

constexpr Word kDepths[] = {{static_cast<int>(CheckDepth::ReadBack), "readback"},
                            {static_cast<int>(CheckDepth::Loopback), "loopback"},
                            {static_cast<int>(CheckDepth::Peer), "peer"}};
constexpr Word kFindings[] = {{static_cast<int>(MarkSpaceFinding::Accepted), "accepted"},
                              {static_cast<int>(MarkSpaceFinding::Refused), "refused"},
                              {static_cast<int>(MarkSpaceFinding::Sent), "sent"},
                              {static_cast<int>(MarkSpaceFinding::NotSent), "not-sent"},
                              {static_cast<int>(MarkSpaceFinding::AsSpace), "as-space"},
                              {static_cast<int>(MarkSpaceFinding::AsOdd), "as-odd"},
                              {static_cast<int>(MarkSpaceFinding::AsEven), "as-even"},
                              {static_cast<int>(MarkSpaceFinding::Garbled), "garbled"}};

template <std::size_t N>
const char* WordOf(const Word (&words)[N], int value) {
    for (const Word& w : words)
        if (w.value == value) return w.word;
    return words[0].word;
}

template <std::size_t N>
std::optional<int> ValueOf(const Word (&words)[N], const std::string& word) {
    for (const Word& w : words)
        if (word == w.word) return w.value;
    return std::nullopt;
}

std::optional<int> Integer(const std::string& text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    std::size_t i = text[0] == '-' ? 1 : 0;
    if (i == text.size()) return std::nullopt;
    int n = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return std::nullopt;
        n = n * 10 + (text[i] - '0');
    }
    return text[0] == '-' ? -n : n;
}

// "0.4", "-1.3", "42": tenths at most, as written here.
std::optional<double> Decimal(const std::string& text) {
    const std::size_t dot = text.find('.');
    const auto whole = Integer(text.substr(0, dot));
    if (!whole) return std::nullopt;
    if (dot == std::string::npos) return *whole;
    const auto tenths = Integer(text.substr(dot + 1));
    if (!tenths || text.size() != dot + 2) return std::nullopt;
    const double fraction = *tenths / 10.0;
    return text[0] == '-' ? *whole - fraction : *whole + fraction;
}

std::string DecimalText(double value) {
    const long tenths = std::lround(value * 10);
    const long whole = std::labs(tenths) / 10;
    return std::string(tenths < 0 ? "-" : "") + std::to_string(whole) + "." +
           std::to_string(std::labs(tenths) % 10);
}

// The file's lines without their ends, a byte order mark skipped; and
// which end it uses.
struct Lines {
    std::vector<std::string> lines;
    std::string end;
};

Lines ReadLines(const std::string& file) {
    Lines out;
    std::ifstream in(PathFromUtf8(file), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
#ifdef _WIN32
    out.end = "\r\n";
#else
    out.end = "\n";
#endif
    if (const std::size_t lf = text.find('\n'); lf != std::string::npos)
        out.end = lf > 0 && text[lf - 1] == '\r' ? "\r\n" : "\n";
    std::size_t from = 0;
    while (from < text.size()) {
        std::size_t to = text.find('\n', from);
        if (to == std::string::npos) to = text.size();
        std::string line = text.substr(from, to - from);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        out.lines.push_back(std::move(line));
        from = to + 1;
    }
    return out;
}

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool IsSectionLine(const std::string& line) {
    const std::string t = Trimmed(line);
    return t.size() >= 2 && t.front() == '[' && t.back() == ']';
}

// Where the section's lines are: [first, end) with its heading at first;
// first == end == lines.size() when it is missing.
std::pair<std::size_t, std::size_t> FindSection(const std::vector<std::string>& lines,
                                                const std::string& section) {
    const std::string heading = "[" + section + "]";
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (Trimmed(lines[i]) != heading) continue;
        std::size_t end = i + 1;
        while (end < lines.size() && !IsSectionLine(lines[end])) ++end;
        return {i, end};
    }
    return {lines.size(), lines.size()};
}

std::string Plural(long n, const char* one, const char* few, const char* many) {
    const long tens = n % 100, units = n % 10;
    if (tens >= 11 && tens <= 14) return many;
    if (units == 1) return one;
    if (units >= 2 && units <= 4) return few;
    return many;
}

const char* DepthText(CheckDepth depth) {
    switch (depth) {
        case CheckDepth::ReadBack:
            return "чтение настроек";
        case CheckDepth::Loopback:
            return "петля";
        case CheckDepth::Peer:
            return "второй адаптер";
    }
    return "";
}

const char* FindingText(MarkSpaceFinding finding) {
    switch (finding) {
        case MarkSpaceFinding::Accepted:
            return "MARK/SPACE принимает (передача не проверялась)";
        case MarkSpaceFinding::Refused:
            return "MARK/SPACE не принимает";
        case MarkSpaceFinding::Sent:
            return "MARK/SPACE передаёт";
        case MarkSpaceFinding::NotSent:
            return "MARK/SPACE не передаёт";
        case MarkSpaceFinding::AsSpace:
            return "MARK/SPACE заменяет на SPACE";
        case MarkSpaceFinding::AsOdd:
            return "MARK/SPACE заменяет на ODD";
        case MarkSpaceFinding::AsEven:
            return "MARK/SPACE заменяет на EVEN";
        case MarkSpaceFinding::Garbled:
            return "MARK/SPACE искажает";
    }
    return "";
}

}  // namespace

std::string CharactersText(double characters) {
    const double rounded = std::round(characters * 10) / 10;
    if (rounded == std::floor(rounded)) {
        const long n = std::lround(rounded);
        return std::to_string(n) + " " + Plural(std::labs(n), "символ", "символа", "символов");
    }
    std::string text = DecimalText(rounded);
    text[text.find('.')] = ',';
    return text + " символа";
}

std::string KeptAdapterCheck::Text() const {
    return "адаптер проверен " + date + " (" + DepthText(depth) + "): " + FindingsText();
}

std::string KeptAdapterCheck::FindingsText() const {
    std::string text = FindingText(markSpace);
    if (switchLateMs && switchLateChars) {
        text += *switchLateChars == 0 ? ", переключение вовремя"
                                      : ", переключение " + std::to_string(*switchLateMs) +
                                            " мс = " + CharactersText(*switchLateChars);
    }
    if (marginMs && marginChars)
        text += *marginMs < 0 ? ", переключение легло на адресный байт"
                              : ", запас до переключения " + std::to_string(*marginMs) + " мс = " +
                                    CharactersText(*marginChars);
    if (drainEarly) text += ", запись возвращается раньше, чем байты ушли";
    return text;
}

std::string KeptCheckSection(const std::string& adapterKey) { return "adapter." + adapterKey; }

std::optional<KeptAdapterCheck> KeptAdapterCheckOf(const std::string& keptFile,
                                                   const std::string& adapterKey) {
    const Lines file = ReadLines(keptFile);
    const auto [first, end] = FindSection(file.lines, KeptCheckSection(adapterKey));
    if (first == end) return std::nullopt;
    std::map<std::string, std::string> values;
    for (std::size_t i = first + 1; i < end; ++i) {
        const std::size_t eq = file.lines[i].find('=');
        if (eq != std::string::npos)
            values[Trimmed(file.lines[i].substr(0, eq))] = Trimmed(file.lines[i].substr(eq + 1));
    }
    KeptAdapterCheck check;
    check.date = values["checked"];
    const auto depth = ValueOf(kDepths, values["depth"]);
    const auto finding = ValueOf(kFindings, values["markSpace"]);
    if (check.date.size() != 10 || !depth || !finding) return std::nullopt;
    check.depth = static_cast<CheckDepth>(*depth);
    check.markSpace = static_cast<MarkSpaceFinding>(*finding);
    check.passed = values["passed"] == "true";
    check.drainEarly = values["drainEarly"] == "true";
    check.switchLateMs = Integer(values["switchLateMs"]);
    check.switchLateChars = Integer(values["switchLateChars"]);
    check.marginMs = Integer(values["marginMs"]);
    check.marginChars = Decimal(values["marginChars"]);
    return check;
}

std::optional<KeptAdapterCheck> KeptAdapterCheckOfPort(const std::string& portName,
                                                       const std::string& homeDir,
                                                       const std::string& keptFile,
                                                       const std::string& root) {
    const AdapterIdentity identity = IdentifyPortAdapter(portName, homeDir, root);
    return KeptAdapterCheckOf(keptFile, AdapterKey(identity, portName));
}

bool KeepAdapterCheck(const std::string& keptFile, const std::string& adapterKey,
                      const KeptAdapterCheck& check, std::string& error) {
    Lines file = ReadLines(keptFile);
    const auto [first, end] = FindSection(file.lines, KeptCheckSection(adapterKey));
    file.lines.erase(file.lines.begin() + static_cast<std::ptrdiff_t>(first),
                     file.lines.begin() + static_cast<std::ptrdiff_t>(end));
    // A blank line between the section before and this one, as the
    // settings class writes them.
    while (!file.lines.empty() && Trimmed(file.lines.back()).empty()) file.lines.pop_back();
    if (!file.lines.empty()) file.lines.emplace_back();
    file.lines.push_back("[" + KeptCheckSection(adapterKey) + "]");
    file.lines.push_back("checked=" + check.date);
    file.lines.push_back(std::string("depth=") + WordOf(kDepths, static_cast<int>(check.depth)));
    if (check.drainEarly) file.lines.emplace_back("drainEarly=true");
    if (check.marginChars) file.lines.push_back("marginChars=" + DecimalText(*check.marginChars));
    if (check.marginMs) file.lines.push_back("marginMs=" + std::to_string(*check.marginMs));
    file.lines.push_back(std::string("markSpace=") +
                         WordOf(kFindings, static_cast<int>(check.markSpace)));
    file.lines.push_back(std::string("passed=") + (check.passed ? "true" : "false"));
    if (check.switchLateChars)
        file.lines.push_back("switchLateChars=" + std::to_string(*check.switchLateChars));
    if (check.switchLateMs) file.lines.push_back("switchLateMs=" + std::to_string(*check.switchLateMs));
    std::string text;
    for (const std::string& line : file.lines) text += line + file.end;
    return WriteWholeFile(keptFile, text, error);
}

}  // namespace hk
