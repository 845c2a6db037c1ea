#include "protocol/Results.h"

namespace hk::protocol {

std::string ResultText(int code) {
    if (code >= 0 && code < static_cast<int>(ExchangeMessages.size()))
        return ExchangeMessages[static_cast<std::size_t>(code)];
    // Codes without a text of their own (the FT1.2 checks, the steps' own
    // codes) are shown by number, so the operator can still tell them apart.
    return "код ошибки " + std::to_string(code);
}

}  // namespace hk::protocol
