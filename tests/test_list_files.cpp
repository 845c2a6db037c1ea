// List files that cannot be a list, and saves that must not lose one: a
// binary, huge or long-lined file is refused with a message naming it and
// loads nothing; a write-protected list is never replaced; a list whose
// folder takes no temporary file is written in place; a failed save says in
// Russian what went wrong.

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/FileError.h"
#include "device/ControllerLists.h"
#include "lists/ListFiles.h"
#include "support/ModemFakes.h"
#include "support/TempDir.h"

namespace hk {

void PrintTo(const ListFileRefusal& r, std::ostream* os) {
    *os << "refusal " << static_cast<int>(r.reason) << " at line " << r.line << ", byte "
        << static_cast<int>(r.byte);
}

namespace {

using test::ModemWorld;
using test::TempDir;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

std::vector<unsigned char> U(const std::string& s) { return {s.begin(), s.end()}; }
std::size_t EntriesIn(const fs::path& dir) {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(dir), {}));
}
bool RunsAsRoot() { return ::geteuid() == 0; }
std::string Repeat(const std::string& piece, std::size_t times) {
    std::string out;
    for (std::size_t i = 0; i < times; ++i) out += piece;
    return out;
}

// `text` holds `part`.
::testing::AssertionResult Says(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "\"" << text << "\"\ndoes not hold \"" << part << "\"";
}

// Bytes this process has read so far (Linux); -1 when the kernel does not say.
long long BytesReadSoFar() {
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:") return value;
    return -1;
}

// --- Loading ---------------------------------------------------------------

TEST(ListFileLoad, WhatCannotBeAListIsRefusedNamingTheFileAndLoadsNothing) {
    struct Case {
        const char* name;
        std::string bytes;
        const char* says;  // part of the message
    };
    const std::string longLine(kListLineLimit + 1, 'A');
    const Case cases[] = {
        {"nul.n2", std::string("ATS0=7\r\nAT\0Z\r\n", 13), "в строке 2"},
        {"bell.n2", "ATS0=7\r\nATZ\x07\r\n", "управляющий байт с кодом 7"},
        {"del.n2", "ATS0=7\x7F\r\n", "с кодом 127"},
        {"escape.n2", "ATS0=7\r\n\r\n\x1B[0m\r\n", "в строке 3"},
        {"long.n2", "ATS0=7\r\n" + longLine + "\r\n", "строка 2 длиннее 1024 символов"},
        {"longlast.n2", "ATS0=7\n" + longLine, "строка 2 длиннее"},
        {"many.n2", Repeat("ATS0=7\r\n", kListLineCountLimit + 1), "в нём больше 20000 строк"},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string file = dir.File(c.name);
        TempDir::WriteAll(file, U(c.bytes));

        // Modem mode: the ring count stays, no line arrives.
        ModemWorld w;
        w.window.ringText = "3";
        w.window.fileName = file;
        w.console.LoadList();
        EXPECT_TRUE(w.window.list.lines.empty());
        EXPECT_EQ(w.window.ringText, "3");
        const auto errors = w.view.Texts(test::ScriptedView::Box::Kind::Error);
        ASSERT_EQ(errors.size(), 1u);
        EXPECT_TRUE(Says(errors[0], "Файл «" + file + "» не загружен"));
        EXPECT_TRUE(Says(errors[0], c.says));

        // Controller mode, second list: what it held stays as it was.
        w.state.WorkMode = kControllerWork;
        w.state.ModemMode = false;
        w.window.answers.lines = {"kept"};
        w.window.fileName = file;
        device::ControllerLists(w.state, w.window, w.view).LoadSecond();
        EXPECT_EQ(w.window.answers.lines, Lines{"kept"});
        EXPECT_EQ(w.view.Texts(test::ScriptedView::Box::Kind::Error).size(), 2u);
    }
}

TEST(ListFileLoad, EveryTextAListMayHoldStillLoads) {
    // Tabs, a lone CR, Windows-1251 letters and signs (the undefined 0x98
    // too), a line of exactly the limit, a comment longer than the send
    // buffer, and no line end after the last line.
    const std::string atLimit = "AT" + std::string(kListLineLimit - 2, 'Z');
    const std::string comment = "; " + std::string(400, '-');
    const Lines lines = {"AT\tZ", "AT\rZ", "\xCD\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0 \xA0\x98\xB9",
                         atLimit, comment, "",
                         "ATS0=4"};
    std::string bytes;
    for (const auto& l : lines) bytes += l + "\r\n";
    bytes.resize(bytes.size() - 2);
    TempDir dir;
    const std::string file = dir.File("fine.n2");
    TempDir::WriteAll(file, U(bytes));
    ModemWorld w;
    w.window.fileName = file;
    w.console.LoadList();
    EXPECT_EQ(w.window.list.lines, lines);
    EXPECT_EQ(w.window.ringText, "4");
    EXPECT_TRUE(w.view.boxes.empty());
}

