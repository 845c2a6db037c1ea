// clang-format off
#include <windows.h>
#include <bcrypt.h>
// clang-format on

#include <algorithm>
#include <cstdlib>

#include "records/Sha256.h"

namespace hk::records {
namespace {

bool Succeeded(NTSTATUS status) { return status >= 0; }

}  // namespace

Sha256Digest Sha256(std::span<const std::uint8_t> bytes) {
    Sha256Digest digest{};
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    bool done =
        Succeeded(::BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0));
    if (done) done = Succeeded(::BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    // BCryptHashData takes at most 4 GiB a call.
    for (std::size_t at = 0; done && at < bytes.size();) {
        const std::size_t chunk = std::min<std::size_t>(bytes.size() - at, 0x40000000);
        done = Succeeded(::BCryptHashData(hash, const_cast<PUCHAR>(bytes.data() + at),
                                          static_cast<ULONG>(chunk), 0));
        at += chunk;
    }
    if (done)
        done = Succeeded(
            ::BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash) ::BCryptDestroyHash(hash);
    if (algorithm) ::BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!done) std::abort();
    return digest;
}

}  // namespace hk::records
