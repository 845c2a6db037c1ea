#pragma once
// SHA-256 of a run of bytes, from the platform's own library: OpenSSL's
// libcrypto on Linux (PosixSha256.cpp), Windows' CNG (WindowsSha256.cpp).
// The records of the jobs name every image, list and log range by it.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace hk::records {

using Sha256Digest = std::array<std::uint8_t, 32>;

// The digest of `bytes`. Never fails: a library that cannot hash is a
// broken installation, and the program stops (std::abort) rather than name
// something by a wrong digest.
Sha256Digest Sha256(std::span<const std::uint8_t> bytes);

// The digest as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);
std::string Sha256Hex(std::string_view bytes);

}  // namespace hk::records