TEST(ListFileLoad, TheVerdictDoesNotDependOnHowTheBytesArrive) {
    // The reader takes a file in pieces: a CR LF or a long line split
    // between two pieces counts as in one. Lines end as in the memo: at LF,
    // CR LF or a lone CR.
    const std::string limitLine(kListLineLimit, 'A');
    struct Case {
        std::string bytes;
        std::optional<ListFileRefusal> refusal;
    };
    using R = ListFileRefusal::Reason;
    const Case cases[] = {
        {"ATZ\r\n" + limitLine + "\r\n" + limitLine, std::nullopt},
        {"ATZ\r\n" + limitLine + "A\r\n", ListFileRefusal{R::LineTooLong, 2}},
        {limitLine + "\r" + limitLine + "\r\n\n\x01", ListFileRefusal{R::NotText, 4, 1}},
        {Repeat("\r\n", kListLineCountLimit), std::nullopt},
        {Repeat("\r", kListLineCountLimit) + "A", ListFileRefusal{R::TooManyLines}},
        {Repeat("\n", kListLineCountLimit) + "\r\n", ListFileRefusal{R::TooManyLines}},
        {Repeat(limitLine + "\n", 300) + "\x01", ListFileRefusal{R::TooLarge}},
    };
    for (const Case& c : cases) {
        ListFileCheck whole;
        EXPECT_EQ(whole.Take(c.bytes), !c.refusal);
        EXPECT_EQ(whole.Refusal(), c.refusal);
        ListFileCheck pieces;
        for (std::size_t at = 0; at < c.bytes.size(); at += 7)
            pieces.Take(std::string_view(c.bytes).substr(at, 7));
        EXPECT_EQ(pieces.Refusal(), c.refusal);
    }
}

