// The settings record and its 8-byte file.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "base/FileError.h"
#include "link/PortSettings.h"
#include "link/SettingsStore.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using Bytes = std::vector<unsigned char>;

Bytes Image(const TPortSettings& s) {
    Bytes b(8);
    std::memcpy(b.data(), &s, 8);
    return b;
}

TEST(SettingsFile, MissingFileIsCreatedFromTheRecordInMemory) {
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    TPortSettings s{};
    ReadSettings(s, file);
    EXPECT_EQ(test::TempDir::ReadAll(file), Bytes(8, 0));

    // Not the default record but whatever memory holds at that moment.
    std::filesystem::remove(file);
    s.PortIndex = 3;
    s.Kit = 2;
    ReadSettings(s, file);
    EXPECT_EQ(test::TempDir::ReadAll(file), (Bytes{3, 0, 0, 0, 0, 0, 0, 2}));
}

TEST(SettingsFile, ExampleRecordRoundTripsFieldByField) {
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, {0x01, 0x02, 0x05, 0x03, 0x01, 0x01, 0x02, 0x02});
    TPortSettings s{};
    ReadSettings(s, file);
    EXPECT_EQ(s.PortIndex, 1);   // "Com2"
    EXPECT_EQ(s.LinkKind, 2);    // ИРПС with echo
    EXPECT_EQ(s.SpeedIndex, 5);  // 9600 baud
    EXPECT_EQ(s.NetAddress, 3);
    EXPECT_EQ(s.Channel, 1);   // МПИ
    EXPECT_EQ(s.Protocol, 1);  // FT1.2
    EXPECT_EQ(s.CrcMode, 2);
    EXPECT_EQ(s.Kit, 2);
    s.SpeedIndex = 4;
    WriteSettings(s, file);
    EXPECT_EQ(test::TempDir::ReadAll(file), (Bytes{1, 2, 4, 3, 1, 1, 2, 2}));
}

TEST(SettingsFile, TenByteFileKeepsItsLastTwoBytesOnWriting) {
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, {9, 1, 2, 3, 0, 0, 1, 3, 0xAA, 0xBB});
    TPortSettings s{};
    ReadSettings(s, file);
    EXPECT_EQ(Image(s), (Bytes{9, 1, 2, 3, 0, 0, 1, 3}));
    s.PortIndex = 0;
    WriteSettings(s, file);
    EXPECT_EQ(test::TempDir::ReadAll(file), (Bytes{0, 1, 2, 3, 0, 0, 1, 3, 0xAA, 0xBB}));
}

TEST(SettingsFile, ShortFileLoadsWhatItHasKeepsTheRestAndIsNotRewritten) {
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, {4, 3, 7});
    TPortSettings s{};
    s.NetAddress = 9;
    s.Kit = 1;
    ReadSettings(s, file);
    EXPECT_EQ(Image(s), (Bytes{4, 3, 7, 9, 0, 0, 0, 1}));
    EXPECT_EQ(test::TempDir::ReadAll(file), (Bytes{4, 3, 7}));

    test::TempDir::WriteAll(file, {});
    ReadSettings(s, file);
    EXPECT_EQ(Image(s), (Bytes{4, 3, 7, 9, 0, 0, 0, 1}));
    EXPECT_TRUE(test::TempDir::ReadAll(file).empty());
}

TEST(SettingsFile, WritingToAMissingFileRaisesTheSystemMessageAndChangesNothing) {
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    TPortSettings s{};
    s.Kit = 3;
    try {
        WriteSettings(s, file);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), ENOENT);
        // Which file, the system's own text, and what to do.
        EXPECT_EQ(std::string(e.what()),
                  "Настройки не сохранены в файл «" + file + "»: " + std::strerror(ENOENT) +
                      ". Проверьте, что файл есть рядом с программой и доступен для записи.");
    }
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(s.Kit, 3);
}

TEST(SettingsFile, WritingToAReadOnlyFileRaisesAnError) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, Bytes(8, 1));
    ::chmod(file.c_str(), 0444);
    TPortSettings s{};
    EXPECT_THROW(WriteSettings(s, file), FileError);
    EXPECT_EQ(test::TempDir::ReadAll(file), Bytes(8, 1));
}

TEST(SettingsFile, AFileThatMayBeWrittenButNotReadIsStored) {
    // Storing writes; it has no reason to read. (Root reads any file, so
    // only an ordinary user's run tells.)
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, Bytes(10, 1));
    ::chmod(file.c_str(), 0200);
    TPortSettings s{};
    s.Kit = 2;
    EXPECT_NO_THROW(WriteSettings(s, file));
    ::chmod(file.c_str(), 0600);
    EXPECT_EQ(test::TempDir::ReadAll(file), (Bytes{0, 0, 0, 0, 0, 0, 0, 2, 1, 1}));
}

TEST(SettingsFile, WritingToAFileThatIsADirectoryRaisesAnError) {
    // Works as root too: a directory cannot be opened for writing.
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    std::filesystem::create_directory(file);
    TPortSettings s{};
    try {
        WriteSettings(s, file);
        FAIL() << "no error raised";
    } catch (const FileError& e) {
        EXPECT_EQ(e.Code(), EISDIR);
    }
}

TEST(SettingsFile, UnreadableFileThatCannotBeCreatedIsSilent) {
    test::TempDir dir;
    const auto file = dir.File("missing/HmK.Cfg");
    TPortSettings s{};
    s.Channel = 1;
    EXPECT_NO_THROW(ReadSettings(s, file));
    EXPECT_EQ(s.Channel, 1);
    EXPECT_THROW(WriteSettings(s, file), FileError);
}

// The dialogs' store: a write-protected settings file keeps what it holds,
// the operator hears of it once in a run (an information box), and the
// dialog goes on; a file that is gone is the error it always was.
TEST(SettingsStore, AWriteProtectedFileIsSaidOnceAndStoresNothing) {
    if (::geteuid() == 0) GTEST_SKIP() << "root writes read-only files";
    test::TempDir dir;
    const auto file = dir.File("HmK.Cfg");
    test::TempDir::WriteAll(file, Bytes(8, 1));
    ::chmod(file.c_str(), 0444);
    VirtualClock clock;
    sim::SimLine line(clock);
    test::ScriptedView view;
    SerialLink link(line, clock, view);
    link.Settings.Kit = 2;
    EXPECT_NO_THROW(StoreLinkSettings(link, file));
    EXPECT_NO_THROW(StoreLinkSettings(link, file));
    using Kind = test::ScriptedView::Box::Kind;
    const auto infos = view.Texts(Kind::Information);
    ASSERT_EQ(infos.size(), 1u);
    EXPECT_EQ(infos[0], WriteProtectedSettingsText(file, EACCES));
    EXPECT_NE(infos[0].find("«" + file + "» защищён от записи"), std::string::npos);
    EXPECT_EQ(view.boxes.size(), 1u);
    EXPECT_EQ(test::TempDir::ReadAll(file), Bytes(8, 1));
    EXPECT_EQ(SettingsFileRefusal(file), EACCES);

    std::filesystem::remove(file);
    EXPECT_THROW(StoreLinkSettings(link, file), FileError);
}

}  // namespace
}  // namespace hk
