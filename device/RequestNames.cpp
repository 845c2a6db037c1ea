#include "device/RequestNames.h"

#include <algorithm>

#include "device/RequestCodes.h"

namespace hk::device {
namespace {

constexpr std::uint8_t kControlParameterLow = 0x04;
constexpr std::uint8_t kBufferParameterMcp = 0x48;
constexpr std::uint8_t kBufferParameterMpi = 0x4B;

bool IsBufferParameter(std::uint8_t high, std::uint8_t low) {
    return high == kParamHigh && (low == kBufferParameterMcp || low == kBufferParameterMpi);
}

bool IsControlParameter(std::uint8_t high, std::uint8_t low) {
    return (high == kParamHigh || high == kParamHighSecond) && low == kControlParameterLow;
}

}  // namespace

std::string RequestName(std::span<const std::uint8_t> request) {
    if (request.size() < 2 || request[0] == 0) return "Запрос";
    const auto bytes = request.subspan(1, std::min<std::size_t>(request[0], request.size() - 1));
    const std::uint8_t code = bytes[0];
    const std::uint8_t high = bytes.size() > 1 ? bytes[1] : 0;
    const std::uint8_t low = bytes.size() > 2 ? bytes[2] : 0;
    switch (code) {
        case kReadParameter:
            if (high == kParamHigh && low == kParamStatus) return "Статус";
            if (high == kParamHigh && low == kParamIdentification) return "Идентификация A";
            if (high == kParamHighSecond && low == kParamIdentification) return "Идентификация B";
            if (IsControlParameter(high, low)) return "Чтение параметра канала";
            if (IsBufferParameter(high, low)) return "Чтение буфера";
            return "Чтение параметра";
        case kReadMemory:
            return "Чтение буфера";
        case kWriteParameter:
            if (high == kParamHigh && low == kParamWriteUnlock) return "Разрешение записи";
            if (high == kParamHigh && low == kParamPassword) return "Пароль";
            if (IsControlParameter(high, low)) return "Запись параметра канала";
            if (IsBufferParameter(high, low)) return "Запись буфера";
            return "Запись параметра";
        case kWriteMemory:
            return "Запись буфера";
        case kRestart:
            return "Перезапуск";
        case kStop:
            return "STOP";
        case kExchangeEnd:
            return "Конец обмена";
        case kReprogramming:
            if (high == kReprogCopyInCode) return "Копирование РПЗУ в буфер";
            if (high == kReprogCopyOutCode) return "Копирование буфера в РПЗУ";
            if (high == kReprogCancelCode) return "Отмена репрограммации";
            return "Репрограммация";
        default:
            return "Запрос";
    }
}

}  // namespace hk::device
