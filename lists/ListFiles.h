#pragma once
// List files of modem lines and the ring count kept inside the lines.
//
// A list file is Windows-1251 text: one list line per text line, every line
// followed by CR LF when written. Reading takes CR LF or LF as the line end
// and keeps empty lines; the bytes of each line are kept as they are.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "lists/MemoLines.h"

namespace hk {

// File dialog filters and default extensions: modem lists (modem mode) and
// controller channel lists (controller mode).
inline constexpr std::string_view kModemListFilter = "Список названий (*.n2)|*.n2";
inline constexpr std::string_view kModemListExt = "n2";
inline constexpr std::string_view kControllerListFilter = "Список названий (*.n3)|*.n3";
inline constexpr std::string_view kControllerListExt = "n3";

// Limits of a file to be loaded as a list. A real list holds a few dozen
// lines of a few dozen characters (a controller channel takes 128 bytes);
// these limits lie far above that and keep loading within a fraction of a
// second and a few megabytes. A line ends at LF, CR LF or a lone CR, as in
// the memo, and is counted without its end. A line longer than the modem's
// send buffer (300 characters) still loads: only the text before its first
// "<" is sent, and a comment line is never sent.
inline constexpr std::size_t kListFileSizeLimit = 256 * 1024;  // bytes
inline constexpr int kListLineCountLimit = 20'000;             // lines
inline constexpr std::size_t kListLineLimit = 1024;            // characters in a line

// Why a file that opened is not loaded as a list.
struct ListFileRefusal {
    enum class Reason {
        TooLarge,      // more than kListFileSizeLimit bytes
        TooManyLines,  // more than kListLineCountLimit lines
        NotText,       // a control byte other than TAB, CR, LF (NUL, DEL, ...)
        LineTooLong,   // a line of more than kListLineLimit characters
    };
    Reason reason;
    int line = 0;            // NotText, LineTooLong: the line, counting from 1
    unsigned char byte = 0;  // NotText: the byte found
    bool operator==(const ListFileRefusal&) const = default;
};

// Checks a file's bytes as they arrive, so that reading can stop at the first
// thing that makes it no list: a huge or binary file is refused after the
// first bytes that show it, never read whole.
class ListFileCheck {
public:
    // Takes the next bytes of the file; false once the file is refused.
    bool Take(std::string_view bytes);
    const std::optional<ListFileRefusal>& Refusal() const { return refusal_; }

private:
    std::size_t size_ = 0;        // bytes taken
    std::size_t lineLength_ = 0;  // characters of the current line so far
    int line_ = 1;                // the current line, counting from 1
    bool afterCr_ = false;        // the last byte was a CR
    std::optional<ListFileRefusal> refusal_;
};

// The lines of a list file, or why it is not loaded.
struct ListFileContents {
    std::vector<std::string> lines;          // empty when refused
    std::optional<ListFileRefusal> refusal;  // set: the file is no list
    bool operator==(const ListFileContents&) const = default;
};

// Reads a list file. nullopt when it cannot be opened or read, or is no
// regular file (a folder, a device): nothing is loaded then, and nothing is
// reported. Reading stops at the first byte that refuses the file.
std::optional<ListFileContents> ReadListFile(const std::string& path);

// The operator's message for a refused file: the file, what is wrong with it
// and what to do (UTF-8; `path` as the file dialog gave it).
std::string ListFileRefusalText(const std::string& path, const ListFileRefusal& refusal);

// Splits file bytes into list lines (CR LF or LF ends a line; a last line
// without an end counts too).
std::vector<std::string> SplitListLines(std::string_view bytes);

// Writes `lines`, each followed by CR LF, into `path`, replacing the file.
// - The bytes go to a temporary file in the same folder that is then renamed
//   over the target: a failure leaves an existing file as it was and no
//   partial file behind. An existing file keeps its permissions.
// - A folder that takes no temporary file (no right to create files there, a
//   name at the length limit): the list is written into the existing file
//   itself, after the room for the new bytes is reserved (see
//   ListFileSave.cpp); a new file is created directly.
// - A write-protected file (no write permission for anybody, or none for
//   this user) is refused and stays untouched; so is a folder or a device
//   standing under the name.
// - A path that is a symbolic link is written through to the file it names.
// Throws hk::FileError on failure: its text names the file, says in Russian
// what went wrong and what to do, then gives the system's text after a line
// break ("\r"); its code is the system's error number.
void WriteListFile(const std::string& path, const std::vector<std::string>& lines);
// The same with the lines a memo holds.
void WriteListFile(const std::string& path, const MemoLines& memo);

}  // namespace hk
