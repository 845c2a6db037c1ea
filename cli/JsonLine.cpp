#include "cli/JsonLine.h"

#include <nlohmann/json.hpp>

namespace hk::cli {

std::string JsonLine(const Json& value) {
    const std::string text =
        value.dump(/*indent=*/-1, ' ', /*ensure_ascii=*/false, Json::error_handler_t::replace);
    // The library writes backspace and form feed as \b and \f; scripts have
    // always read them as \u0008 and \u000c, as every other control
    // character. A backslash in the text always starts an escape, so the
    // pairs are read one by one.
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char escaped = text[++i];
        if (escaped == 'b')
            out += "\\u0008";
        else if (escaped == 'f')
            out += "\\u000c";
        else
            out += {'\\', escaped};
    }
    return out;
}

}  // namespace hk::cli
