// Files and folders whose names hold Cyrillic letters and blanks, named as
// the program keeps names (UTF-8, as the command line hands them over): list
// files, the settings file, the exchange log, the controller's backups and
// the port mapping. On Windows a narrow name would be read in the ANSI code
// page; there (the cross-build runs this under Wine) each file must still
// arrive under its own name, which is checked by listing the folder in
// UTF-16, not through the names the program uses.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "base/Utf8Path.h"
#include "device/Backups.h"
#include "link/PortSettings.h"
#include "lists/ListFiles.h"
#include "log/LogFiles.h"
#include "ports/PortMapping.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

std::u8string U8(const std::string& text) { return std::u8string(text.begin(), text.end()); }

// A folder "Проба ёж" in a fresh temporary folder, and the names in it as
// the system lists them.
class CyrillicFolder : public ::testing::Test {
protected:
    CyrillicFolder() : dir(temp.Dir() + "Проба ёж/") {
        fs::create_directories(temp.Path() / fs::path(U8("Проба ёж")));
    }
    std::set<std::string> Names(const std::string& sub = {}) const {
        std::set<std::string> names;
        std::error_code ec;
        for (const auto& entry :
             fs::directory_iterator(temp.Path() / fs::path(U8("Проба ёж/" + sub)), ec)) {
            const std::u8string name = entry.path().filename().u8string();
            names.emplace(name.begin(), name.end());
        }
        return names;
    }

    test::TempDir temp;
    const std::string dir;
};

TEST_F(CyrillicFolder, ListFilesAreSavedReplacedAndLoadedUnderTheirNames) {
    const std::string list = dir + "список ёж.n3";
    WriteListFile(list, {"ATZ", "ATS0=2"});
    WriteListFile(list, {"ATZ", "ATS0=3"});  // over the old one
    EXPECT_EQ(Names(), std::set<std::string>{"список ёж.n3"});
    const auto loaded = ReadListFile(list);
    ASSERT_TRUE(loaded.has_value());
    EXPECT_EQ(loaded->lines, (std::vector<std::string>{"ATZ", "ATS0=3"}));
}

TEST_F(CyrillicFolder, SettingsAreCreatedStoredAndReadBack) {
    const std::string file = dir + "настройки.cfg";
    TPortSettings settings;
    ReadSettings(settings, file);  // created from the record in memory
    settings.NetAddress = 17;
    WriteSettings(settings, file);
    TPortSettings again;
    ReadSettings(again, file);
    EXPECT_EQ(again.NetAddress, 17);
    EXPECT_EQ(Names(), std::set<std::string>{"настройки.cfg"});
}

TEST_F(CyrillicFolder, TheLogGoesIntoItsFileOrItsDailyFilesAndOldOnesGo) {
    constexpr std::int64_t kDay = 86400000;
    const std::int64_t now = 20000 * kDay;
    {
        const auto one = LogFiles::IntoFile(dir + "Журналы/обмен ёж.log");
        one->Append(now, "строка");
        one->Drain();
        EXPECT_EQ(one->Problem(), "");
    }
    EXPECT_EQ(Names("Журналы"), std::set<std::string>{"обмен ёж.log"});

    WriteListFile(dir + "HayesKvd-2000-01-01.log", {"old"});
    {
        LogFiles daily(dir, kLogKeepDays);
        daily.Append(now, "строка");
        daily.Drain();
        EXPECT_EQ(daily.Problem(), "");
    }
    const std::set<std::string> names = Names();
    EXPECT_EQ(names.count("HayesKvd-2000-01-01.log"), 0u);  // past the days kept
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [](const std::string& n) { return n.starts_with("HayesKvd-"); }),
              1);
}

TEST_F(CyrillicFolder, BackupsGoIntoAFolderMadeForThem) {
    device::BufferReads reads{};
    for (auto& buffer : reads) std::fill(buffer.begin(), buffer.end(), 0x00);
    const auto names = device::SaveBackup(dir + "Резервные копии", 0, 5, 0, reads);
    ASSERT_EQ(names.size(), 2u);
    EXPECT_EQ(Names("Резервные копии"), std::set<std::string>(names.begin(), names.end()));
}

TEST_F(CyrillicFolder, APortAssignmentIsStoredAndRead) {
    const std::string file = dir + "ports.conf";
    StorePortAssignment(file, 3, "/dev/ttyUSB0");
    StorePortAssignment(file, 4, "/dev/ttyUSB1");
    const PortMapping mapping = LoadPortMapping(file);
    ASSERT_NE(mapping.DeviceOf(4), nullptr);
    EXPECT_EQ(*mapping.DeviceOf(3), "/dev/ttyUSB0");
    EXPECT_EQ(Names(), std::set<std::string>{"ports.conf"});
}

}  // namespace
}  // namespace hk
