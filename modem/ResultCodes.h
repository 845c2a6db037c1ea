#pragma once
// The result code in a Hayes modem's answer to one command line, and what it
// says about the line: accepted (OK, or 0 in digit form), refused (ERROR, or
// 4), or anything else (CONNECT, NO CARRIER, BUSY ..., or no result code at
// all). Only OK says a line was carried out; CONNECT is the success of a
// line that dials or answers a call (the modem is then on line), and no
// other line's.
//
// A word code (V1) stands on a line of its own. A digit code (V0) is digits
// followed by a carriage return alone; digits followed by CR LF are
// information text (an S-register's value), not a code. Both forms are
// recognised whatever the program takes the modem's setting to be: a modem
// that refused ATV0 still answers in words. The echo of the command line is
// no code (a list line "OK" or "4" comes back as it went out), and RING,
// which a modem sends when someone calls, is no answer to a command. The
// first code of an answer decides.
//
// The reader also follows the echo byte by byte, so that the run driver
// does not take a byte of it for the answer it waits for: a line feed the
// line sent itself, or a digit 0 in "ATS0=3" while the modem answers in
// digits.

#include <cstdint>
#include <string>
#include <string_view>

namespace hk {

enum class LineVerdict { Ok, Error, Other };

// The verdict a result code gives ("OK" and "0": Ok; "ERROR" and "4": Error).
LineVerdict VerdictOfCode(std::string_view code);

// CONNECT, with or without its speed, in words or digits (1, and the
// CONNECT-with-speed codes 5 and 9 to 19 that modems commonly give).
bool IsConnectCode(std::string_view code);

class ResultCodeReader {
public:
    // The bytes of the line sent (EncodeLine's), as the modem echoes them:
    // the first line of the answer that reads as their text (up to the first
    // CR or LF) is the echo, never a code.
    void ExpectEcho(std::string sent);
    // The next byte of the answer, as it arrived.
    void Take(std::uint8_t byte);
    // The byte just taken may be part of the echo of the line sent: it
    // continues, as the echo would, the bytes taken before it (or starts
    // them afresh), and the echo has not yet come whole. A byte that is the
    // answer is never taken for the echo once the whole echo has come, nor
    // when the modem does not echo (the echo then does not start with it).
    bool LastByteMayBeEcho() const { return lastMayBeEcho_; }
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
    void FollowEcho(std::uint8_t byte);

    // Longer lines are information text: only their length matters.
    static constexpr std::size_t kLongestCode = 40;

    std::string line_;
    bool lineTooLong_ = false;
    std::string echo_;
    std::string echoBytes_;
    std::size_t echoAt_ = 0;  // bytes of the echo the last bytes taken match
    bool echoWhole_ = false;
    bool lastMayBeEcho_ = false;
    bool firstLineSeen_ = false;
    // Digits ended by a carriage return: a code unless a line feed follows.
    std::string digitsBeforeCr_;
    bool found_ = false;
    std::string code_;
};

}  // namespace hk
