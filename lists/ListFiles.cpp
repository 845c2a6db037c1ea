// Reading list files. Writing them is in ListFileSave.cpp.
#include "lists/ListFiles.h"

#include <cstdio>
#include <filesystem>

#include "base/Utf8Path.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

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
    if (!fs::is_regular_file(fs::status(PathFromUtf8(path), ec))) return std::nullopt;
    std::FILE* f = OpenFileUtf8(path, "rb");
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

}  // namespace hk
