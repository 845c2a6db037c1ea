#pragma once
// The settings a Hayes modem lists in answer to AT&V, read from the lines of
// information text. The modems print them in a few layouts; this reads
//  - profile blocks: a heading "ACTIVE PROFILE:" (any letter case), then
//    "STORED PROFILE 0:" and "STORED PROFILE 1:", each followed by lines of
//    options ("B0 E1 L1 M1 N1 Q0 T V1 W0 X4 Y0 &C1 &D2 &K3 &Q5 \N3 %C1") and
//    lines of registers as "S00:002 S01:000 ..." or "S00=002 S01=000 ...";
//    a stored profile may list fewer registers than the active one; a block
//    "TELEPHONE NUMBERS:" (or any other heading) ends the profiles;
//  - a flat listing of the current settings without profile headings: the
//    option and register lines as above, spread out with wide spacing, among
//    lines of other text ("BAUD=38400  PARITY=N  WORDLEN=8", "DIAL=TONE  ON
//    HOOK"), which are passed over; they are the active settings, and no
//    stored profile is known.
// A line counts only when every word on it is an option (a letter with up to
// three digits, "&", "\" or "%" before it, or a lone letter) or a register;
// so prose, the echo and the result code never give a value.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "modem/ListSettings.h"

namespace hk {

// Values by setting name ("S7", "E", "&C"), registers without leading zeros.
using ModemValues = std::map<std::string, int, SettingOrder>;

struct SettingsListing {
    ModemValues active;
    // The stored profiles the listing shows; none for one it does not show.
    std::array<std::optional<ModemValues>, kStoredProfiles> stored;

    bool Empty() const;
};

SettingsListing ReadSettingsListing(const std::vector<std::string>& lines);

// One to three decimal digits and nothing else ("060", "7") as their number;
// none for any other text.
std::optional<int> ShortNumber(std::string_view text);

// "S07:060" or "S7=60": the register and its value.
std::optional<std::pair<int, int>> RegisterToken(std::string_view word);

}  // namespace hk
