#pragma once
// List files of modem lines and the ring count kept inside the lines.
//
// A list file is Windows-1251 text: one list line per text line, every line
// followed by CR LF when written. Reading takes CR LF or LF as the line end
// and keeps empty lines; the bytes of each line are kept as they are.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hk {

// File dialog filters and default extensions: modem lists (modem mode) and
// controller channel lists (controller mode).
inline constexpr std::string_view kModemListFilter = "Список названий (*.n2)|*.n2";
inline constexpr std::string_view kModemListExt = "n2";
inline constexpr std::string_view kControllerListFilter = "Список названий (*.n3)|*.n3";
inline constexpr std::string_view kControllerListExt = "n3";

// The lines of a list file; nullopt when it cannot be opened or read
// (nothing is loaded then, and nothing is reported).
std::optional<std::vector<std::string>> ReadListFile(const std::string& path);

// Splits file bytes into list lines (CR LF or LF ends a line; a last line
// without an end counts too).
std::vector<std::string> SplitListLines(std::string_view bytes);

// Writes `lines`, each followed by CR LF, into `path`, replacing the file.
// The bytes go to a temporary file in the same folder that is then renamed
// over the target, so a failure leaves an existing file as it was and no
// partial file behind. A path that is a symbolic link is written through to
// the file it names; an existing file keeps its permissions.
// Throws hk::FileError with the system's message on failure.
void WriteListFile(const std::string& path, const std::vector<std::string>& lines);

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
