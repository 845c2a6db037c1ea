// Fuzz target: the settings file "HmK.Cfg" holding arbitrary bytes of any
// length, missing, or a folder in its place; and what the GUI-free code does
// with whatever values it loads.
//
// Input layout (bytes past the end read as 0):
//   0      value % 4: 0, 1 the file holds the rest of the input; 2 no file;
//          3 a folder in its place
//   1..8   the record in memory before loading
//   9..16  the record stored afterwards
//   rest   the file's bytes
//
// Checked for every input:
//  - loading takes the file's first min(8, size) bytes into the record in
//    their order and keeps the other fields; it leaves the file as it was;
//  - a missing file is created holding the record's 8 bytes, the record
//    unchanged; a folder changes nothing and cannot be stored into;
//  - storing writes bytes 0..7 and keeps every byte behind them; loading
//    again gives the stored record;
//  - the speed, kit and link values loaded, however far out of range, give a
//    speed of the table (or the one in force) and a kit layout, without
//    indexing anything out of range.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/FileError.h"
#include "device/KitBuffers.h"
#include "fuzz/support/ByteReader.h"
#include "fuzz/support/CountingView.h"
#include "fuzz/support/Require.h"
#include "fuzz/support/TempDir.h"
#include "link/Port.h"
#include "link/PortSettings.h"
#include "sim/SimLine.h"

namespace {

using namespace hk;
using namespace hk::fuzz;

constexpr std::size_t kRecordBytes = sizeof(TPortSettings);

std::vector<std::uint8_t> BytesOf(const TPortSettings& s) {
    std::vector<std::uint8_t> bytes(kRecordBytes);
    std::memcpy(bytes.data(), &s, kRecordBytes);
    return bytes;
}

TPortSettings RecordOf(std::span<const std::uint8_t> bytes) {
    std::uint8_t image[kRecordBytes] = {};
    std::copy_n(bytes.begin(), std::min(bytes.size(), kRecordBytes), image);
    TPortSettings s;
    std::memcpy(&s, image, kRecordBytes);
    return s;
}

bool Stored(const TPortSettings& s, const std::string& file) {
    try {
        WriteSettings(s, file);
        return true;
    } catch (const FileError&) {
        return false;
    }
}

// The loaded values reach the port and the kit tables.
void UseValues(const TPortSettings& s) {
    VirtualClock clock;
    sim::SimLine line(clock);
    CountingView view;
    SerialLink link(line, clock, view);
    link.Settings = s;
    line.Open("Com1");
    const std::int32_t before = line.Params().BaudRate;
    SetPortSpeed(link, AddressMode::Off, s.SpeedIndex);
    const std::int32_t baud = line.Params().BaudRate;
    FUZZ_REQUIRE(
        baud == before || std::find(BaudRates.begin(), BaudRates.end(), baud) != BaudRates.end(),
        "a loaded speed index gave a speed outside the table");
    const device::KitLayout& kit = device::KitBuffersOf(s.Kit);
    FUZZ_REQUIRE(kit.count == 1 || kit.count == 2, "a loaded kit gave no kit layout");
    const std::size_t limit = device::BufferLimit(s.Kit, s.Protocol);
    FUZZ_REQUIRE(limit == 127 || limit == 128, "a loaded kit gave another buffer limit");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ByteReader in({data, size});
    const int kind = in.Byte() % 4;
    const TPortSettings before = RecordOf(in.Bytes(kRecordBytes));
    const TPortSettings toStore = RecordOf(in.Bytes(kRecordBytes));
    const auto content = in.Rest();

    const TempDir dir;
    const std::string file = dir.File(kSettingsFileName);
    TPortSettings s = before;

    if (kind == 2) {
        ReadSettings(s, file);
        FUZZ_REQUIRE(BytesOf(s) == BytesOf(before), "loading without a file changed the record");
        FUZZ_REQUIRE(TempDir::ReadAll(file) == BytesOf(before),
                     "a missing file was not created from the record");
        return 0;
    }
    if (kind == 3) {
        std::filesystem::create_directory(file);
        ReadSettings(s, file);
        FUZZ_REQUIRE(BytesOf(s) == BytesOf(before), "loading a folder changed the record");
        FUZZ_REQUIRE(std::filesystem::is_directory(file), "loading replaced the folder");
        FUZZ_REQUIRE(!Stored(toStore, file), "storing into a folder did not fail");
        return 0;
    }

    TempDir::WriteAll(file, content);
    ReadSettings(s, file);
    std::vector<std::uint8_t> want = BytesOf(before);
    std::copy_n(content.begin(), std::min(content.size(), kRecordBytes), want.begin());
    FUZZ_REQUIRE(BytesOf(s) == want, "the record is not the file's first bytes over the old ones");
    const std::vector<std::uint8_t> original(content.begin(), content.end());
    FUZZ_REQUIRE(TempDir::ReadAll(file) == original, "loading changed the file");
    UseValues(s);

    FUZZ_REQUIRE(Stored(toStore, file), "storing into a writable file failed");
    std::vector<std::uint8_t> after = BytesOf(toStore);
    if (original.size() > kRecordBytes)
        after.insert(after.end(), original.begin() + kRecordBytes, original.end());
    FUZZ_REQUIRE(TempDir::ReadAll(file) == after, "storing did not write bytes 0..7 alone");
    TPortSettings again = before;
    ReadSettings(again, file);
    FUZZ_REQUIRE(BytesOf(again) == BytesOf(toStore),
                 "loading again did not give the stored record");
    return 0;
}
