#pragma once
// The result code in a Hayes modem's answer to one command line, and what it
// says about the line: accepted (OK, or 0 in digit form), refused (ERROR, or
// 4), or anything else (CONNECT, NO CARRIER ..., or no result code at all).
//
// A word code (V1) stands on a line of its own. A digit code (V0) is digits
// followed by a carriage return alone; digits followed by CR LF are
// information text (an S-register's value), not a code. Both forms are
// recognised whatever the program takes the modem's setting to be: a modem
// that refused ATV0 still answers in words. The echo of the command line is
// no code (a list line "OK" or "4" comes back as it went out), and RING,
// which a modem sends when someone calls, is no answer to a command. The
// first code of an answer decides.

#include <cstdint>
#include <string>
#include <string_view>

namespace hk {

enum class LineVerdict { Ok, Error, Other };

// The verdict a result code gives ("OK" and "0": Ok; "ERROR" and "4": Error).
LineVerdict VerdictOfCode(std::string_view code);

class ResultCodeReader {
public:
    // The text of the line sent, as the modem echoes it: the first line of
    // the answer that reads the same is the echo, never a code.
    void ExpectEcho(std::string echo) { echo_ = std::move(echo); }
    // The next byte of the answer, as it arrived.
    void Take(std::uint8_t byte);
    // The modem has stopped sending (it pauses, or the answer is complete):
    // digits ended by a carriage return just before are a code, since a
    // modem sends CR LF in one go.
    void Finish();

    bool Found() const { return found_; }
    // The code as received ("ERROR", "4", "CONNECT 9600"); empty while none.
    const std::string& Code() const { return code_; }
    // Other while no code has been found.
    LineVerdict Verdict() const;

private:
    void EndOfLine(bool byCr);
    void Decide(std::string code);

    // Longer lines are information text: only their length matters.
    static constexpr std::size_t kLongestCode = 40;

    std::string line_;
    bool lineTooLong_ = false;
    std::string echo_;
    bool firstLineSeen_ = false;
    // Digits ended by a carriage return: a code unless a line feed follows.
    std::string digitsBeforeCr_;
    bool found_ = false;
    std::string code_;
};

}  // namespace hk
