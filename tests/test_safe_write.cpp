// The safe controller write against the simulated controller on the virtual
// clock: the buffers saved before the first STOP and read back after the
// copy-out, for each kit; a read-back that differs; a backup that cannot be
// read or saved stops the write before it touches the controller. And what
// the exchange log makes of a write: named requests, the password kept out,
// one line per search attempt.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "device/BufferTransfer.h"
#include "lists/ListFiles.h"
#include "log/ExchangeLog.h"
#include "log/LoggedLink.h"
#include "support/ControllerFakes.h"
#include "support/ScriptPeer.h"

namespace hk::device {
namespace {

using test::ControllerWorld;
using Box = test::ScriptedView::Box;
using Texts = std::vector<std::string>;

sim::KvardOptions Controller(int kit) {
    sim::KvardOptions o;
    o.kit = static_cast<sim::KvardKit>(kit);
    o.netNumber = 5;
    return o;
}

// A write of "ATZ" (and "ATS0=2" below) with backup and verify on.
struct SafeWrite : ControllerWorld {
    explicit SafeWrite(int kit) : ControllerWorld(Controller(kit), false) {
        view.choice.backup = view.choice.verify = true;
        view.upper.lines = {"ATZ"};
        view.lower.lines = {"ATS0=2"};
        view.script.answers = {true};  // restart
        for (std::size_t i = 0; i < kvard.BufferCount(); ++i)
            kvard.SetBuffer(i, sim::KvardController::ModemLines({"AT&F" + std::to_string(i)}));
    }
    std::vector<std::string> Backups() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir.Dir() + "backups", ec))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
    // Index in the requests received of the first one `matching`.
    std::ptrdiff_t First(const std::function<bool(const std::vector<std::uint8_t>&)>& matching) {
        const auto& r = kvard.Requests();
        return std::find_if(r.begin(), r.end(), [&](const auto& q) { return matching(q.bytes); }) -
               r.begin();
    }
    bool IsBufferRead(const std::vector<std::uint8_t>& q) const {
        return q[0] == kReadMemory || (q[0] == kReadParameter && q.size() >= 3 && q[2] != 0x00 &&
                                       q[2] != 0x1E && q[2] != 0x04);
    }
};

TEST(SafeWrite, BuffersAreSavedBeforeTheFirstStopAndCheckedAfterTheCopyOut) {
    const char* tags[4][2] = {
        {"mcp", "mpi"}, {"serial", nullptr}, {"mpi", nullptr}, {"mcp", "mpi"}};
    for (int kit = 0; kit < 4; ++kit) {
        SCOPED_TRACE(kit);
        SafeWrite w(kit);
        w.job.Search();
        EXPECT_EQ(w.view.speedLabel, "Скорость обмена  OK");
        EXPECT_EQ(w.view.status.back(), kVerifiedText);

        const auto backups = w.Backups();
        ASSERT_EQ(backups.size(), w.kvard.BufferCount());
        for (std::size_t i = 0; i < backups.size(); ++i) {
            const std::string& name = backups[i];
            EXPECT_TRUE(name.starts_with("kvard-5-")) << name;
            EXPECT_TRUE(name.ends_with(std::string("-") + tags[kit][i] + ".n3")) << name;
            // What the buffer held before: the line, and the empty rest.
            const auto lines = ReadListFile(w.dir.Dir() + "backups/" + name);
            ASSERT_TRUE(lines && !lines->refusal);
            EXPECT_EQ(lines->lines, (Texts{"AT&F" + std::to_string(i), ""})) << name;
        }
        // The buffers are read before the controller is stopped, and again
        // after the copy-out.
        const auto read = [&](const auto& q) { return w.IsBufferRead(q); };
        const auto stopOrCopy = [](const auto& q) {
            return q[0] == kStop || q[0] == kReprogramming;
        };
        const auto copyOut = [](const auto& q) {
            return q[0] == kReprogramming && q[1] == kReprogCopyOutCode;
        };
        EXPECT_LT(w.First(read), w.First(stopOrCopy));
        const auto& r = w.kvard.Requests();
        const auto reads = std::count_if(r.begin() + w.First(copyOut), r.end(),
                                         [&](const auto& q) { return w.IsBufferRead(q.bytes); });
        EXPECT_EQ(reads, static_cast<long>(w.kvard.BufferCount()));
    }
}

TEST(SafeWrite, ABufferReadBackDifferentIsNamedWithItsFirstDifferentByte) {
    SafeWrite w(0);
    w.kvard.damageOnCommit = true;  // the first byte is stored changed
    w.state.ClearBuffer2 = true;
    w.job.Search();
    EXPECT_EQ(w.view.status.back(),
              "Проверка записанного: буфер для канала МЦП отличается в байте 1: записано 41, "
              "прочитано 40");
    EXPECT_NE(w.view.speedLabel, "Скорость обмена  OK");
    EXPECT_TRUE(w.state.ClearBuffer2);  // to be written again
    EXPECT_EQ(w.TickUntilClosed(2), 0);
}

