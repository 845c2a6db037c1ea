#pragma once
// What a controller request is, by its bytes, for the exchange log: the name
// put before the exchange's decoded line ("Статус", "STOP", "Пароль" ...).

#include <cstdint>
#include <span>
#include <string>

namespace hk::device {

// `request`: the count byte, then the request bytes.
std::string RequestName(std::span<const std::uint8_t> request);

}  // namespace hk::device
