#include "protocol/Results.h"

namespace hk::protocol {
namespace {

// What the FT1.2 checks found, shown after the code number.
const char* Description(int code) {
    switch (code) {
        case kResultCrcWrong:
            return "неверная CRC ответа";
        case kResultControlWrong:
            return "неверное поле управления ответа";
        case kResultAddressWrong:
            return "чужой сетевой номер в ответе";
        case kResultLengthMismatch:
            return "длины кадра ответа не совпадают";
        case kResultLongStartWrong:
            return "неверный заголовок кадра ответа";
        case kResultEndWrong:
            return "неверный конец кадра ответа";
        case kResultCheckSumWrong:
            return "неверная КС ответа";
        case kResultSingleA2:
            return "ответ A2 без данных";
        case kResultSingleE5:
            return "КВАРД отказал в выполнении, ответ E5";
        case kResultFrameTooShort:
            return "кадр ответа без поля адреса";
        case kResultAnswerLengthWrong:
            return "длина данных ответа не та, что запрошена";
        default:
            return nullptr;
    }
}

}  // namespace

std::string ResultText(int code) {
    if (code >= 0 && code < static_cast<int>(ExchangeMessages.size()))
        return ExchangeMessages[static_cast<std::size_t>(code)];
    // Codes without a text of their own are shown by number, so the operator
    // can still tell them apart; the FT1.2 checks add what they found.
    std::string text = "код ошибки " + std::to_string(code);
    if (const char* what = Description(code)) text += std::string(" (") + what + ")";
    return text;
}

}  // namespace hk::protocol