TEST(ListFileLoad, AHugeFileIsRefusedAfterReadingLittleOfIt) {
    TempDir dir;
    // 50 MB: two megabytes of list lines, then a hole the file system fills
    // with zero bytes without storing them.
    const std::string file = dir.File("huge.n2");
    {
        std::ofstream out(file, std::ios::binary);
        const std::string line = "ATS0=2 ; " + std::string(990, '-') + "\r\n";
        for (int i = 0; i < 2 * 1024; ++i) out << line;
    }
    fs::resize_file(file, 50'000'000);

    ModemWorld w;
    w.window.answers.lines = {"kept"};
    w.state.WorkMode = kControllerWork;
    w.state.ModemMode = false;
    device::ControllerLists lists(w.state, w.window, w.view);
    const long long before = BytesReadSoFar();
    w.window.fileName = file;
    lists.LoadSecond();
    const long long read = BytesReadSoFar() - before;
    EXPECT_EQ(w.window.answers.lines, Lines{"kept"});
    const auto errors = w.view.Texts(test::ScriptedView::Box::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(Says(errors[0], "Файл «" + file + "» не загружен: он больше 256 Кбайт"));
    if (before >= 0) {
        EXPECT_LT(read, 2 * static_cast<long long>(kListFileSizeLimit));
    }

    // All zero bytes: not text, refused at its first byte.
    const std::string zeros = dir.File("zeros.n2");
    { std::ofstream touch(zeros, std::ios::binary); }
    fs::resize_file(zeros, 50'000'000);
    const long long before2 = BytesReadSoFar();
    w.window.fileName = zeros;
    lists.LoadSecond();
    if (before2 >= 0) {
        EXPECT_LT(BytesReadSoFar() - before2, 2 * static_cast<long long>(kListFileSizeLimit));
    }
    EXPECT_EQ(w.window.answers.lines, Lines{"kept"});
    ASSERT_EQ(w.view.boxes.size(), 2u);
    EXPECT_TRUE(Says(w.view.boxes.back().text, "в строке 1"));
}

// --- Saving ----------------------------------------------------------------

TEST(ListFileSave, AWriteProtectedListIsRefusedWithTheSystemsTextAndStaysUntouched) {
    TempDir dir;
    const std::string file = dir.File("kept.n2");
    TempDir::WriteAll(file, U("ATZ\r\n"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    // Reached through a link, the file it names is the one protected.
    const std::string link = dir.File("link.n2");
    fs::create_symlink(file, link);

    for (const std::string& chosen : {file, link}) {
        SCOPED_TRACE(chosen);
        ModemWorld w;
        w.window.list.lines = {"AT&F", "ATS0=2"};
        w.window.fileName = chosen;
        std::string message;
        try {
            w.console.SaveList();
        } catch (const FileError& e) {
            message = e.what();
            EXPECT_EQ(e.Code(), EACCES);
        }
        EXPECT_TRUE(
            Says(message, "Список не сохранён в файл «" + chosen + "»: файл защищён от записи."));
        EXPECT_TRUE(Says(message, "\r" + std::string(std::strerror(EACCES))));
        EXPECT_EQ(TempDir::ReadAll(file), U("ATZ\r\n"));
        EXPECT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(EntriesIn(dir.Path()), 2u);
    }
}

TEST(ListFileSave, WhereNoTemporaryNameFitsBesideItTheListIsWrittenInPlace) {
    TempDir dir;
    // A name at the file system's length limit leaves no room for a
    // temporary name beside it, for root too.
    const std::string file = dir.File(std::string(250, 'n') + ".n2");
    TempDir::WriteAll(file, U("ATZ\r\nATE0\r\nAT&W\r\nATS0=2\r\n"));
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    WriteListFile(file, {"AT&F"});
    EXPECT_EQ(TempDir::ReadAll(file), U("AT&F\r\n"));
    WriteListFile(file, {"AT&F", "", "ATS0=3&W"});
    EXPECT_EQ(TempDir::ReadAll(file), U("AT&F\r\n\r\nATS0=3&W\r\n"));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(ListFileSave, InAFolderThatRefusesNewFilesTheListThereIsWrittenInPlace) {
    // A new list there is refused naming the file.
    if (RunsAsRoot()) GTEST_SKIP() << "root creates files in a read-only folder";
    TempDir dir;
    const fs::path folder = dir.Path() / "shared";
    fs::create_directory(folder);
    const std::string inFolder = (folder / "init.n2").string();
    TempDir::WriteAll(inFolder, U("ATZ\r\n"));
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    WriteListFile(inFolder, {"AT&F", "ATS0=2"});
    EXPECT_EQ(TempDir::ReadAll(inFolder), U("AT&F\r\nATS0=2\r\n"));
    const std::string fresh = (folder / "new.n2").string();
    try {
        WriteListFile(fresh, {"ATZ"});
        ADD_FAILURE() << "a new file was written into a read-only folder";
    } catch (const FileError& e) {
        EXPECT_TRUE(Says(e.what(), "Список не сохранён в файл «" + fresh +
                                       "»: в этой папке нельзя создавать файлы."));
        EXPECT_TRUE(Says(e.what(), std::strerror(EACCES)));
    }
    EXPECT_EQ(EntriesIn(folder), 1u);
}

TEST(ListFileSave, AnInPlaceSaveThatDoesNotFitLeavesTheOldListWhole) {
    TempDir dir;
    const std::string file = dir.File(std::string(250, 'f') + ".n2");
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
    EXPECT_TRUE(Says(message, "»: файл стал бы больше, чем позволяет система."));
    EXPECT_TRUE(Says(message, std::strerror(EFBIG)));
    EXPECT_EQ(TempDir::ReadAll(file), U("ATZ\r\n"));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

TEST(ListFileSave, AFolderInThePlaceOfTheFileIsNamedInTheMessage) {
    TempDir dir;
    const std::string busy = dir.File("busy.n2");
    fs::create_directories(fs::path(busy) / "inside");
    ModemWorld w;
    w.window.list.lines = {"ATZ"};
    w.window.fileName = busy;
    try {
        w.console.SaveList();
        ADD_FAILURE() << "a folder was taken for a list";
    } catch (const FileError& e) {
        EXPECT_TRUE(Says(
            e.what(), "Список не сохранён в файл «" + busy + "»: под этим именем уже есть папка"));
        EXPECT_TRUE(Says(e.what(), "Выберите другое имя файла."));
    }
    EXPECT_TRUE(fs::is_directory(fs::path(busy) / "inside"));
    EXPECT_EQ(EntriesIn(dir.Path()), 1u);
}

}  // namespace
}  // namespace hk
