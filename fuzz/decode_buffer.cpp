// Fuzz target: a controller's 128-byte modem buffer of arbitrary bytes
// decoded into memo lines, with and without the special-character markers.
//
// Input layout: byte 0 bit 0 markers on; then the 128 buffer bytes (00 past
// the end of the input).
//
// Checked for every input:
//  - the memo's old lines are gone;
//  - the lines are exactly those of the decoding rule, written out here once
//    more: 00 or FF ends the walk, CR ends a line ("<CR>" first with the
//    markers), LF stays inside its line ("<LF>" with the markers, else
//    dropped), every other byte is a character, and the line being built
//    when the walk ends is added too;
//  - so no line holds a CR, 00 or FF, without the markers no LF either, the
//    number of lines is the number of CR before the first 00 or FF plus one,
//    and with the markers every line but the last ends in "<CR>" and holds
//    one "<CR>" more than its own text brings.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "device/KitBuffers.h"
#include "fuzz/support/ByteReader.h"
#include "fuzz/support/Require.h"
#include "lists/MemoryLines.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

std::size_t CountOf(std::string_view text, std::string_view what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string_view::npos;
         at = text.find(what, at + 1))
        ++n;
    return n;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const bool markers = (in.Byte() & 1) != 0;
    std::vector<std::uint8_t> buffer(device::kBufferBytes, 0x00);
    const auto given = in.Bytes(device::kBufferBytes);
    std::copy(given.begin(), given.end(), buffer.begin());

    // Each line's text without its CR marker, and how many CR came.
    std::vector<std::string> texts(1);
    for (std::uint8_t b : buffer) {
        if (b == 0x00 || b == 0xFF) break;
        if (b == 0x0D)
            texts.emplace_back();
        else if (b == 0x0A)
            texts.back() += markers ? "<LF>" : "";
        else
            texts.back() += static_cast<char>(b);
    }

    MemoryLines memo({"old line", "another"});
    device::DecodeBuffer(buffer, memo, device::LineEnds{markers});
    FUZZ_REQUIRE(memo.lines.size() == texts.size(), "the line count is not the CR count plus one");
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const std::string& line = memo.lines[i];
        const bool ended = i + 1 < texts.size();
        FUZZ_REQUIRE(line == texts[i] + (markers && ended ? "<CR>" : ""),
                     "a line differs from the decoding rule");
        FUZZ_REQUIRE(line.find_first_of(std::string_view("\r\0\xFF", 3)) == std::string::npos,
                     "a line holds CR, 00 or FF");
        if (!markers) FUZZ_REQUIRE(line.find('\n') == std::string::npos, "a line holds an LF");
        if (markers && ended) {
            FUZZ_REQUIRE(line.ends_with("<CR>"), "an ended line lacks its <CR> marker");
            FUZZ_REQUIRE(CountOf(line, "<CR>") == CountOf(texts[i], "<CR>") + 1,
                         "a line's <CR> markers do not match its CR bytes");
        }
    }
    return 0;
}
