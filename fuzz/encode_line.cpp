// Fuzz target: the line encoder on arbitrary lines (NUL bytes, stray "<" and
// ">", unfinished groups, any letter case), buffers of any size and start
// positions inside, at the end of and outside the buffer.
//
// Input layout (bytes past the end read as 0):
//   0  buffer size (0 .. 255)      1  start: value - 8 (-8 .. 247)
//   2  bit 0: byte trace on; the buffer's fill seed is the whole byte
//   rest  the line
//
// Checked for every input:
//  - the bytes written are exactly those of the encoding rule, written out
//    here once more: the text before the first "<" as typed; without "<" one
//    CR after it; from the first "<" on only the groups <LF> <0A> (0A) and
//    <CR> <0D> (0D) in any case, at most two, each group found at a "<" that
//    follows the previous group's ">";
//  - the result is kLineDoesNotFit exactly when the start lies outside the
//    buffer or the bytes do not fit behind it, and then nothing is written
//    and nothing traced; otherwise it is start + EncodedLength(line);
//  - no byte before the start, behind the new end or outside the buffer
//    changes;
//  - with the trace on, a line that fits adds the line as typed and the
//    buffer's bytes from 0 to the new end in hex.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/GuardedBytes.h"
#include "fuzz/support/Require.h"
#include "lists/EncodeLine.h"
#include "lists/LineSink.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

class CollectedLines final : public LineSink {
public:
    void AddLine(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// The terminator byte of the group at `at`, or 0.
std::uint8_t GroupAt(std::string_view line, std::size_t at) {
    if (at + 4 > line.size() || line[at] != '<' || line[at + 3] != '>') return 0;
    const char a = Upper(line[at + 1]), b = Upper(line[at + 2]);
    if ((a == 'L' && b == 'F') || (a == '0' && b == 'A')) return 0x0A;
    if ((a == 'C' && b == 'R') || (a == '0' && b == 'D')) return 0x0D;
    return 0;
}

std::vector<std::uint8_t> Encoded(std::string_view line) {
    std::vector<std::uint8_t> out;
    std::size_t at = 0;
    while (at < line.size() && line[at] != '<')
        out.push_back(static_cast<std::uint8_t>(line[at++]));
    if (at == line.size()) {
        out.push_back(0x0D);
        return out;
    }
    int groups = 0;
    while (groups < 2) {
        if (const std::uint8_t b = GroupAt(line, at)) {
            out.push_back(b);
            if (++groups == 2) break;
        }
        std::size_t close = at;
        while (close < line.size() && line[close] != '>') ++close;
        if (close == line.size()) break;
        at = close + 1;
        while (at < line.size() && line[at] != '<') ++at;
        if (at == line.size()) break;
    }
    return out;
}

std::string HexTrace(std::span<const std::uint8_t> bytes, int end) {
    std::string out = std::to_string(end) + ") ";
    for (std::uint8_t b : bytes) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        out += kDigits[b / 16];
        out += kDigits[b % 16];
        out += ' ';
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const std::size_t bufferSize = in.Byte();
    const int start = in.Byte() - 8;
    const std::uint8_t options = in.Byte();
    const bool traceOn = (options & 1) != 0;
    const auto rest = in.Rest();
    const std::string_view line(reinterpret_cast<const char*>(rest.data()), rest.size());

    const std::vector<std::uint8_t> want = Encoded(line);
    FUZZ_REQUIRE(EncodedLength(line) == want.size(), "EncodedLength differs from the rule");

    GuardedBytes buffer(GuardedBytes::Pattern(bufferSize, options));
    CollectedLines trace;
    const int end = EncodeLine(line, buffer.Span(), start, traceOn ? &trace : nullptr);
    FUZZ_REQUIRE(buffer.GuardsIntact(), "a byte outside the buffer changed");

    const bool fits = start >= 0 && static_cast<std::size_t>(start) <= bufferSize &&
                      want.size() <= bufferSize - static_cast<std::size_t>(start);
    if (!fits) {
        FUZZ_REQUIRE(end == kLineDoesNotFit, "a line that does not fit was not refused");
        FUZZ_REQUIRE(buffer.UntouchedFrom(0), "a refused line changed the buffer");
        FUZZ_REQUIRE(trace.lines.empty(), "a refused line was traced");
        return 0;
    }
    const auto from = static_cast<std::size_t>(start);
    FUZZ_REQUIRE(end == static_cast<int>(from + want.size()), "the new end is not start + length");
    FUZZ_REQUIRE(buffer.Untouched(0, from), "a byte before the start changed");
    FUZZ_REQUIRE(buffer.UntouchedFrom(from + want.size()), "a byte behind the new end changed");
    const auto written = buffer.Span().subspan(from, want.size());
    FUZZ_REQUIRE(std::equal(written.begin(), written.end(), want.begin(), want.end()),
                 "the bytes written differ from the encoding rule");
    if (traceOn) {
        FUZZ_REQUIRE(trace.lines.size() == 2, "the trace did not get exactly two lines");
        FUZZ_REQUIRE(trace.lines[0] == line, "the trace's first line is not the line as typed");
        FUZZ_REQUIRE(trace.lines[1] == HexTrace(buffer.Span().first(from + want.size()), end),
                     "the trace's byte line differs");
    }
    return 0;
}
