// List files, the ring count kept in the lines, and the list buttons of both
// modes.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <array>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "link/FileError.h"
#include "modem/EncodeLine.h"
#include "modem/ListFiles.h"
#include "modem_fakes.h"
#include "sim/HayesModem.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using test::ModemWorld;
using test::TempDir;
namespace fs = std::filesystem;

std::vector<unsigned char> U(const std::string& s) { return {s.begin(), s.end()}; }

// "Настройка модема" in Windows-1251.
const std::string kCyrillic = "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 \xEC\xEE\xE4\xE5\xEC\xE0";

std::vector<std::string> FilesIn(const fs::path& dir) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(dir)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(ListFile, RoundTripKeepsEmptyLinesAndWindows1251BytesWithCrLfAfterEveryLine) {
    TempDir dir;
    const std::string file = dir.File("init.n2");
    const std::vector<std::string> lines = {"AT&F", "", kCyrillic, "ATS0=2<CR><LF>", "", ""};
    WriteListFile(file, lines);
    EXPECT_EQ(TempDir::ReadAll(file),
              U("AT&F\r\n\r\n" + kCyrillic + "\r\nATS0=2<CR><LF>\r\n\r\n\r\n"));
    EXPECT_EQ(ReadListFile(file), lines);
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"init.n2"});  // no temporary left

    // Line ends as other editors leave them.
    EXPECT_EQ(SplitListLines("ATZ\nATE0\r\nAT&W"),
              (std::vector<std::string>{"ATZ", "ATE0", "AT&W"}));
    EXPECT_EQ(SplitListLines("a\rb\r\n"), std::vector<std::string>{"a\rb"});
    EXPECT_TRUE(SplitListLines("").empty());
    EXPECT_EQ(SplitListLines("\r\n"), std::vector<std::string>{""});
}

TEST(ListFile, UnreadableFileLoadsNothingAndSaysNothing) {
    TempDir dir;
    EXPECT_FALSE(ReadListFile(dir.File("missing.n2")));
    EXPECT_FALSE(ReadListFile(dir.Dir()));  // a folder opens but cannot be read

    ModemWorld w;
    w.window.openAnswers = {dir.File("missing.n2")};
    w.window.memo1.lines = {"old"};
    w.console.Button1Click();
    EXPECT_TRUE(w.window.memo1.lines.empty());  // emptied before the dialog
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(ListFile, FailedSaveKeepsTheOldFileAndLeavesNoPartialFile) {
    TempDir dir;
    const std::string file = dir.File("kvard.n3");
    TempDir::WriteAll(file, U("ATZ\r\n"));

    // The file system refuses to let the file grow past 64 bytes.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string message;
    try {
        WriteListFile(file, std::vector<std::string>(20, "AT&F&C1&D2"));
    } catch (const FileError& e) {
        message = e.what();
    }
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(message, std::strerror(EFBIG));
    EXPECT_EQ(TempDir::ReadAll(file), U("ATZ\r\n"));
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"kvard.n3"});

    // A target that cannot be replaced, and a folder that does not exist.
    fs::create_directories(dir.Path() / "busy.n2" / "inside");
    EXPECT_THROW(WriteListFile(dir.File("busy.n2"), {"ATZ"}), FileError);
    EXPECT_THROW(WriteListFile(dir.File("no/such/folder.n2"), {"ATZ"}), FileError);
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"busy.n2", "kvard.n3"}));

    // Through the button: the error travels up to the window's handler.
    ModemWorld w;
    w.window.memo1.lines = {"ATZ"};
    w.window.saveAnswers = {dir.File("busy.n2")};
    EXPECT_THROW(w.console.Button4Click(), FileError);
}

