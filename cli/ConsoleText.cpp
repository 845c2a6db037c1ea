#include "cli/Console.h"

namespace hk::cli {

std::size_t WholeUtf8Length(std::string_view bytes) {
    // Look back over at most three continuation bytes for the lead byte of
    // the last character, and keep it back when its bytes are not all there.
    std::size_t back = 0;
    while (back < 3 && back < bytes.size() &&
           (static_cast<unsigned char>(bytes[bytes.size() - 1 - back]) & 0xC0) == 0x80)
        ++back;
    if (back == bytes.size()) return bytes.size();  // continuation bytes only
    const auto lead = static_cast<unsigned char>(bytes[bytes.size() - 1 - back]);
    const std::size_t length = lead >= 0xF0 && lead < 0xF8   ? 4
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xC0 && lead < 0xE0 ? 2
                                                             : 1;
    if (length > 1 && back + 1 < length) return bytes.size() - back - 1;
    return bytes.size();
}

}  // namespace hk::cli
