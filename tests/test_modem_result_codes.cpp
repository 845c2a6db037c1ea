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

// The echo is followed byte by byte: a line feed or a digit 0 in it is no
// answer. Once it has come whole, or where it does not come (no echo, a
// RING first), every byte is the modem's own. 'e' marks a byte that may be
// the echo.
TEST(ResultCodes, EveryByteOfTheEchoIsKnownAsSuchAndNoByteAfterIt) {
    const struct {
        const char* name;
        std::string sent, bytes, echo;
    } rows[] = {
        {"a digit 0 in the echo, then the code 0", "ATS0=3\r", "ATS0=3\r0\r", "eeeeeee.."},
        {"the line feed the line sent", "AT&F\r\n", "AT&F\r\n\r\nOK\r\n", "eeeeee......"},
        {"no echo: the code at once", "ATS0=3\r", "0\r", ".."},
        {"RING before the echo", "ATS0=3\r", "2\rATS0=3\r0\r", "..eeeeeee.."},
        {"the same text again is the modem's", "OK\r", "OK\r\r\nOK\r\n", "eee......"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        ResultCodeReader reader;
        reader.ExpectEcho(r.sent);
        std::string echo;
        for (const char c : r.bytes) {
            reader.Take(static_cast<std::uint8_t>(c));
            echo += reader.LastByteMayBeEcho() ? 'e' : '.';
        }
        EXPECT_EQ(echo, r.echo);
    }
}

TEST(ResultCodes, CONNECTInWordsAndDigits) {
    for (const char* connect :
         {"CONNECT", "CONNECT 9600", "CONNECT 33600/ARQ", "1", "5", "10", "12", "19"})
        EXPECT_TRUE(IsConnectCode(connect)) << connect;
    for (const char* other : {"OK", "0", "2", "3", "4", "7", "20", "NO CARRIER", "BUSY", ""})
        EXPECT_FALSE(IsConnectCode(other)) << other;
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
