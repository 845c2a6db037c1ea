// Reading list files and the ring count kept in their lines. Writing them is
// in ListFileSave.cpp.
#include "modem/ListFiles.h"

#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>

#include "modem/EncodeLine.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

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

// Bytes read from a list file at a time.
constexpr std::size_t kReadChunk = 64 * 1024;

// Windows-1251 text holds no control bytes but TAB, LF and CR.
bool IsTextByte(unsigned char byte) {
    return (byte >= 0x20 && byte != 0x7F) || byte == '\t' || byte == '\n' || byte == '\r';
}

}  // namespace

bool ListFileCheck::Take(std::string_view bytes) {
    using Reason = ListFileRefusal::Reason;
    if (refusal_) return false;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (++size_ > kListFileSizeLimit) {
            refusal_ = ListFileRefusal{Reason::TooLarge};
            return false;
        }
        // The LF of a CR LF ends no line of its own.
        const bool endOfCrLf = byte == '\n' && afterCr_;
        afterCr_ = byte == '\r';
        if (endOfCrLf) continue;
        if (line_ > kListLineCountLimit) {
            refusal_ = ListFileRefusal{Reason::TooManyLines};
            return false;
        }
        if (!IsTextByte(byte)) {
            refusal_ = ListFileRefusal{Reason::NotText, line_, byte};
            return false;
        }
        if (byte == '\n' || byte == '\r') {
            ++line_;
            lineLength_ = 0;
        } else if (++lineLength_ > kListLineLimit) {
            refusal_ = ListFileRefusal{Reason::LineTooLong, line_};
            return false;
        }
    }
    return true;
}

std::vector<std::string> SplitListLines(std::string_view bytes) {
    std::vector<std::string> lines;
    while (!bytes.empty()) {
        const std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        if (lf != std::string_view::npos && line.ends_with('\r')) line.remove_suffix(1);
        lines.emplace_back(line);
        if (lf == std::string_view::npos) break;
        bytes.remove_prefix(lf + 1);
    }
    return lines;
}

std::optional<ListFileContents> ReadListFile(const std::string& path) {
    // A pipe or a device could block the window or never end.
    std::error_code ec;
    if (!fs::is_regular_file(fs::status(path, ec))) return std::nullopt;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    ListFileCheck check;
    std::vector<char> chunk(kReadChunk);
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), f)) > 0) {
        const std::string_view taken(chunk.data(), n);
        if (!check.Take(taken)) break;
        bytes += taken;
    }
    const bool failed = !check.Refusal() && std::ferror(f) != 0;
    std::fclose(f);
    if (check.Refusal()) return ListFileContents{{}, check.Refusal()};
    // A read that fails half-way (a vanished medium) loads nothing.
    if (failed) return std::nullopt;
    return ListFileContents{SplitListLines(bytes), std::nullopt};
}

std::string ListFileRefusalText(const std::string& path, const ListFileRefusal& refusal) {
    std::string text = "Файл «" + path + "» не загружен: ";
    switch (refusal.reason) {
        case ListFileRefusal::Reason::TooLarge:
            text += "он больше " + std::to_string(kListFileSizeLimit / 1024) +
                    " Кбайт, а список строк для модема — небольшой текстовый файл. Выберите "
                    "файл списка.";
            break;
        case ListFileRefusal::Reason::TooManyLines:
            text += "в нём больше " + std::to_string(kListLineCountLimit) +
                    " строк, а список строк для модема — небольшой текстовый файл. Выберите "
                    "файл списка.";
            break;
        case ListFileRefusal::Reason::NotText:
            text += "это не текстовый файл: в строке " + std::to_string(refusal.line) +
                    " стоит управляющий байт с кодом " + std::to_string(refusal.byte) +
                    ". Выберите файл списка — текст в кодировке Windows-1251.";
            break;
        case ListFileRefusal::Reason::LineTooLong:
            text += "строка " + std::to_string(refusal.line) + " длиннее " +
                    std::to_string(kListLineLimit) +
                    " символов. Сократите её в текстовом редакторе или выберите другой файл.";
            break;
    }
    return text;
}

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