TEST(ListFile, SaveReplacesAnExistingFileKeepingItsPermissionsAndFollowsALink) {
    TempDir dir;
    const std::string real = dir.File("real.n2");
    TempDir::WriteAll(real, U("old contents that are longer\r\n"));
    fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
    fs::create_symlink(real, dir.Path() / "link.n2");
    WriteListFile(dir.File("link.n2"), {"ATZ"});
    EXPECT_TRUE(fs::is_symlink(dir.Path() / "link.n2"));
    EXPECT_EQ(TempDir::ReadAll(real), U("ATZ\r\n"));
    EXPECT_EQ(fs::status(real).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
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
        {"ATS0= 2&W", 2, "ATS0= 5&W"},  // the first digit after "="
        {"ATS0=X5", 0, "ATS0=5X5"},     // a lone digit ending the line stays
        {"ATS0=X52", 52, "ATS0=X5"},
        {"ATS0=7", 7, "ATS0=5"},
        {"ATS0=2S0=4", 2, "ATS0=5S0=4"},
        {"ATS00=2", std::nullopt, std::nullopt},  // "S00=" is not "S0="
        {"AT&FS0=1E0", 1, "AT&FS0=5E0"},
        {"ATS0=99999999999", 2147483647, "ATS0=5"},
        {"ATS10=3", std::nullopt, std::nullopt},
        {"ATZ", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ReadRingCount(c.line), c.read) << c.line;
        EXPECT_EQ(WriteRingCount(c.line, 5), c.written) << c.line;
    }
    EXPECT_EQ(WriteRingCount("ATS0=3", -2), "ATS0=-2");

    struct Field {
        const char* text;
        int value;
    };
    const Field fields[] = {{"5", 5},   {" 12 ", 12}, {"-3", -3}, {"+4", 4},  {"", 0},
                            {"abc", 0}, {"5x", 0},    {"1.5", 0}, {"+-1", 0}, {"99999999999", 0}};
    for (const auto& f : fields) EXPECT_EQ(RingCountFieldValue(f.text), f.value) << f.text;
}

TEST(RingCount, LoadingInModemModeTakesTheLastCountAndLeavingTheFieldRewritesTheLines) {
    TempDir dir;
    const std::string file = dir.File("init.n2");
    TempDir::WriteAll(file, U("ATS0=3&W\r\nATZ\r\nats0=4\r\n"));
    ModemWorld w;
    w.window.openAnswers = {file};
    w.console.Button1Click();
    EXPECT_EQ(w.window.ringText, "4");
    EXPECT_EQ(w.window.openFilters, std::vector<std::string>{"Список названий (*.n2)|*.n2"});

    w.window.memo2.lines = {"ATS0=1"};
    w.window.ringText = "7";
    w.console.SpinEdit1Exit();
    EXPECT_EQ(w.window.memo1.lines, (std::vector<std::string>{"ATS0=7&W", "ATZ", "ats0=7"}));
    EXPECT_EQ(w.window.memo2.lines, std::vector<std::string>{"ATS0=1"});
    w.window.ringText = "seven";
    w.console.SpinEdit1Exit();
    EXPECT_EQ(w.window.memo1.lines, (std::vector<std::string>{"ATS0=0&W", "ATZ", "ats0=0"}));

    // Controller mode never touches the field.
    w.state.WorkMode = 3;
    w.state.ModemMode = false;
    w.window.openAnswers = {file};
    w.console.Button1Click();
    EXPECT_EQ(w.window.ringText, "seven");
}

