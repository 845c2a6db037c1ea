#include "device/StepResults.h"

#include "protocol/Results.h"

namespace hk::device {

std::string StepResultText(int code) {
    switch (code) {
        case kKitMismatch:
            return "код ошибки 18 (подключен другой комплект КВАРД)";
        case kNoConfirmation:
            return "код ошибки 19 (нет подтверждения за отведенное время)";
        case kVerifyMismatch:
            return "код ошибки 20 (прочитанное не совпадает с записанным)";
        case kBackupNotSaved:
            return "код ошибки 21 (резервная копия не сохранена)";
        case kBufferFlagNotSet:
            return "код ошибки 41 (флаг буфера не установлен)";
        default:
            return protocol::ResultText(code);
    }
}

}  // namespace hk::device
