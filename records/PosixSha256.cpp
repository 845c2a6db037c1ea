#include <openssl/evp.h>

#include <cstdlib>

#include "records/Sha256.h"

namespace hk::records {

Sha256Digest Sha256(std::span<const std::uint8_t> bytes) {
    Sha256Digest digest{};
    unsigned int length = 0;
    if (EVP_Digest(bytes.data(), bytes.size(), digest.data(), &length, EVP_sha256(), nullptr) !=
            1 ||
        length != digest.size())
        std::abort();
    return digest;
}

}  // namespace hk::records
