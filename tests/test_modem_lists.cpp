// List files, the ring count kept in the lines, the list buttons of both
// modes, and the example lists.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "base/FileError.h"
#include "device/ControllerLists.h"
#include "lists/EncodeLine.h"
#include "lists/ListFiles.h"
#include "modem/RingCount.h"
#include "sim/HayesModem.h"
#include "support/Examples.h"
#include "support/ModemFakes.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using test::ModemWorld;
using test::TempDir;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

std::vector<unsigned char> U(const std::string& s) { return {s.begin(), s.end()}; }
std::size_t EntriesIn(const TempDir& d) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(d.Path()), {}));
}
const std::string kCyrillic = "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0";  // "Настройка"

TEST(ListFile, RoundTripKeepsEmptyLinesAndWindows1251TextWithCrLfAfterEveryLine) {
    TempDir dir;
    const std::string file = dir.File("init.n2");
    const Lines lines = {"AT&F", "", kCyrillic + " <CR>", ""};
    WriteListFile(file, lines);
    EXPECT_EQ(TempDir::ReadAll(file), U("AT&F\r\n\r\n" + kCyrillic + " <CR>\r\n\r\n"));
    EXPECT_EQ(ReadListFile(file), (ListFileContents{lines, std::nullopt}));
    EXPECT_EQ(EntriesIn(dir), 1u);  // no temporary file left
    EXPECT_EQ(SplitListLines("ATZ\nATE0\r\nAT&W"), (Lines{"ATZ", "ATE0", "AT&W"}));
    EXPECT_TRUE(SplitListLines("").empty());

    // An unreadable file loads nothing and says nothing.
    EXPECT_FALSE(ReadListFile(dir.Dir()));
    ModemWorld w;
    w.window.fileName = dir.File("missing.n2");
    w.window.list.lines = {"old"};
    w.console.LoadList();
    EXPECT_TRUE(w.window.list.lines.empty());
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(ListFile, FailedSaveKeepsTheOldFileAndLeavesNoPartialFile) {
    TempDir dir;
    const std::string file = dir.File("kvard.n3");
    TempDir::WriteAll(file, U("ATZ\r\n"));
    // The file system lets no file grow past 64 bytes.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        WriteListFile(file, Lines(20, "AT&F&C1&D2"));
    } catch (const FileError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_NE(message.find(std::string("\r") + std::strerror(EFBIG)), std::string::npos) << message;
    EXPECT_EQ(TempDir::ReadAll(file), U("ATZ\r\n"));
    EXPECT_EQ(EntriesIn(dir), 1u);
}

TEST(RingCount, ReadAndWriteFollowTheFirstS0Equals) {
    struct Case {
        const char* line;
        std::optional<int> read;
        std::optional<std::string> written;  // with the value 5
    };
    const Case cases[] = {
        {"ATS0=3&W", 3, "ATS0=5&W"},
        {"ats0=12", 12, "ats0=5"},
        {"ATS0=", 0, "ATS0=5"},
        {"ATS0=X&W", 0, "ATS0=5X&W"},
        {"ATS0=X5", 0, "ATS0=5X5"},  // a lone digit ending the line stays
        {"ATS0=X52", 52, "ATS0=X5"},
        {"ATS0=2S0=4", 2, "ATS0=5S0=4"},
        {"ATS0=99999999999", 2147483647, "ATS0=5"},
        {"ATS00=2", std::nullopt, std::nullopt},
        {"ATZ", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadRingCount(c.line), c.read) << c.line;
        EXPECT_EQ(WriteRingCount(c.line, 5), c.written) << c.line;
    }
    EXPECT_EQ(WriteRingCount("ATS0=3", -2), "ATS0=-2");
    for (const char* text : {"", "abc", "5x", "1.5", "+-1", "99999999999"})
        EXPECT_EQ(RingCountFieldValue(text), 0) << text;
    EXPECT_EQ(RingCountFieldValue(" -12 "), -12);
}

TEST(RingCount, ModemModeLoadTakesTheLastCountAndLeavingTheFieldRewritesTheLines) {
    TempDir dir;
    const std::string file = dir.File("init.n2");
    TempDir::WriteAll(file, U("ATS0=3&W\r\nATZ\r\nats0=4\r\n"));
    ModemWorld w;
    w.window.fileName = file;
    w.console.LoadList();
    EXPECT_EQ(w.window.ringText, "4");
    EXPECT_EQ(w.window.dialogs, Lines{"Список названий (*.n2)|*.n2"});

    w.window.answers.lines = {"ATS0=1"};
    w.window.ringText = "7";
    w.console.RingCountFieldLeft();
    EXPECT_EQ(w.window.list.lines, (Lines{"ATS0=7&W", "ATZ", "ats0=7"}));
    EXPECT_EQ(w.window.answers.lines, Lines{"ATS0=1"});

    w.state.WorkMode = kControllerWork;  // controller mode never touches the field
    w.state.ModemMode = false;
    w.window.fileName = file;
    device::ControllerLists lists(w.state, w.window, w.view);
    lists.LoadFirst();
    EXPECT_EQ(w.window.ringText, "7");
}

TEST(RingCount, TheFieldShowsTheNumberTheLinesGetWhateverWasTyped) {
    struct Case {
        const char* typed;
        const char* shown;  // in the field and after "S0=" in the lines
    };
    const Case cases[] = {{"", "0"},    {"-", "0"},       {"+", "0"},  {"seven", "0"},
                          {"12", "12"}, {" -12 ", "-12"}, {"+4", "4"}, {"007", "7"}};
    for (const Case& c : cases) {
        ModemWorld w;
        w.window.list.lines = {"ATS0=3&W", "ATZ"};
        w.window.ringText = c.typed;
        w.console.RingCountFieldLeft();
        EXPECT_EQ(w.window.ringText, c.shown) << '"' << c.typed << '"';
        EXPECT_EQ(w.window.list.lines[0], "ATS0=" + std::string(c.shown) + "&W");
    }
    // No line holds the count: the field still shows what it stands for.
    ModemWorld w;
    w.window.ringText = "-";
    w.console.RingCountFieldLeft();
    EXPECT_EQ(w.window.ringText, "0");
}

TEST(ControllerLists, TheSecondLoadAppendsWhileTheFirstEmptiesBothAndLoadingDropsTheClear) {
    TempDir dir;
    const std::string file = dir.File("chan.n3");
    TempDir::WriteAll(file, U("AT&F<CR>\r\n" + kCyrillic + "\r\n"));
    ModemWorld w;
    w.state.WorkMode = kControllerWork;
    w.state.ModemMode = false;
    device::ControllerLists lists(w.state, w.window, w.view);
    lists.ClearFirst();  // "Очистить", both channels
    lists.ClearSecond();
    EXPECT_TRUE(w.state.ClearBuffer1 && w.state.ClearBuffer2);

    w.window.answers.lines = {"kept"};
    w.window.fileName = file;
    lists.LoadSecond();
    EXPECT_FALSE(w.state.ClearBuffer2);
    EXPECT_TRUE(w.state.ClearBuffer1);
    EXPECT_EQ(w.window.answers.lines, (Lines{"kept", "AT&F<CR>", kCyrillic}));

    w.window.list.lines = {"typed"};
    lists.LoadFirst();  // dialog cancelled: memos emptied all the same
    EXPECT_TRUE(w.window.list.lines.empty() && w.window.answers.lines.empty());
    EXPECT_FALSE(w.state.ClearBuffer1);

    w.window.answers.lines = {"ATZ", ""};
    w.window.fileName = dir.File("second.n3");
    lists.SaveSecond();
    EXPECT_EQ(TempDir::ReadAll(dir.File("second.n3")), U("ATZ\r\n\r\n"));
    lists.SaveFirst();  // the first buffer is empty: the focus, no dialog
    EXPECT_EQ(w.window.list.focused, 1);
    EXPECT_EQ(w.window.dialogs, (Lines{"Список названий (*.n3)|*.n3", "Список названий (*.n3)|*.n3",
                                       "Список названий (*.n3)|*.n3 / n3"}));
    EXPECT_TRUE(w.Writes().empty());
}

TEST(ExampleLists, GoIntoTheSimulatedModemWithoutAnErrorAndFitAController) {
    ModemWorld w;
    sim::HayesModem modem;
    w.line.Attach(&modem);
    w.window.fileName = test::ExampleFile("hayes_init.n2");
    w.console.LoadList();
    EXPECT_EQ(w.window.ringText, "2");
    w.console.StartRun();
    ASSERT_TRUE(w.RunEnds());
    w.IdleFor(500);
    EXPECT_EQ(modem.CommandLines(),
              (Lines{"AT&F", "ATE1V1Q0X4", "AT&C1&D2", "ATS0=2", "ATS7=60", "AT&W", "ATI4"}));
    EXPECT_EQ(std::count(w.window.answers.lines.begin(), w.window.answers.lines.end(), "ERROR"), 0);
    EXPECT_EQ(w.window.answers.lines.back(), "OK");  // the settings report is shown whole

    // One channel's buffer holds 128 bytes with five closing zeros.
    const auto n3 = ReadListFile(test::ExampleFile("kvard_channel.n3"));
    ASSERT_TRUE(n3 && !n3->refusal);
    std::array<std::uint8_t, 128> buffer{};
    int end = 0;
    for (const auto& line : n3->lines) end = EncodeLine(line, buffer, end);
    EXPECT_TRUE(end > 0 && end + 5 <= 128);
}

}  // namespace
}  // namespace hk
