#include "lists/EncodeLine.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace hk {
namespace {

struct Encoding {
    std::string_view copied;          // the text sent as typed
    std::array<std::uint8_t, 2> end;  // terminator bytes in the order found
    std::size_t endCount = 0;
};

// The byte a group at the start of `w` (already upper case) stands for, or 0.
std::uint8_t GroupByte(std::string_view w) {
    if (w.starts_with("<LF>") || w.starts_with("<0A>")) return kLf;
    if (w.starts_with("<CR>") || w.starts_with("<0D>")) return kCr;
    return 0;
}

Encoding Analyse(std::string_view line) {
    Encoding e{};
    const std::size_t lt = line.find('<');
    if (lt == std::string_view::npos) {
        e.copied = line;
        e.end[0] = kCr;
        e.endCount = 1;
        return e;
    }
    e.copied = line.substr(0, lt);
    const std::string upper = UpperAscii(line.substr(lt));
    std::string_view w = upper;
    for (;;) {
        if (const std::uint8_t b = GroupByte(w)) e.end[e.endCount++] = b;
        if (e.endCount == e.end.size()) break;
        const std::size_t gt = w.find('>');
        if (gt == std::string_view::npos) break;
        w.remove_prefix(gt + 1);
        const std::size_t next = w.find('<');
        if (next == std::string_view::npos) break;
        w.remove_prefix(next);
    }
    return e;
}

}  // namespace

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

std::size_t EncodedLength(std::string_view line) {
    const Encoding e = Analyse(line);
    return e.copied.size() + e.endCount;
}

std::string TraceBytesLine(std::span<const std::uint8_t> buf, int end) {
    std::string out = std::to_string(end) + ") ";
    const std::size_t n =
        end > 0 ? std::min<std::size_t>(static_cast<std::size_t>(end), buf.size()) : 0;
    for (std::size_t i = 0; i < n; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, "%02X ", buf[i]);
        out += hex;
    }
    return out;
}

int EncodeLine(std::string_view line, std::span<std::uint8_t> buf, int start, LineSink* trace) {
    if (start < 0 || static_cast<std::size_t>(start) > buf.size()) return kLineDoesNotFit;
    const Encoding e = Analyse(line);
    const std::size_t room = buf.size() - static_cast<std::size_t>(start);
    if (e.copied.size() + e.endCount > room) return kLineDoesNotFit;

    std::size_t at = static_cast<std::size_t>(start);
    for (char c : e.copied) buf[at++] = static_cast<std::uint8_t>(c);
    for (std::size_t i = 0; i < e.endCount; ++i) buf[at++] = e.end[i];
    const int end = static_cast<int>(at);

    if (trace) {
        trace->AddLine(std::string(line));
        trace->AddLine(TraceBytesLine(buf, end));
    }
    return end;
}

}  // namespace hk
