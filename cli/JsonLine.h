#pragma once
// The --json output of hayeskvd-cli: a value built with nlohmann/json
// (<nlohmann/json.hpp> where it is built), its object fields kept in the
// order they were added, written as one line.

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace hk::cli {

using Json = nlohmann::ordered_json;

// `value` as one line of JSON text (no newline): UTF-8 as it is, a control
// character as \uXXXX save \t, \n and \r, a byte that is no UTF-8 as U+FFFD
// (so that every JSON reader takes the line).
std::string JsonLine(const Json& value);

}  // namespace hk::cli
