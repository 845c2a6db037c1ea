#include "modem/ListFiles.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <filesystem>
#include <random>

#include "link/FileError.h"
#include "modem/EncodeLine.h"

#ifndef _WIN32
#include <unistd.h>
#endif

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

// Throws the current errno (EIO when the library left none) as a FileError.
[[noreturn]] void ThrowErrno(int code) {
    errno = code != 0 ? code : EIO;
    throw FileError::FromErrno();
}

std::string TempNameBeside(const fs::path& target) {
    std::random_device rd;
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", rd());
    return target.string() + suffix;
}

}  // namespace

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

std::optional<std::vector<std::string>> ReadListFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    // A read that fails half-way (a folder, a vanished medium) loads nothing.
    if (failed) return std::nullopt;
    return SplitListLines(bytes);
}

void WriteListFile(const std::string& path, const std::vector<std::string>& lines) {
    fs::path target(path);
    std::error_code ec;
    if (fs::is_symlink(target, ec)) {
        const fs::path real = fs::weakly_canonical(target, ec);
        if (!ec) target = real;
    }

    std::string temp;
    std::FILE* f = nullptr;
    for (int attempt = 0; attempt < 16 && !f; ++attempt) {
        temp = TempNameBeside(target);
        errno = 0;
        f = std::fopen(temp.c_str(), "wbx");  // never an existing file
        if (!f && errno != EEXIST) ThrowErrno(errno);
    }
    if (!f) ThrowErrno(EEXIST);

    errno = 0;
    bool ok = true;
    for (const std::string& line : lines) {
        if (std::fwrite(line.data(), 1, line.size(), f) != line.size() ||
            std::fwrite("\r\n", 1, 2, f) != 2) {
            ok = false;
            break;
        }
    }
    if (ok) ok = std::fflush(f) == 0;
#ifndef _WIN32
    if (ok) ok = ::fsync(::fileno(f)) == 0;
#endif
    int code = errno;
    if (std::fclose(f) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        std::remove(temp.c_str());
        ThrowErrno(code);
    }

    // An existing list keeps its permissions; a new one gets the usual ones.
    const fs::file_status old = fs::status(target, ec);
    if (!ec && fs::is_regular_file(old)) fs::permissions(temp, old.permissions(), ec);

    fs::rename(temp, target, ec);
    if (ec) {
        std::remove(temp.c_str());
        throw FileError(ec.message(), ec.value());
    }
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
