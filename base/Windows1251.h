#pragma once
// Windows-1251 text (memo lines, typed keys) as UTF-8, for the status texts
// of the logic layers, which are UTF-8; and back, for the texts the logic
// layers add to a memo.

#include <string>
#include <string_view>

namespace hk {

// A byte without a character in the code page becomes U+FFFD.
std::string Utf8FromWindows1251(std::string_view text);

// A character without a byte in the code page, or a malformed UTF-8
// sequence, becomes '?'.
std::string Windows1251FromUtf8(std::string_view text);

}  // namespace hk
