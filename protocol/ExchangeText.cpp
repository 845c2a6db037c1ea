#include "protocol/ExchangeText.h"

#include "protocol/Frames.h"
#include "protocol/Results.h"

namespace hk::protocol {
namespace {

constexpr std::size_t kShownOfSecret = 3;  // code and parameter number

std::string Hex(std::span<const std::uint8_t> bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t b : bytes) {
        if (!text.empty()) text += ' ';
        text += kDigits[b >> 4];
        text += kDigits[b & 0x0F];
    }
    return text;
}

std::string Outcome(int result) {
    return " → " + std::to_string(result) + " " + ResultText(result);
}

const char* CrcModeText(int crcMode) {
    switch (crcMode) {
        case kCrcInData:
            return "CRC в данных";
        case kCrcInsteadOfTrailer:
            return "CRC вместо КС";
        default:
            return "без CRC";
    }
}

// What the check of a whole answer frame found, from the exchange's result.
std::string FrameVerdict(int result, int crcMode) {
    switch (result) {
        case kResultOk:
            if (crcMode == kCrcInsteadOfTrailer) return "CRC верна";
            if (crcMode == kCrcInData) return "CRC и КС верны";
            return "КС верна";
        case kResultCrcWrong:
            return "CRC неверна";
        case kResultCheckSumWrong:
            return "КС неверна";
        case kResultEndWrong:
            return "неверный конец кадра";
        case kResultControlWrong:
            return "неверное поле управления";
        case kResultAddressWrong:
            return "чужой адрес";
        case kResultAnswerIncomplete:
            return "кадр неполный";
        case kResultAnswerLengthWrong:
            return "длина данных не та, что запрошена";
        default:
            return {};
    }
}

std::string Ft12Answer(std::span<const std::uint8_t> received, int crcMode, int result) {
    if (received.empty()) return "нет ответа";
    const std::uint8_t first = received[0];
    if (first == Ft12SingleA2) return "ответ A2 (выполнено)";
    if (first == Ft12SingleE5) return "ответ E5 (отказ)";
    if (first != Ft12ShortStart && first != Ft12LongStart)
        return "ответ с неизвестного байта " + Hex(received.first(1));
    const bool isShort = first == Ft12ShortStart;
    const std::size_t crcInData = crcMode == kCrcInData ? 2 : 0;
    std::size_t headerSize = 1;
    std::size_t bodyLength = 2 + Ft12ShortData + crcInData;
    std::string text = isShort ? "ответ: короткий кадр" : "ответ: длинный кадр";
    if (!isShort) {
        headerSize = 4;
        if (result == kResultHeaderIncomplete) return text + ", заголовок неполный";
        if (result == kResultLengthMismatch) return text + ", длины не совпадают";
        if (result == kResultLongStartWrong) return text + ", неверный заголовок";
        if (result == kResultFrameTooShort) return text + ", без поля адреса";
        if (received.size() < headerSize) return text + ", заголовок неполный";
        bodyLength = received[1];
    }
    const auto body = received.subspan(headerSize);
    if (body.size() >= 2) {
        text += ", упр. " + Hex(body.first(1)) + ", адрес " + std::to_string(body[1]);
        const std::size_t dataEnd = std::min(
            body.size(), bodyLength > crcInData + 2 ? bodyLength - crcInData : std::size_t{2});
        if (dataEnd > 2) text += ", данные " + Hex(body.subspan(2, dataEnd - 2));
    }
    const std::string verdict = FrameVerdict(result, crcMode);
    if (!verdict.empty()) text += ", " + verdict;
    return text;
}

}  // namespace

std::string RequestHex(std::span<const std::uint8_t> request, bool secret) {
    if (request.empty()) return {};
    const std::size_t n = std::min<std::size_t>(request[0], request.size() - 1);
    const auto bytes = request.subspan(1, n);
    if (!secret || bytes.size() <= kShownOfSecret) return Hex(bytes);
    std::string text = Hex(bytes.first(kShownOfSecret));
    for (std::size_t i = kShownOfSecret; i < bytes.size(); ++i) text += " **";
    return text;
}

std::string TraditionalText(std::span<const std::uint8_t> request, const TraditionalTrace& trace,
                            std::size_t answerLen, int result, bool secret) {
    std::string text = "традиционный кадр, запрос " + RequestHex(request, secret);
    if (!trace.ready) {
        switch (result) {
            case kResultNotSent:
                text += ": не передан";
                break;
            case kResultNoStart:
                text += ": нет ответа на начало обмена";
                break;
            default:
                text += ": нет готовности КВАРД";
                break;
        }
        return text + Outcome(result);
    }
    text += ": готов";
    if (trace.verdict < 0) return text + ", кадр не подтверждён" + Outcome(result);
    if (trace.verdict != kResultOk) return text + ", кадр отклонён (15)" + Outcome(result);
    text += ", кадр принят";
    if (answerLen > 0) {
        const std::span<const std::uint8_t> block(trace.block);
        if (block.size() < answerLen + 1) {
            text += ", ответ неполный: " + std::to_string(block.size()) + " из " +
                    std::to_string(answerLen + 1) + " байт";
            if (!block.empty()) text += " (" + Hex(block) + ")";
        } else {
            text += ", ответ " + Hex(block.first(answerLen)) + ", КС " +
                    Hex(block.subspan(answerLen, 1)) +
                    (result == kResultAnswerCheckWrong ? " неверна" : " верна");
        }
    }
    return text + Outcome(result);
}

std::string Ft12Text(std::span<const std::uint8_t> request, std::uint8_t address, int crcMode,
                     std::span<const std::uint8_t> received, int result, bool secret) {
    const std::size_t n = request.empty() ? 0 : request[0];
    std::string text = std::string("FT1.2 ") + (n <= Ft12ShortData ? "короткий" : "длинный") +
                       " кадр (" + CrcModeText(crcMode) + "), адрес " + std::to_string(address) +
                       ", запрос " + RequestHex(request, secret);
    if (result == kResultNotSent) return text + ": не передан" + Outcome(result);
    return text + "; " + Ft12Answer(received, crcMode, result) + Outcome(result);
}

std::string LateAnswerText(std::size_t bytes) {
    return "опоздавший ответ на прежний запрос: " + std::to_string(bytes) +
           " байт отброшено до нового запроса";
}

}  // namespace hk::protocol
