#include "base/Windows1251.h"

#include <array>
#include <cstdint>

namespace hk {
namespace {

// Code points of the bytes 80..BF; C0..FF are А..я in order.
constexpr std::array<char16_t, 64> kUpperHalf = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  //
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  //
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  //
    0xFFFD, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  //
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  //
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  //
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  //
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
};
constexpr std::uint8_t kFirstLetter = 0xC0;
constexpr char16_t kFirstLetterCode = 0x0410;

void AppendUtf8(std::string& out, char16_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

}  // namespace

std::string Utf8FromWindows1251(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (char c : text) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b < 0x80)
            AppendUtf8(out, b);
        else if (b >= kFirstLetter)
            AppendUtf8(out, static_cast<char16_t>(kFirstLetterCode + (b - kFirstLetter)));
        else
            AppendUtf8(out, kUpperHalf[b - 0x80u]);
    }
    return out;
}

namespace {

// The byte of a code point, or '?' when the code page has none.
char ByteOf(char32_t code) {
    if (code < 0x80) return static_cast<char>(code);
    if (code >= kFirstLetterCode && code < kFirstLetterCode + 64)
        return static_cast<char>(kFirstLetter + (code - kFirstLetterCode));
    for (std::size_t i = 0; i < kUpperHalf.size(); ++i)
        if (kUpperHalf[i] == code && code != 0xFFFD) return static_cast<char>(0x80 + i);
    return '?';
}

}  // namespace

std::string Windows1251FromUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        const int extra = lead < 0x80             ? 0
                          : (lead & 0xE0) == 0xC0 ? 1
                          : (lead & 0xF0) == 0xE0 ? 2
                          : (lead & 0xF8) == 0xF0 ? 3
                                                  : -1;
        if (extra < 0 || i + static_cast<std::size_t>(extra) >= text.size()) {
            out += '?';
            ++i;
            continue;
        }
        char32_t code = extra == 0 ? lead : lead & (0x3F >> extra);
        bool sound = true;
        for (int k = 1; k <= extra; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) sound = false;
            code = (code << 6) | (next & 0x3F);
        }
        if (!sound) {
            out += '?';
            ++i;
            continue;
        }
        out += ByteOf(code);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return out;
}

}  // namespace hk
