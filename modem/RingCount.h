#pragma once
// The ring count of a modem list: the number of rings before the modem
// answers, kept in the list's "S0=" lines and shown in the ring count field.

#include <optional>
#include <string>
#include <string_view>

namespace hk {

// The ring count is the number after the first "S0=" of a line (letters in
// any case). The number is the run of decimal digits at the first digit at or
// after the "=", or right after the "=" when there is no digit up to the end
// of the line. When the only digit after "=" is the last character of the
// line and does not follow the "=" directly (ATS0=X5), the number is taken to
// begin right after the "=" all the same: it is then empty, so a digit that
// ends the line as part of another command is never read or rewritten.

// The count in `line` (an empty number is 0, a very long one is capped at the
// largest int); nullopt when the line holds no "S0=".
std::optional<int> ReadRingCount(std::string_view line);

// `line` with its count replaced by `value` in decimal; nullopt (line to stay
// as it is) when it holds no "S0=".
std::optional<std::string> WriteRingCount(std::string_view line, int value);

// The value of the ring count field's text: an integer with an optional sign
// and surrounding blanks; anything else counts as 0.
int RingCountFieldValue(std::string_view text);

}  // namespace hk
