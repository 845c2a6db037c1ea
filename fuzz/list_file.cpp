// Fuzz target: loading a list file of arbitrary bytes (NUL and other
// control bytes, lone CR, no final line end, long lines), and the ring count
// read from and written into its lines.
//
// Input layout (bytes past the end read as 0):
//   0..3  a ring count to write, 10 + value % (INT_MAX - 9)
//   4     the size of the pieces the file check takes at a time: value % 37 + 1
//   rest  the file's bytes
//
// Checked for every input:
//  - SplitListLines gives exactly the lines of the list-file rule, written
//    out here once more: LF ends a line, a CR right before it belongs to the
//    line end, every other byte stays in its line as it is, a last line
//    without LF counts too; so no line holds an LF, and putting the lines
//    back together with their line ends gives the input again;
//  - the file check refuses exactly what the loading rule refuses, at the
//    first byte that shows it: a file over kListFileSizeLimit bytes or
//    kListLineCountLimit lines, a control byte other than TAB, CR and LF
//    (with its line), a line of more than kListLineLimit characters (LF,
//    CR LF and a lone CR end a line, lines count from 1); it finds the same
//    whether it takes the bytes at once or piece by piece (a CR LF split
//    between pieces included), and once it has refused it takes nothing
//    more;
//  - ReadListFile of a file holding the input gives that refusal, or else
//    the same lines as SplitListLines;
//  - the ring count of a line is found exactly when the line holds "S0=" in
//    any letter case, is never negative, and a count of two or more digits
//    written into the line reads back as itself.

#include <climits>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/Require.h"
#include "fuzz/support/TempDir.h"
#include "lists/ListFiles.h"
#include "modem/RingCount.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

std::vector<std::string> ListLines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string line;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\n') {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            lines.push_back(line);
            line.clear();
        } else {
            line += bytes[i];
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// The loading rule's refusal of `bytes`, if any.
std::optional<ListFileRefusal> RefusalOf(std::string_view bytes) {
    using Reason = ListFileRefusal::Reason;
    int line = 1;
    std::size_t length = 0;
    bool afterCr = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (i + 1 > kListFileSizeLimit) return ListFileRefusal{Reason::TooLarge};
        const bool lfOfCrLf = b == '\n' && afterCr;
        afterCr = b == '\r';
        if (lfOfCrLf) continue;
        if (line > kListLineCountLimit) return ListFileRefusal{Reason::TooManyLines};
        const bool control = b < 0x20 || b == 0x7F;
        if (control && b != '\t' && b != '\r' && b != '\n')
            return ListFileRefusal{Reason::NotText, line, b};
        if (b == '\n' || b == '\r') {
            ++line;
            length = 0;
        } else if (++length > kListLineLimit) {
            return ListFileRefusal{Reason::LineTooLong, line};
        }
    }
    return std::nullopt;
}

// The file check taking `bytes` in pieces of `piece` bytes.
std::optional<ListFileRefusal> CheckInPieces(std::string_view bytes, std::size_t piece) {
    ListFileCheck check;
    bool refused = false;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        const bool taken = check.Take(bytes.substr(at, piece));
        FUZZ_REQUIRE(!refused || !taken, "the file check took bytes after refusing the file");
        FUZZ_REQUIRE(taken == !check.Refusal().has_value(), "Take and Refusal disagree");
        refused = !taken;
    }
    return check.Refusal();
}

bool HoldsS0(std::string_view line) {
    for (std::size_t i = 0; i + 3 <= line.size(); ++i)
        if ((line[i] == 'S' || line[i] == 's') && line[i + 1] == '0' && line[i + 2] == '=')
            return true;
    return false;
}

void CheckRingCount(const std::string& line, int value) {
    const std::optional<int> count = ReadRingCount(line);
    FUZZ_REQUIRE(count.has_value() == HoldsS0(line), "ring count found without S0= or missed");
    if (count) FUZZ_REQUIRE(*count >= 0, "a negative ring count read");
    const std::optional<std::string> written = WriteRingCount(line, value);
    FUZZ_REQUIRE(written.has_value() == HoldsS0(line), "ring count written without S0= or missed");
    if (written)
        FUZZ_REQUIRE(ReadRingCount(*written) == value, "a written ring count reads back otherwise");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    // Ring counts of two or more digits: 10 .. INT_MAX.
    unsigned raw = 0;
    for (int i = 0; i < 4; ++i) raw = raw * 256 + in.Byte();
    const int value = static_cast<int>(10 + raw % (INT_MAX - 9u));
    const std::size_t piece = in.Byte() % 37 + 1;
    const auto rest = in.Rest();
    const std::string_view bytes(reinterpret_cast<const char*>(rest.data()), rest.size());

    const std::vector<std::string> lines = SplitListLines(bytes);
    FUZZ_REQUIRE(lines == ListLines(bytes), "the lines differ from the list-file rule");

    std::string joined;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        FUZZ_REQUIRE(lines[i].find('\n') == std::string::npos, "a line holds a line feed");
        joined += lines[i];
        if (joined.size() < bytes.size() && bytes[joined.size()] == '\r' &&
            joined.size() + 1 < bytes.size() && bytes[joined.size() + 1] == '\n')
            joined += '\r';
        if (joined.size() < bytes.size()) joined += '\n';
    }
    FUZZ_REQUIRE(joined == bytes, "the lines with their line ends do not give the file again");

    const TempDir dir;
    const std::string file = dir.File("list.n2");
    TempDir::WriteAll(file, rest);
    const std::optional<ListFileRefusal> refusal = RefusalOf(bytes);
    FUZZ_REQUIRE(CheckInPieces(bytes, bytes.size() + 1) == refusal,
                 "the file check refuses otherwise than the loading rule");
    FUZZ_REQUIRE(CheckInPieces(bytes, piece) == refusal,
                 "the file check finds otherwise when it takes the bytes piece by piece");
    const auto loaded = ReadListFile(file);
    FUZZ_REQUIRE(loaded.has_value(), "a readable list file was neither loaded nor refused");
    if (refusal) {
        FUZZ_REQUIRE(loaded->refusal == refusal, "the file is not refused as the rule refuses it");
        FUZZ_REQUIRE(loaded->lines.empty(), "a refused file still gave lines");
    } else {
        FUZZ_REQUIRE(!loaded->refusal, "a list file was refused that the rule takes");
        FUZZ_REQUIRE(loaded->lines == lines, "the file loads other lines than its bytes hold");
    }

    for (const std::string& line : lines) CheckRingCount(line, value);
    return 0;
}
