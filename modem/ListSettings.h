#pragma once
// What a list of modem lines leaves in the modem, as far as the list itself
// tells: the value of every S-register and common flag the list sets, the
// last value winning, in the modem's active settings and in each stored
// profile an &W of the list writes.
//
// The lines taken are those a run sends (the first line and every later line
// beginning with "AT"), as the modem receives them: the bytes EncodeLine
// gives, up to the first carriage return, from the first "AT" on. A line
// that carries no carriage return is not executed on its own and sets
// nothing here; nor does a line too long for the send buffer, which a run
// refuses.
//
// What counts on a command line (letters in any case, blanks ignored):
//  - Sn=v, several on one line (ATS0=2S7=60);
//  - the flags E, V, Q, X, L, M, B, &C, &D, &K with their digits (none: 0);
//  - &F: the factory settings, which the list does not know: every active
//    setting the list made before is forgotten;
//  - &W (&W0, &W1): the stored profile becomes what the active settings are;
//  - Z (Z0, Z1): the active settings become the stored profile, as far as the
//    list wrote it, else unknown; the modem drops the rest of the line;
//  - D, A, O (dial, answer, on line) and &Z (a stored number) end the
//    commands of a line; extended commands (+..., #...) run to the next ";".
// Everything else (H, I, T, &V, \N3, %C1 ...) is passed over with its digits.

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "lists/MemoLines.h"

namespace hk {

// The flags the check reads back, in the order the modems list them.
inline constexpr std::array<std::string_view, 10> kCheckedFlags = {"B", "E", "L",  "M",  "Q",
                                                                   "V", "X", "&C", "&D", "&K"};

// The stored profiles &W0/&W1 and Z0/Z1 address.
inline constexpr int kStoredProfiles = 2;

// Settings by name: "S7" for register 7, "E" or "&C" for a flag. Registers
// come first, by number, then the flags in the order of kCheckedFlags.
struct SettingOrder {
    bool operator()(const std::string& a, const std::string& b) const;
};

// "S" + the register number, without leading zeros ("S7").
std::string RegisterName(int reg);
// The register number of "S7"; none for a flag.
std::optional<int> RegisterOf(const std::string& setting);

struct ListValue {
    int value = 0;
    int lineIndex = 0;  // the list line that set it last
};

using ListValues = std::map<std::string, ListValue, SettingOrder>;

struct ListSettings {
    ListValues active;
    // Profile n as the list's last &Wn left it; none when no &Wn stored it.
    std::array<std::optional<ListValues>, kStoredProfiles> stored;

    // Nothing the modem could be asked about.
    bool Empty() const;
    // Q1 is in force after the list: the modem sends no result codes.
    bool Quiet() const;
};

ListSettings CollectListSettings(const MemoLines& list);

// The list line, as the modem takes it, dials, answers a call or goes back on
// line (D, A, O): its success is CONNECT, not OK. A line without a carriage
// return is not taken and does none of it.
bool GoesOnLine(const std::string& line);

}  // namespace hk
