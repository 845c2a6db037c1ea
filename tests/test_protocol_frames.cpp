// The byte formats as pure functions: the worked frames of both framings,
// the CRC, and the FT1.2 answer check with one row per fault.

#include <gtest/gtest.h>

#include "protocol/Frames.h"
#include "support/ScriptPeer.h"

namespace hk::protocol {
namespace {

using test::Hex;
using test::HexText;

std::string Text(std::span<const std::uint8_t> s) { return HexText({s.begin(), s.end()}); }

TEST(Frames, CrcCheckValuesAndTraditionalCheckByte) {
    const std::string digits = "123456789", abc = "abc";
    EXPECT_EQ(Crc16({reinterpret_cast<const std::uint8_t*>(digits.data()), 9}), 0x6F91);
    EXPECT_EQ(Crc16({reinterpret_cast<const std::uint8_t*>(abc.data()), 3}), 0x61DA);

    std::vector<std::uint8_t> request = Hex("03 01 40 00 EE EE");
    EXPECT_EQ(Text(BuildTraditionalFrame(request)), "03 01 40 00 BF");
    EXPECT_EQ(request[5], 0xEE);
    std::vector<std::uint8_t> noRoom = Hex("03 01 40 00");
    EXPECT_TRUE(BuildTraditionalFrame(noRoom).empty());
    EXPECT_EQ(HexText(noRoom), "03 01 40 00");
}

TEST(Frames, Ft12WorkedExamplesAndLongestRequests) {
    const struct {
        const char* request;
        std::uint8_t address;
        int crcMode;
        const char* frame;  // header | body | trailer
    } rows[] = {
        {"01 40 00", 1, 0, "10 | 40 01 01 40 00 00 | 82 16"},
        {"01 40 00", 1, 1, "10 | 40 01 01 40 00 00 28 1B | C5 16"},
        {"01 40 00", 1, 2, "10 | 40 01 01 40 00 00 | 28 1B"},
        {"01 02 03 04 05", 1, 0, "68 07 07 68 | 40 01 01 02 03 04 05 | 50 16"},
        {"01 02 03 04 05", 1, 1, "68 09 09 68 | 40 01 01 02 03 04 05 39 5D | E6 16"},
        {"01 02 03 04 05", 1, 2, "68 07 07 68 | 40 01 01 02 03 04 05 | 39 5D"},
    };
    for (const auto& r : rows) {
        Ft12Frame f;
        ASSERT_TRUE(BuildFt12Frame(Hex(r.request), r.address, r.crcMode, f));
        EXPECT_EQ(Text(f.Header()) + " | " + Text(f.Body()) + " | " + Text(f.Trailer()), r.frame);
    }
    for (int mode : {0, 1, 2}) {
        const std::size_t max = mode == 1 ? 251 : 253;
        Ft12Frame f;
        ASSERT_TRUE(BuildFt12Frame(std::vector<std::uint8_t>(max, 0x5A), 7, mode, f));
        EXPECT_EQ(f.header[1], 255);  // L still fits its byte
        EXPECT_FALSE(BuildFt12Frame(std::vector<std::uint8_t>(max + 1, 0x5A), 7, mode, f));
    }
}

TEST(Frames, Ft12AnswerOneRowPerFault) {
    const struct {
        const char* name;
        int crcMode;
        const char* received;
        std::size_t answerLen;
        int want;
        const char* data;
    } rows[] = {
        {"short", 0, "10 00 01 11 22 33 44 AB 16", 2, kResultOk, "11 22"},
        {"short, crc in data", 1, "10 00 01 11 22 33 44 47 F2 E4 16", 4, kResultOk, "11 22 33 44"},
        {"short, crc trailer", 2, "10 00 01 11 22 33 44 47 F2", 2, kResultOk, "11 22"},
        {"long", 0, "68 08 08 68 00 01 01 02 03 04 05 06 16 16", 6, kResultOk, "01 02 03 04 05 06"},
        {"long, crc in data", 1, "68 0A 0A 68 00 01 01 02 03 04 05 06 D8 AC 9A 16", 6, kResultOk,
         "01 02 03 04 05 06"},
        {"long, crc trailer", 2, "68 08 08 68 00 01 01 02 03 04 05 06 D8 AC", 6, kResultOk,
         "01 02 03 04 05 06"},
        {"short frame to a one-byte request", 0, "10 00 01 11 22 33 44 AB 16", 1, kResultOk, "11"},
        {"single A2", 0, "A2", 0, kResultSingleA2, ""},
        {"single E5", 0, "E5", 2, kResultSingleE5, ""},
        {"nothing", 0, "", 2, kResultNoStart, ""},
        {"noise before the frame", 0, "55 10 00 01 11 22 33 44 AB 16", 2, kResultNoStart, ""},
        {"long header short", 0, "68 08", 2, kResultHeaderIncomplete, ""},
        {"length bytes differ", 0, "68 05 06 68", 2, kResultLengthMismatch, ""},
        {"fourth byte not 68", 0, "68 05 05 67", 2, kResultLongStartWrong, ""},
        {"wrong address, trailer unread", 0, "10 00 02 11 22 33 44", 2, kResultAddressWrong, ""},
        {"wrong control", 0, "10 08 01 11 22 33 44 B3 16", 2, kResultControlWrong, ""},
        {"both wrong: the later decides", 0, "10 08 02 11 22 33 44 B4 16", 2, kResultAddressWrong,
         ""},
        {"check sum", 0, "10 00 01 11 22 33 44 AC 16", 2, kResultCheckSumWrong, ""},
        {"end byte", 0, "10 00 01 11 22 33 44 AB 17", 2, kResultEndWrong, ""},
        {"trailer cut", 0, "10 00 01 11 22 33 44 AB", 2, kResultAnswerIncomplete, ""},
        {"crc in data, data bit", 1, "10 00 01 11 22 33 45 47 F2 E5 16", 2, kResultCrcWrong, ""},
        {"crc in data, check sum", 1, "10 00 01 11 22 33 44 47 F2 E5 16", 2, kResultCheckSumWrong,
         ""},
        {"crc trailer, data bit", 2, "10 00 01 11 22 33 45 47 F2", 2, kResultCrcWrong, ""},
        {"crc trailer, crc bit", 2, "10 00 01 11 22 33 44 47 F3", 2, kResultCrcWrong, ""},
        {"sound frame, fewer data than wanted", 0, "68 08 08 68 00 01 01 02 03 04 05 06 16 16", 8,
         kResultAnswerLengthWrong, ""},
        {"sound frame, more data than wanted", 0, "68 08 08 68 00 01 01 02 03 04 05 06 16 16", 2,
         kResultAnswerLengthWrong, ""},
        {"short frame to a 6-byte request", 0, "10 00 01 11 22 33 44 AB 16", 6,
         kResultAnswerLengthWrong, ""},
        {"crc trailer, more data than wanted", 2, "68 08 08 68 00 01 01 02 03 04 05 06 D8 AC", 3,
         kResultAnswerLengthWrong, ""},
        {"L = 0: no address field", 0, "68 00 00 68 00 16", 0, kResultFrameTooShort, ""},
        {"L = 1: no address field", 0, "68 01 01 68 00 00 16", 0, kResultFrameTooShort, ""},
        {"L = 1, crc trailer", 2, "68 01 01 68 00 B8 F0", 0, kResultFrameTooShort, ""},
        {"L = 3, crc in data: no room for C, A and CRC", 1, "68 03 03 68 00 01 00 01 16", 0,
         kResultFrameTooShort, ""},
        {"L = 2: address only, no data", 0, "68 02 02 68 00 01 01 16", 0, kResultOk, ""},
    };
    for (const auto& r : rows) {
        std::vector<std::uint8_t> answer(12, 0xEE);
        EXPECT_EQ(CheckFt12Answer(Hex(r.received), 1, r.crcMode, answer, r.answerLen), r.want)
            << r.name;
        const auto data = Hex(r.data);
        EXPECT_EQ(HexText({answer.begin(), answer.begin() + long(data.size())}), r.data) << r.name;
        for (std::size_t i = r.answerLen; i < answer.size(); ++i)
            EXPECT_EQ(answer[i], 0xEE) << r.name << ": byte " << i << " past the answer";
    }
}

TEST(Frames, CodesWithoutATableTextShowTheirNumber) {
    EXPECT_EQ(ResultText(0), "OK");
    EXPECT_EQ(ResultText(6), "False");
    EXPECT_EQ(ResultText(8), "нет передачи данных");
    for (int code : {9, 19, -1}) EXPECT_EQ(ResultText(code), "код ошибки " + std::to_string(code));
    EXPECT_EQ(ResultText(11), "код ошибки 11 (неверная CRC ответа)");
    EXPECT_EQ(ResultText(38), "код ошибки 38 (КВАРД отказал в выполнении, ответ E5)");
    EXPECT_EQ(ResultText(39), "код ошибки 39 (кадр ответа без поля адреса)");
    EXPECT_EQ(ResultText(40), "код ошибки 40 (длина данных ответа не та, что запрошена)");
}

}  // namespace
}  // namespace hk::protocol
