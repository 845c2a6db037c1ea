#include "device/StepResults.h"

#include "protocol/Results.h"

namespace hk::device {

std::string StepResultText(int code) {
    switch (code) {
        case kKitMismatch:
            return "код ошибки 18 (подключен другой комплект КВАРД)";
        case kNoConfirmation:
            return "код ошибки 19 (нет подтверждения за отведенное время)";
        default:
            return protocol::ResultText(code);
    }
}

}  // namespace hk::device
