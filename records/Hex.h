#pragma once
// Bytes as the records write them: lower-case hexadecimal digits, two a
// byte, nothing between.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace hk::records {

std::string HexOf(std::span<const std::uint8_t> bytes);
// The bytes of `text`; none when it is not an even number of hexadecimal
// digits (either case).
std::optional<std::vector<std::uint8_t>> BytesOfHex(std::string_view text);

}  // namespace hk::records
