#include "modem/ResultCodes.h"

#include <algorithm>
#include <array>

#include "lists/EncodeLine.h"

namespace hk {
namespace {

// The word codes a modem answers a command line with; CONNECT carries the
// speed after it.
constexpr std::array<std::string_view, 7> kWordCodes = {
    "OK", "ERROR", "NO CARRIER", "NO DIALTONE", "NO DIAL TONE", "BUSY", "NO ANSWER"};
constexpr std::string_view kConnect = "CONNECT";
constexpr std::string_view kRingDigit = "2";

bool IsWordCode(std::string_view line) {
    return std::find(kWordCodes.begin(), kWordCodes.end(), line) != kWordCodes.end() ||
           line.starts_with(kConnect);
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

}  // namespace

LineVerdict VerdictOfCode(std::string_view code) {
    if (code == "OK" || code == "0") return LineVerdict::Ok;
    if (code == "ERROR" || code == "4") return LineVerdict::Error;
    return LineVerdict::Other;
}

bool IsConnectCode(std::string_view code) {
    if (code.starts_with(kConnect)) return true;
    if (!AllDigits(code) || code.size() > 2) return false;
    const int n = std::stoi(std::string(code));
    return n == 1 || n == 5 || (n >= 9 && n <= 19);
}

void ResultCodeReader::ExpectEcho(std::string sent) {
    echo_ = sent.substr(0, sent.find_first_of("\r\n"));
    echoBytes_ = std::move(sent);
}

void ResultCodeReader::FollowEcho(std::uint8_t byte) {
    lastMayBeEcho_ = false;
    if (echoWhole_ || echoBytes_.empty()) return;
    const auto echoByte = [&] { return static_cast<std::uint8_t>(echoBytes_[echoAt_]); };
    // What came before did not go on as the echo: it may start here.
    if (echoByte() != byte) echoAt_ = 0;
    if (echoByte() != byte) return;
    lastMayBeEcho_ = true;
    if (++echoAt_ == echoBytes_.size()) echoWhole_ = true;
}

LineVerdict ResultCodeReader::Verdict() const {
    return found_ ? VerdictOfCode(code_) : LineVerdict::Other;
}

void ResultCodeReader::Decide(std::string code) {
    found_ = true;
    code_ = std::move(code);
}

void ResultCodeReader::Take(std::uint8_t byte) {
    if (found_) {
        lastMayBeEcho_ = false;
        return;
    }
    FollowEcho(byte);
    if (!digitsBeforeCr_.empty()) {
        std::string digits;
        digits.swap(digitsBeforeCr_);
        // CR LF after digits ends a line of information text.
        if (byte == kLf) return;
        Decide(std::move(digits));
        return;
    }
    if (byte == kCr || byte == kLf) {
        EndOfLine(byte == kCr);
        return;
    }
    if (line_.size() < kLongestCode)
        line_ += static_cast<char>(byte);
    else
        lineTooLong_ = true;
}

void ResultCodeReader::EndOfLine(bool byCr) {
    const std::string line(TrimBlanks(line_));
    const bool tooLong = lineTooLong_;
    line_.clear();
    lineTooLong_ = false;
    if (tooLong) {
        firstLineSeen_ = true;
        return;
    }
    // The echo is the answer's first line; the empty lines that frame word
    // answers may stand before it only when there is no echo.
    if (!firstLineSeen_ && !line.empty()) {
        firstLineSeen_ = true;
        if (!echo_.empty() && line == TrimBlanks(echo_)) return;
    }
    if (byCr && AllDigits(line) && line != kRingDigit) {
        digitsBeforeCr_ = line;
        return;
    }
    if (IsWordCode(line)) Decide(line);
}

void ResultCodeReader::Finish() {
    if (found_ || digitsBeforeCr_.empty()) return;
    std::string digits;
    digits.swap(digitsBeforeCr_);
    Decide(std::move(digits));
}

}  // namespace hk
