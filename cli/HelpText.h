#pragma once
// The help of hayeskvd-cli, in Russian, with examples.

#include <string>

namespace hk::cli {

// The program's help, or a sub-command's when `command` names one.
std::string HelpText(const std::string& command);

inline constexpr const char* kVersionText =
    "hayeskvd-cli 1.5 (программа настройки Hayes-модемов для КВАРД)";

}  // namespace hk::cli
