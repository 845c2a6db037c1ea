#pragma once
// The stored settings record and its file "HmK.Cfg": the file is the 8-byte
// image of the record, nothing more (no header, no check sum).

#include <cstddef>
#include <cstdint>
#include <string>

namespace hk {

// TPortSettings::Protocol: the controller's framing.
enum ProtocolKind : std::int8_t { kTraditional = 0, kFt12 = 1 };

#pragma pack(push, 1)
struct TPortSettings {
    std::int8_t PortIndex = 0;   // 0 = "Com1", 1 = "Com2", ...
    std::int8_t LinkKind = 0;    // 0 RS-232, 1 ИРПС, 2 ИРПС with echo, 3 Hayes modem
    std::int8_t SpeedIndex = 0;  // index into BaudRates
    std::int8_t NetAddress = 0;  // controller network number, 0 = none
    std::int8_t Channel = 0;     // 0 МЦП, 1 МПИ
    std::int8_t Protocol = kTraditional;  // ProtocolKind
    std::int8_t CrcMode = 0;     // 0 none, 1 in the data, 2 instead of check sum and end
    std::int8_t Kit = 0;         // controller kit 0..3
};
#pragma pack(pop)

static_assert(sizeof(TPortSettings) == 8, "the settings file is the 8-byte record image");
static_assert(offsetof(TPortSettings, PortIndex) == 0);
static_assert(offsetof(TPortSettings, LinkKind) == 1);
static_assert(offsetof(TPortSettings, SpeedIndex) == 2);
static_assert(offsetof(TPortSettings, NetAddress) == 3);
static_assert(offsetof(TPortSettings, Channel) == 4);
static_assert(offsetof(TPortSettings, Protocol) == 5);
static_assert(offsetof(TPortSettings, CrcMode) == 6);
static_assert(offsetof(TPortSettings, Kit) == 7);

inline constexpr const char* kSettingsFileName = "HmK.Cfg";

// Loads `settings` from the file. A file that cannot be opened is created anew
// from the record as it is in memory. A file shorter than 8 bytes loads the
// bytes it has; the other fields keep their values and the file is left as
// it is. Never reports an error.
void ReadSettings(TPortSettings& settings, const std::string& fileName);

// Stores the record as bytes 0..7 of the existing file; bytes beyond the
// eighth stay. Throws FileError with the system's message when the file is
// missing or cannot be written; the record is not touched either way.
void WriteSettings(const TPortSettings& settings, const std::string& fileName);

}  // namespace hk
