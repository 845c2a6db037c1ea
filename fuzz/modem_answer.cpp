// Fuzz target: what the modem check reads from arbitrary bytes: a modem's
// answer taken apart, the register value in it, the settings listing read
// from its lines; and what it reads from a list of arbitrary lines.
//
// Input layout (bytes past the end read as 0):
//   0     the register asked about (0 .. 255)
//   rest  the modem's answer; the same bytes, split at LF, as list lines
//
// Checked for every input:
//  - the answer's information lines are not empty and hold no CR or LF, and
//    each is a run of the input's bytes between line ends; its result code
//    is the one ResultCodeReader finds in the same bytes;
//  - a register value is 0..999 and stands in an information line, alone
//    (one to three digits, blanks around) or named as that register;
//  - every setting of the listing and of the list is a register "S" + a
//    number without leading zeros, or an option name (a letter, "&", "\" or
//    "%" and a letter); listing values are 0..999, list values 0..9999 with
//    a line index inside the list; reading twice gives the same.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz/support/ByteReader.h"
#include "fuzz/support/Require.h"
#include "lists/MemoryLines.h"
#include "modem/ListSettings.h"
#include "modem/ModemAnswer.h"
#include "modem/SettingsListing.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLetter(char c) { return c >= 'A' && c <= 'Z'; }

bool SettingName(const std::string& name) {
    if (name.size() >= 2 && name[0] == 'S' && IsDigit(name[1])) {
        if (name.size() > 2 && name[1] == '0') return false;
        for (std::size_t i = 1; i < name.size(); ++i)
            if (!IsDigit(name[i])) return false;
        return true;
    }
    if (name.size() == 1) return IsLetter(name[0]);
    return name.size() == 2 && (name[0] == '&' || name[0] == '\\' || name[0] == '%') &&
           IsLetter(name[1]);
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

bool StandsIn(const ModemAnswer& answer, int reg, int value) {
    for (const std::string& line : answer.info) {
        const std::string_view t = Trimmed(line);
        const bool alone = !t.empty() && t.size() <= 3 &&
                           t.find_first_not_of("0123456789") == std::string_view::npos &&
                           std::stoi(std::string(t)) == value;
        const auto named = RegisterToken(t);
        if (alone || (named && named->first == reg && named->second == value)) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const int reg = in.Byte();
    const auto rest = in.Rest();
    const std::string bytes(rest.begin(), rest.end());

    const ModemAnswer answer = TakeAnswerApart(bytes);
    ResultCodeReader code;
    for (char c : bytes) code.Take(static_cast<std::uint8_t>(c));
    code.Finish();
    FUZZ_REQUIRE(code.Found() == answer.code.Found() && code.Code() == answer.code.Code(),
                 "the answer's code is not ResultCodeReader's");
    for (const std::string& line : answer.info) {
        FUZZ_REQUIRE(!line.empty(), "an empty information line");
        FUZZ_REQUIRE(line.find_first_of("\r\n") == std::string::npos,
                     "an information line holds a line end");
        FUZZ_REQUIRE(bytes.find(line) != std::string::npos, "an information line not in the input");
    }

    if (const auto value = RegisterValue(answer, reg)) {
        FUZZ_REQUIRE(*value >= 0 && *value <= 999, "a register value out of range");
        FUZZ_REQUIRE(StandsIn(answer, reg, *value), "a register value that no line holds");
    }

    const SettingsListing listing = ReadSettingsListing(answer.info);
    const SettingsListing again = ReadSettingsListing(answer.info);
    FUZZ_REQUIRE(listing.active == again.active && listing.stored == again.stored,
                 "reading the listing twice differs");
    const auto checkValues = [](const ModemValues& values) {
        for (const auto& [name, value] : values) {
            FUZZ_REQUIRE(SettingName(name), "a listing setting with a name no modem prints");
            FUZZ_REQUIRE(value >= 0 && value <= 999, "a listing value out of range");
        }
    };
    checkValues(listing.active);
    for (const auto& profile : listing.stored)
        if (profile) checkValues(*profile);

    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = bytes.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(bytes.substr(from, at - from));
    if (from < bytes.size()) lines.push_back(bytes.substr(from));
    const ListSettings list = CollectListSettings(MemoryLines(lines));
    const auto checkList = [&](const ListValues& values) {
        for (const auto& [name, v] : values) {
            FUZZ_REQUIRE(SettingName(name), "a list setting with a name no command sets");
            FUZZ_REQUIRE(v.value >= 0 && v.value <= 9999, "a list value out of range");
            FUZZ_REQUIRE(v.lineIndex >= 0 && v.lineIndex < static_cast<int>(lines.size()),
                         "a list value from no line of the list");
        }
    };
    checkList(list.active);
    for (const auto& profile : list.stored)
        if (profile) checkList(*profile);
    return 0;
}