TEST(SafeWrite, NoBackupNoWrite) {
    SafeWrite unread(0);
    // The backup's read of the first buffer goes unanswered.
    unread.view.script.onProcess = [&, armed = true](int) mutable {
        if (armed &&
            unread.kvard.CountRequests(kReadParameter) >= 4) {  // ident. A, B, status twice
            armed = false;
            unread.kvard.Inject(sim::KvardFault::Silence, 2);
        }
    };
    unread.job.Search();
    EXPECT_TRUE(unread.view.HasStatus(
        "Резервная копия: буферы не прочитаны, нет подтв. начала обмена. Запись не начата."));
    EXPECT_EQ(unread.kvard.CountRequests(kStop), 0);
    EXPECT_EQ(unread.kvard.CountRequests(kReprogramming), 0);
    EXPECT_TRUE(unread.view.script.Texts(Box::Kind::Confirm).empty());  // no restart question
    EXPECT_TRUE(unread.Backups().empty());

    SafeWrite unsaved(0);
    test::TempDir::WriteAll(unsaved.dir.File("backups"), {1});  // a file where the folder goes
    unsaved.job.Search();
    const Texts errors = unsaved.view.script.Texts(Box::Kind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_TRUE(errors[0].starts_with("Список не сохранён в файл «" + unsaved.dir.Dir() +
                                      "backups/kvard-5-"))
        << errors[0];
    EXPECT_TRUE(errors[0].ends_with("\rЗапись не начата."));
    EXPECT_EQ(unsaved.kvard.CountRequests(kStop), 0);
    EXPECT_EQ(unsaved.kvard.CountRequests(kReprogramming), 0);
}

TEST(SafeWrite, SwitchedOffNothingIsReadAroundTheWrite) {
    SafeWrite w(3);
    w.view.choice.backup = w.view.choice.verify = false;
    w.job.Search();
    EXPECT_EQ(w.view.status.back(), "Команда копирования буфер в РПЗУ  OK");
    EXPECT_TRUE(w.Backups().empty());
    const auto& r = w.kvard.Requests();
    EXPECT_EQ(
        std::count_if(r.begin(), r.end(), [&](const auto& q) { return w.IsBufferRead(q.bytes); }),
        0);
}

// ---- what the exchange log makes of it ----------------------------------------

struct LoggedWrite : SafeWrite {
    LoggedWrite() : SafeWrite(0) {}
    std::vector<std::string> Lines() {
        log.FlushAll();
        std::uint64_t from = 0;
        return log.LinesFrom(from);
    }
    ExchangeLog log{clock, [] { return std::int64_t{0}; }};
    LogAttachment attached{link, log};
};

TEST(SafeWriteLog, RequestsAreNamedAndThePasswordStaysOut) {
    LoggedWrite w;
    w.kvard = sim::KvardController([] {
        auto o = Controller(0);
        o.password = 0x12A4;
        return o;
    }());
    w.view.choice.password = "12a4";
    w.job.Search();
    ASSERT_EQ(w.view.speedLabel, "Скорость обмена  OK");
    const auto lines = w.Lines();
    std::string all;
    for (const auto& l : lines) all += l + "\n";
    EXPECT_NE(all.find("===== Подбор: запись в КВАРД, Com1 ====="), std::string::npos);
    EXPECT_NE(
        all.find("Пароль: традиционный кадр, запрос 05 40 08 ** **: готов, кадр принят → 0 OK"),
        std::string::npos);
    EXPECT_NE(all.find("Разрешение записи: традиционный кадр, запрос 05 40 07 ** **:"),
              std::string::npos);
    // Neither the password nor its complement, in any line.
    for (const char* secret : {"12 A4", "ED 5B"})
        EXPECT_EQ(all.find(secret), std::string::npos) << secret;
    for (const char* name :
         {"STOP:", "Копирование РПЗУ в буфер:", "Запись буфера:", "Копирование буфера в РПЗУ:",
          "Резервная копия сохранена: kvard-5-", kVerifiedText})
        EXPECT_NE(all.find(name), std::string::npos) << name;
}

TEST(SafeWriteLog, TheSearchWritesOneLinePerAttempt) {
    LoggedWrite w;
    w.state.ReadFromDevice = true;
    w.view.choice.searchAllNumbers = true;
    w.view.choice.speedItem = 6;  // 9600 baud only
    w.job.Search();
    ASSERT_EQ(w.view.closed, 1);
    const auto lines = w.Lines();
    Texts attempts;
    std::size_t firstAfter = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto at = lines[i].find("Подбор: номер ");
        if (at == std::string::npos) continue;
        attempts.push_back(lines[i].substr(at));
        firstAfter = i + 1;
    }
    EXPECT_EQ(attempts,
              (Texts{"Подбор: номер 0, 9600 бод — нет ответа на идентификацию: нет подтв. "
                     "начала обмена",
                     "Подбор: номер 1, 9600 бод — номер не подтверждён",
                     "Подбор: номер 2, 9600 бод — номер не подтверждён",
                     "Подбор: номер 3, 9600 бод — номер не подтверждён",
                     "Подбор: номер 4, 9600 бод — номер не подтверждён",
                     "Подбор: номер 5, 9600 бод — КВАРД ответил"}));
    // Between the job's title and the hit: nothing but those lines.
    EXPECT_EQ(firstAfter, 1 + attempts.size());
    EXPECT_NE(lines[firstAfter].find("Идентификация A:"), std::string::npos) << lines[firstAfter];
}

}  // namespace
}  // namespace hk::device