TEST(ControllerLists, Button3AppendsToMemo2WhileButton1EmptiesBothAndLoadingResetsTheClear) {
    TempDir dir;
    const std::string file = dir.File("chan.n3");
    TempDir::WriteAll(file, U("AT&F<CR>\r\n" + kCyrillic + "\r\n"));
    ModemWorld w;
    w.state.WorkMode = 3;
    w.state.ModemMode = false;

    w.console.Button2Click();  // "Очистить" the first channel
    w.console.Button5Click();  // and the second
    EXPECT_TRUE(w.state.ClearBuffer1);
    EXPECT_TRUE(w.state.ClearBuffer2);
    EXPECT_TRUE(w.Writes().empty());

    w.window.memo2.lines = {"kept"};
    w.window.openAnswers = {file};
    w.console.Button3Click();
    EXPECT_FALSE(w.state.ClearBuffer2);
    EXPECT_TRUE(w.state.ClearBuffer1);
    EXPECT_EQ(w.window.memo2.lines, (std::vector<std::string>{"kept", "AT&F<CR>", kCyrillic}));

    w.window.memo1.lines = {"typed"};
    w.console.Button1Click();  // cancelled dialog: memos emptied, the clear reset
    EXPECT_TRUE(w.window.memo1.lines.empty());
    EXPECT_TRUE(w.window.memo2.lines.empty());
    EXPECT_FALSE(w.state.ClearBuffer1);
    EXPECT_EQ(w.window.openFilters, std::vector<std::string>(2, "Список названий (*.n3)|*.n3"));

    w.window.memo2.lines = {"ATZ", ""};
    w.window.saveAnswers = {dir.File("second.n3")};
    w.console.Button6Click();
    EXPECT_EQ(TempDir::ReadAll(dir.File("second.n3")), U("ATZ\r\n\r\n"));
    w.console.Button4Click();  // Memo1 is empty: focus, no dialog
    EXPECT_EQ(w.window.memo1.focused, 1);
    EXPECT_EQ(w.window.saveFilters, std::vector<std::string>{"Список названий (*.n3)|*.n3 / n3"});

    w.state.WorkMode = 2;
    w.window.memo1.lines = {"ATZ"};
    w.window.editVisible = true;
    w.console.Button4Click();  // cancelled
    EXPECT_FALSE(w.window.editVisible);
    EXPECT_EQ(w.window.saveFilters.back(), "Список названий (*.n2)|*.n2 / n2");
}

TEST(ExampleLists, LoadAndGoIntoTheSimulatedModemWithoutAnError) {
    ModemWorld w;
    sim::HayesModem modem;
    w.line.Attach(&modem);
    w.window.openAnswers = {HK_EXAMPLES_DIR "/hayes_init.n2"};
    w.console.Button1Click();
    ASSERT_EQ(w.window.memo1.lines.size(), 8u);
    EXPECT_EQ(w.window.ringText, "2");
    w.console.Button2Click();
    ASSERT_TRUE(w.IdleUntil([&] { return w.console.NextLine == 0; }));
    w.IdleFor(500);
    EXPECT_EQ(modem.CommandLines(),
              (std::vector<std::string>{"AT&F", "ATE1V1Q0X4", "AT&C1&D2", "ATS0=2", "ATS7=60",
                                        "AT&W", "ATI4"}));
    EXPECT_EQ(std::count(w.window.memo2.lines.begin(), w.window.memo2.lines.end(), "ERROR"), 0);
    EXPECT_EQ(modem.StoredRegister(0), 2);
    EXPECT_EQ(w.window.memo2.lines.back(), "OK");  // the settings report is shown whole

    // The controller list fits one channel's 128-byte buffer with its five
    // closing zeros, and the modem takes each of its lines.
    const auto n3 = ReadListFile(HK_EXAMPLES_DIR "/kvard_channel.n3");
    ASSERT_TRUE(n3);
    std::array<std::uint8_t, 128> buffer{};
    int end = 0;
    for (const auto& line : *n3) end = EncodeLine(line, buffer, end);
    ASSERT_NE(end, kLineDoesNotFit);
    EXPECT_LE(end + 5, 128);
    for (const auto& line : *n3) w.console.SendCommand(line);
    w.IdleFor(500);
    EXPECT_EQ(modem.CommandLines().size(), 7 + n3->size());
    EXPECT_EQ(std::count(w.window.memo2.lines.begin(), w.window.memo2.lines.end(), "ERROR"), 0);
}

}  // namespace
}  // namespace hk
