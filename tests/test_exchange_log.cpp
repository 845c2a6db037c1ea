// The exchange log itself: the line format with both times and the line
// parameters, bytes gathered into lines, the quiet and secret scopes, what
// the window reads, and the files a day with their rotation.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "log/ExchangeLog.h"
#include "support/TempDir.h"

namespace hk {
namespace {

// 2026-12-07 10:41:34.250 UTC, shown in local time; only the milliseconds and
// the layout are asserted where the machine's zone would show.
constexpr std::int64_t kWall = 1796640094250;

struct LogWorld {
    VirtualClock clock{5000};
    std::int64_t wall = kWall;
    ExchangeLog log{clock, [this] { return wall; }};
    std::uint64_t next = 0;
    std::vector<std::string> Lines() {
        log.FlushAll();
        return log.LinesFrom(next);
    }
    void Pass(std::int64_t ms) {
        clock.Advance(ms);
        wall += ms;
    }
};

const LineParams kMark{9600, 8, Parity::Mark, StopBits::One};
const LineParams kSpace{9600, 8, Parity::Space, StopBits::One};
const LineParams kPlain{300, 8, Parity::None, StopBits::Two};

std::string Tail(const std::string& line) { return line.substr(12); }  // after the time of day

TEST(ExchangeLogLines, TimesDirectionBytesAndLineParameters) {
    LogWorld w;
    w.log.BeginJob("Подбор: запись в КВАРД, Com1");
    w.Pass(412);
    const std::uint8_t address = 0x05, data[] = {0x03, 0x01, 0x40, 0x00, 0xBF};
    w.log.OnWritten({&address, 1}, kMark);
    w.log.OnWritten(data, kSpace);  // another parity: a line of its own
    w.Pass(3);
    w.log.OnRead(std::span(data, 2), kSpace);
    w.log.Note("Статус: традиционный кадр ...");
    const auto lines = w.Lines();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0].substr(8), ".250  ===== Подбор: запись в КВАРД, Com1 =====");
    EXPECT_EQ(Tail(lines[1]), "  +0.412   → 05" + std::string(44, ' ') + "  9600 8M1");
    EXPECT_EQ(Tail(lines[2]), "  +0.412   → 03 01 40 00 BF" + std::string(32, ' ') + "  9600 8S1");
    EXPECT_EQ(Tail(lines[3]).rfind("  +0.415   ← 03 01  ", 0), 0u);
    EXPECT_EQ(Tail(lines[4]), "  +0.415     Статус: традиционный кадр ...");
    EXPECT_EQ(LineParamsText(kPlain), "300 8N2");
}

TEST(ExchangeLogLines, BytesOfOneDirectionGatherIntoLinesOfSixteen) {
    LogWorld w;
    std::vector<std::uint8_t> answer(20, 0xAA);
    for (std::uint8_t b : answer) {
        w.log.OnRead({&b, 1}, kPlain);
        w.Pass(36);  // one character at 300 baud
    }
    w.Pass(150);  // a pause longer than the gap ends the line
    const std::uint8_t more = 0x06;
    w.log.OnRead({&more, 1}, kPlain);
    const auto lines = w.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_NE(lines[0].find("← AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA AA "),
              std::string::npos);
    EXPECT_NE(lines[1].find("← AA AA AA AA  "), std::string::npos);
    EXPECT_NE(lines[2].find("← 06 "), std::string::npos);
}

TEST(ExchangeLogLines, QuietKeepsOnlySummariesAndSecretMasksEveryByte) {
    LogWorld w;
    const std::uint8_t password[] = {0x05, 0x40, 0x08, 0x12, 0x34};
    {
        const auto quiet = ExchangeLog::QuietScope(&w.log);
        w.log.OnWritten(password, kPlain);
        w.log.Note("not shown");
        w.log.Summary("Подбор: номер 1, 300 бод — номер не подтверждён");
    }
    {
        const auto secret = ExchangeLog::SecretScope(&w.log);
        w.log.OnWritten(password, kPlain);
    }
    const auto lines = w.Lines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_NE(lines[0].find("Подбор: номер 1, 300 бод — номер не подтверждён"), std::string::npos);
    EXPECT_NE(lines[1].find("→ ** ** ** ** **"), std::string::npos);
    EXPECT_EQ(lines[1].find("12"), lines[1].find("12:"));  // no password byte
}

TEST(ExchangeLogLines, TheWindowReadsNewLinesAndSurvivesClearingAndOverflow) {
    LogWorld w;
    w.log.Summary("a");
    EXPECT_EQ(w.Lines().size(), 1u);
    EXPECT_TRUE(w.Lines().empty());
    w.log.Clear();
    w.log.Summary("b");
    const auto after = w.Lines();
    ASSERT_EQ(after.size(), 1u);
    EXPECT_NE(after[0].find(" b"), std::string::npos);
    for (std::size_t i = 0; i < ExchangeLog::kKeptEntries + 10; ++i) w.log.Summary("x");
    std::uint64_t old = 0;  // a reader that fell behind gets what is kept
    EXPECT_EQ(w.log.LinesFrom(old).size(), ExchangeLog::kKeptEntries);
    w.Lines();
    w.log.SetEnabled(false);
    w.log.Summary("off");
    EXPECT_TRUE(w.Lines().empty());
}

TEST(ExchangeLogFiles, OneFileADayWithOldOnesRemoved) {
    test::TempDir dir;
    const std::string folder = dir.Dir() + "logs/";
    std::filesystem::create_directories(folder);
    for (const char* name : {"HayesKvd-2026-11-07.log", "HayesKvd-2026-11-06.log",
                             "HayesKvd-2025-12-31.log", "notes.txt", "HayesKvd-latest.log"})
        std::ofstream(folder + name) << "old\n";
    LogFiles::RemoveOld(folder, "2026-12-07", 30);
    std::set<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        left.insert(e.path().filename().string());
    EXPECT_EQ(left, (std::set<std::string>{"HayesKvd-2026-11-07.log", "notes.txt",
                                           "HayesKvd-latest.log"}));

    LogWorld w;
    w.log.WriteFilesTo(folder);
    w.log.BeginJob("Запись в модем, Com2");
    w.log.Note("Модему: ATZ");
    w.log.Files()->Drain();
    const std::string file = w.log.Files()->FileFor(w.wall);
    std::ifstream in(file);
    std::string first, second;
    std::getline(in, first);
    std::getline(in, second);
    EXPECT_NE(first.find("===== Запись в модем, Com2 ====="), std::string::npos);
    EXPECT_NE(second.find("Модему: ATZ"), std::string::npos);
    EXPECT_TRUE(w.log.Files()->Problem().empty());
}

TEST(ExchangeLogFiles, AFolderThatCannotBeWrittenIsReportedNotFatal) {
    test::TempDir dir;
    test::TempDir::WriteAll(dir.File("logs"), {1});  // a file where the folder should be
    LogWorld w;
    w.log.WriteFilesTo(dir.Dir() + "logs/");
    w.log.Summary("line");
    w.log.Files()->Drain();
    EXPECT_NE(
        w.log.Files()->Problem().find("Журнал не записывается в файл «" + dir.Dir() + "logs/"),
        std::string::npos);
    EXPECT_EQ(w.Lines().size(), 1u);  // the window still has it
}

}  // namespace
}  // namespace hk
