// Reading the result code out of a modem's answer to one line, byte by byte
// as the answer arrives: word and digit codes, information text that looks
// like a code, the echo, RING, and answers without any code.

#include <gtest/gtest.h>

#include <string>

#include "modem/ResultCodes.h"

namespace hk {
namespace {

struct Answer {
    const char* name;
    std::string bytes;
    bool found;
    std::string code;
    LineVerdict verdict;
};

ResultCodeReader Read(const std::string& bytes, bool finish) {
    ResultCodeReader reader;
    for (const char c : bytes) reader.Take(static_cast<std::uint8_t>(c));
    if (finish) reader.Finish();
    return reader;
}

TEST(ResultCodes, TheFirstCodeOfAnAnswerDecidesItsVerdict) {
    const Answer answers[] = {
        {"word OK", "\r\nOK\r\n", true, "OK", LineVerdict::Ok},
        {"word ERROR after the echo", "ATX9\r\r\nERROR\r\n", true, "ERROR", LineVerdict::Error},
        {"digit 0", "0\r", true, "0", LineVerdict::Ok},
        {"digit 4 after the echo", "ATX9\r4\r", true, "4", LineVerdict::Error},
        {"CONNECT with its speed", "\r\nCONNECT 9600\r\n", true, "CONNECT 9600",
         LineVerdict::Other},
        {"NO CARRIER", "\r\nNO CARRIER\r\n", true, "NO CARRIER", LineVerdict::Other},
        {"digit 3", "3\r", true, "3", LineVerdict::Other},
        {"a register's value, then OK", "\r\n002\r\n\r\nOK\r\n", true, "OK", LineVerdict::Ok},
        {"a register's value under V0, then 0", "002\r\n0\r", true, "0", LineVerdict::Ok},
        {"settings text, then OK", "\r\nE1 Q0 V1 X4\r\nS00=003 S01=000\r\n\r\nOK\r\n", true, "OK",
         LineVerdict::Ok},
        {"RING is no answer", "\r\nRING\r\n\r\nOK\r\n", true, "OK", LineVerdict::Ok},
        {"RING as a digit is no answer", "2\r4\r", true, "4", LineVerdict::Error},
        {"only the echo", "ATZ\r", false, "", LineVerdict::Other},
        {"a word inside a line is no code", "\r\nNOT OK\r\n", false, "", LineVerdict::Other},
        {"the line feed alone", "\r\n", false, "", LineVerdict::Other},
        {"a code still being received", "\r\nOK", false, "", LineVerdict::Other},
        {"what follows the first code", "\r\nERROR\r\n\r\nOK\r\n", true, "ERROR",
         LineVerdict::Error},
        {"blanks around a code", "\r\n OK \r\n", true, "OK", LineVerdict::Ok},
    };
    for (const Answer& a : answers) {
        SCOPED_TRACE(a.name);
        const ResultCodeReader reader = Read(a.bytes, /*finish=*/true);
        EXPECT_EQ(reader.Found(), a.found);
        EXPECT_EQ(reader.Code(), a.code);
        EXPECT_EQ(reader.Verdict(), a.verdict);
    }
}

// Digits ended by a carriage return are a code only when no line feed
// follows: the next byte tells, or the end of the answer.
TEST(ResultCodes, DigitsBeforeACarriageReturnWaitForTheNextByteOrTheEnd) {
    ResultCodeReader reader = Read("4\r", /*finish=*/false);
    EXPECT_FALSE(reader.Found());
    reader.Take('A');
    EXPECT_EQ(reader.Code(), "4");

    reader = Read("4\r", /*finish=*/false);
    reader.Take('\n');
    reader.Finish();
    EXPECT_FALSE(reader.Found()) << "information text";

    reader = Read("4\r", /*finish=*/true);
    EXPECT_EQ(reader.Code(), "4");

    // A word code counts as soon as its line ends.
    reader = Read("\r\nERROR\r", /*finish=*/false);
    EXPECT_EQ(reader.Code(), "ERROR");
}

// The echo of the line sent is its answer's first line, whatever it reads
// like; the same text later in the answer is the modem's own.
TEST(ResultCodes, TheEchoOfTheLineIsNoCode) {
    const std::pair<std::string, std::string> echoes[] = {
        {"OK", "OK\r"}, {"0", "0\r"}, {"4", "4\r"}, {"ERROR", "ERROR\r\n"}};
    for (const auto& [text, bytes] : echoes) {
        SCOPED_TRACE(text);
        ResultCodeReader reader;
        reader.ExpectEcho(text);
        for (const char c : bytes) reader.Take(static_cast<std::uint8_t>(c));
        reader.Finish();
        EXPECT_FALSE(reader.Found()) << reader.Code();
    }
    ResultCodeReader reader;
    reader.ExpectEcho("OK");
    for (const char c : std::string("OK\r\r\nOK\r\n")) reader.Take(static_cast<std::uint8_t>(c));
    EXPECT_EQ(reader.Code(), "OK");
    // Without echo the first line is the modem's.
    reader = ResultCodeReader();
    reader.ExpectEcho("ATZ");
    for (const char c : std::string("\r\nOK\r\n")) reader.Take(static_cast<std::uint8_t>(c));
    EXPECT_EQ(reader.Code(), "OK");
}

TEST(ResultCodes, TheCodesVerdicts) {
    EXPECT_EQ(VerdictOfCode("OK"), LineVerdict::Ok);
    EXPECT_EQ(VerdictOfCode("0"), LineVerdict::Ok);
    EXPECT_EQ(VerdictOfCode("ERROR"), LineVerdict::Error);
    EXPECT_EQ(VerdictOfCode("4"), LineVerdict::Error);
    for (const char* other : {"1", "3", "10", "CONNECT", "BUSY", "NO DIALTONE", "NO ANSWER", ""})
        EXPECT_EQ(VerdictOfCode(other), LineVerdict::Other) << other;
}

}  // namespace
}  // namespace hk
