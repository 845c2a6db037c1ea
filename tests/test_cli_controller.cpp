// hayeskvd-cli's controller jobs against the simulated controller, on the
// virtual clock and (the program itself) over a pseudo-terminal: how a job
// ends on the line (the end of exchange "Выход" sends), what its messages
// say about the controller and what it said at each step, a copy-out or an
// identification whose answer went astray, and the input refused before
// anything is sent.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "sim/ForwardingLine.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"
#include "support/CopyIn.h"
#include "support/ScriptPeer.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using namespace hk::cli;

constexpr std::uint8_t kExchangeEnd = 0x0B;

sim::KvardOptions At5(sim::KvardFraming framing = sim::KvardFraming::Traditional) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.framing = framing;
    return o;
}

// One run of the command line on a simulated line.
class VirtualCli {
public:
    explicit VirtualCli(sim::KvardOptions o = At5()) : kvard(o) {
        kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
        kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
        line.Attach(&kvard);
    }
    int Run(std::vector<std::string> words, std::function<int()> interruption = {}) {
        words.push_back("--quiet");
        const ParseResult p = ParseArguments(words);
        EXPECT_TRUE(p.error.empty()) << p.error;
        out.str("");
        err.str("");
        CliSession session(p.arguments, through ? *through : line, clock, {dir.Dir(), dir.Dir()},
                           out, err, false, std::move(interruption));
        return session.Run();
    }
    std::string List(const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    // The last request the controller heard.
    std::vector<std::uint8_t> LastRequest() const {
        return kvard.Requests().empty() ? std::vector<std::uint8_t>{}
                                        : kvard.Requests().back().bytes;
    }
    int Count(std::uint8_t code) const { return kvard.CountRequests(code); }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard;
    // The port the program uses, when not the simulated line itself.
    SerialLine* through = nullptr;
    std::ostringstream out, err;
};

std::vector<std::string> Job(const std::string& command, std::vector<std::string> more,
                             const std::string& protocol = "traditional") {
    std::vector<std::string> words = {command,   "--port", "Com1",       "--number", "5",
                                      "--speed", "9600",   "--protocol", protocol};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// After a read or a write, done or failed, and after the key wait has run
// out, the controller is released with the end of exchange, as "Выход"
// releases it: on the traditional framing, at a number other than 0.
TEST(CliEnd, EveryControllerJobEndsWithTheEndOfExchange) {
    const struct {
        const char* name;
        std::function<void(sim::KvardController&)> fault;
        std::vector<std::string> words;
        int status;
    } rows[] = {
        {"write done", {}, {"--kit", "0", "--clear1", "--clear2", "--no-backup"}, kExitOk},
        {"write failed",
         [](sim::KvardController& k) { k.refuseCopyIn = true; },
         {"--kit", "0", "--clear1", "--clear2", "--no-backup"},
         kExitExchangeFailed},
        {"key never installed",
         [](sim::KvardController& k) { k.SetKeyMissing(-1); },
         {"--kit", "0", "--clear1", "--clear2", "--wait-key", "2"},
         kExitKeyMissing},
        {"read of another kit", {}, {"--kit", "3"}, kExitKitMismatch},
        {"read failed",
         [](sim::KvardController& k) {
             k.InjectFor({0x02, 0xBF, 0x80}, sim::KvardFault::Nak, 2);
         },
         {"--kit", "0"},
         kExitExchangeFailed},
        {"read done", {}, {"--kit", "0"}, kExitOk},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        VirtualCli cli;
        if (r.fault) r.fault(cli.kvard);
        const bool read = r.words.size() <= 2;
        EXPECT_EQ(cli.Run(Job(read ? "read" : "write", r.words)), r.status) << cli.err.str();
        EXPECT_EQ(cli.LastRequest(), std::vector<std::uint8_t>{kExchangeEnd});
        EXPECT_EQ(cli.Count(kExchangeEnd), 1);
        EXPECT_FALSE(cli.kvard.Reprogramming());
    }
    // FT1.2 and number 0 have no selection to end.
    VirtualCli ft12(At5(sim::KvardFraming::Ft12));
    EXPECT_EQ(ft12.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup"}, "ft12")),
              kExitOk)
        << ft12.err.str();
    EXPECT_EQ(ft12.Count(kExchangeEnd), 0);
}

// A failed write gives its cause first, with a plain word after a result
// code's own text, then what it left the controller in.
TEST(CliMessages, TheCauseFirstThenWhatTheControllerWasLeftIn) {
    {
        sim::KvardOptions o = At5();
        o.password = 0x1234;
        VirtualCli cli(o);
        EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup",
                                        "--password", "4321"})),
                  kExitExchangeFailed);
        EXPECT_EQ(cli.err.str(),
                  "hayeskvd-cli: Пароль доступа не принят: несовп КС передачи (КВАРД отказался "
                  "выполнить запрос: запрос искажён на линии или не разрешён сейчас (например, "
                  "неверный пароль)). Запись не начата.\n");
    }
    {
        // The second buffer's write-unlock refused, after the first block.
        VirtualCli cli;
        cli.kvard.InjectFor({0x05, 0x40, 0x07, 0xDF, 0x80}, sim::KvardFault::Nak);
        const std::string list = cli.List("a.n3", "ATZ\r\n");
        EXPECT_EQ(
            cli.Run(Job("write", {"--kit", "0", "--in1", list, "--in2", list, "--no-backup"})),
            kExitExchangeFailed);
        EXPECT_EQ(cli.err.str(),
                  "hayeskvd-cli: Буфер для канала МПИ не записан: несовп КС передачи (КВАРД "
                  "отказался выполнить запрос: запрос искажён на линии или не разрешён сейчас "
                  "(например, неверный пароль)). Команда отмены репрограммации OK\n"
                  "КВАРД: отменено копирование, буферы КВАРД прежние, КВАРД остановлен "
                  "(--restart перезапускает его после неудачной записи)\n");
    }
    {
        // The same, and the controller silent from then on: the cancel is
        // not taken, and the message does not say it was.
        VirtualCli cli;
        cli.kvard.InjectFor({0x05, 0x40, 0x07, 0xDF, 0x80}, sim::KvardFault::Nak);
        const std::string list = cli.List("a.n3", "ATZ\r\n");
        const auto silentAfter = [&] {
            const auto& heard = cli.kvard.Requests();
            if (!heard.empty() && heard.back().bytes.size() == 5 && !heard.back().accepted)
                cli.kvard.Inject(sim::KvardFault::Silence, -1);
            return 0;
        };
        EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--in1", list, "--in2", list, "--no-backup"}),
                          silentAfter),
                  kExitExchangeFailed);
        EXPECT_NE(cli.err.str().find("Команда отмены репрограммации  не выполнена нет подтв. "
                                     "начала обмена (КВАРД не ответил на запрос"),
                  std::string::npos)
            << cli.err.str();
        EXPECT_NE(cli.err.str().find("\nКВАРД: отмена копирования не подтверждена: буферы КВАРД "
                                     "прежние, но КВАРД может оставаться в режиме "
                                     "репрограммации, КВАРД остановлен"),
                  std::string::npos)
            << cli.err.str();
    }
    {
        // Noise instead of the ready byte on the status read before the write: code 6.
        VirtualCli cli;
        const auto noiseAtStatus = [&] {
            if (cli.kvard.Requests().size() == 3) cli.kvard.Inject(sim::KvardFault::NoiseForReady);
            return 0;
        };
        EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup"}),
                          noiseAtStatus),
                  kExitExchangeFailed);
        EXPECT_EQ(cli.err.str(),
                  "hayeskvd-cli: Чтение статуса работы блока False (КВАРД не подтвердил "
                  "готовность или приём запроса за отведённое время)\n");
    }
}

// SIGINT once STOP has gone out, while the controller is still stopping: it
// may be stopped, and the message says so and how to restart it.
TEST(CliMessages, AWriteStoppedAfterStopSaysTheControllerMayBeStopped) {
    sim::KvardOptions o = At5();
    o.stopDelayMs = 600;
    VirtualCli cli(o);
    EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup"}),
                      [&] { return cli.Count(0x09) > 0 ? 2 : 0; }),
              130);
    EXPECT_EQ(cli.err.str(),
              "hayeskvd-cli: SIGINT: запись прервана: копирование в буфер репрограммации не "
              "начато, буферы КВАРД прежние, КВАРД, возможно, остановлен: команда STOP "
              "отправлена (--restart перезапускает его после прерванной записи)\n");
    EXPECT_EQ(cli.Count(0x0D), 0);
    EXPECT_EQ(cli.LastRequest(), std::vector<std::uint8_t>{kExchangeEnd});
}

// What a write that went wrong after the copy-in says: its first line
// names what the controller said at the step that failed, and the line
// after it (what the controller was left in) agrees with it.
TEST(CliMessages, EachLineNamesWhatTheControllerSaidAndTheSummaryAgrees) {
    const std::string explained19 = "код ошибки 19 (нет подтверждения за отведенное время)";
    const std::string stopped =
        ", КВАРД остановлен (--restart перезапускает его после неудачной записи)\n";
    const struct {
        const char* name;
        std::function<void(sim::KvardOptions&)> options;
        std::function<void(sim::KvardController&)> fault;
        int status;
        std::string err;
    } rows[] = {
        {"the copy-out refused",
         {},
         [](sim::KvardController& k) {
             k.InjectFor({0x0D, 0xA3}, sim::KvardFault::Nak);
         },
         kExitExchangeFailed,
         "hayeskvd-cli: Команда копирования буфер в РПЗУ   не выполнена несовп КС передачи (КВАРД "
         "отказался выполнить запрос: запрос искажён на линии или не разрешён сейчас (например, "
         "неверный пароль)). Команда отмены репрограммации OK\nКВАРД: отменено копирование, "
         "буферы КВАРД прежние" +
             stopped},
        {"the copy-in's phase never changes",
         [](sim::KvardOptions& o) { o.copyDelayMs = 5000; },
         {},
         kExitExchangeFailed,
         "hayeskvd-cli: Команда копирования РПЗУ в буфер   не выполнена " + explained19 +
             ". Команда отмены репрограммации  не выполнена " + explained19 +
             "\nКВАРД: отмена копирования не подтверждена: буферы КВАРД прежние, но КВАРД может "
             "оставаться в режиме репрограммации" +
             stopped},
        {"no block acknowledged",
         {},
         [](sim::KvardController& k) { k.neverSetBlockBit = true; },
         kExitExchangeFailed,
         "hayeskvd-cli: Блок буфера для канала МЦП отправлен, но КВАРД не подтвердил его запись: " +
             explained19 +
             ". Буферы скопированы в РПЗУ, но не проверены. Запишите буферы ещё раз.\nКВАРД: "
             "буферы скопированы в РПЗУ" +
             stopped},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        sim::KvardOptions o = At5();
        if (r.options) r.options(o);
        VirtualCli cli(o);
        if (r.fault) r.fault(cli.kvard);
        const std::string list = cli.List("a.n3", "ATZ\r\n");
        EXPECT_EQ(
            cli.Run(Job("write", {"--kit", "0", "--in1", list, "--in2", list, "--no-backup"})),
            r.status);
        EXPECT_EQ(cli.err.str(), r.err);
    }
}

// A channel's flag read back after the write fails once (refused): it is
// read again, as the buffers are, and the write is checked.
TEST(CliMessages, AFlagReadBackThatFailsOnceIsReadAgain) {
    VirtualCli cli;
    const std::string list = cli.List("a.n3", "ATZ\r\n");
    bool armed = false;
    const auto afterTheCopyOut = [&] {
        if (!armed && cli.Count(0x0D) == 2) {
            armed = true;
            cli.kvard.InjectFor({0x01, 0x41, 0x04}, sim::KvardFault::Nak);
        }
        return 0;
    };
    EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--in1", list, "--in2", list, "--no-backup"}),
                      afterTheCopyOut),
              kExitOk)
        << cli.err.str();
    EXPECT_TRUE(armed);
    EXPECT_EQ(cli.out.str(),
              "Записано и проверено; КВАРД не перезапущен (--restart перезапускает)\n");
}

// The line gone just as the copy-out is sent: it never reached the
// controller, whose reprogramming buffer stays open, and the last line says
// so; --restart could not restart it either.
TEST(CliMessages, AHangUpAtTheCopyOutSaysTheReprogrammingMayStayOpen) {
    struct CutAtCopyOut final : sim::ForwardingLine {
        explicit CutAtCopyOut(sim::SimLine& simLine) : ForwardingLine(simLine), sim(simLine) {}
        long DoWrite(const std::uint8_t* data, std::size_t count) override {
            for (std::size_t i = 0; i + 1 < count; ++i)
                if (data[i] == 0x0D && data[i + 1] == 0xA3) sim.HangUp();
            return Gone(inner_.Write(data, count));
        }
        long DoRead(std::uint8_t* data, std::size_t count) override {
            return Gone(inner_.Read(data, count));
        }
        long Gone(long n) {
            if (inner_.HungUp()) MarkHungUp();
            return n;
        }
        sim::SimLine& sim;
    };
    VirtualCli cli;
    CutAtCopyOut cut(cli.line);
    cli.through = &cut;
    EXPECT_EQ(
        cli.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup", "--restart"})),
        kExitExchangeFailed);
    EXPECT_TRUE(cli.kvard.Reprogramming());
    EXPECT_EQ(cli.Count(0x08), 0);
    const std::string err = cli.err.str();
    EXPECT_TRUE(
        err.ends_with("\nКВАРД: неизвестно, скопированы ли новые буферы в РПЗУ, и КВАРД "
                      "может оставаться в режиме репрограммации (прочитайте буферы), "
                      "КВАРД остановлен, перезапуск не отправлен: порт не отвечает\n"))
        << err;
}

// SIGINT while the copy-out's phase is awaited: the status says what the
// controller did; committed, the write stops there without its read-back.
TEST(CliMessages, AWriteStoppedDuringTheCopyOutSaysTheBuffersWereCopied) {
    VirtualCli cli;
    const auto copiedOut = [&] {
        for (const sim::KvardRequest& r : cli.kvard.Requests())
            if (r.bytes == std::vector<std::uint8_t>{0x0D, 0xA3}) return 2;
        return 0;
    };
    EXPECT_EQ(
        cli.Run(Job("write", {"--kit", "0", "--clear1", "--clear2", "--no-backup"}), copiedOut),
        130);
    EXPECT_EQ(cli.err.str(),
              "hayeskvd-cli: SIGINT: запись прервана: буферы скопированы в РПЗУ, проверка не "
              "закончена, КВАРД остановлен (--restart перезапускает его после прерванной "
              "записи)\n");
    EXPECT_EQ(cli.Count(0x02), 0);  // no read-back
    EXPECT_EQ(cli.kvard.Buffer(0)[0], 0x00);
    EXPECT_EQ(cli.LastRequest(), std::vector<std::uint8_t>{kExchangeEnd});
}

// Input that cannot be right is refused before the port is touched.
TEST(CliInput, SlipsInTheCommandLineAreRefused) {
    const std::vector<std::string> read = {"read", "--port", "Com1", "--kit", "0"};
    const auto with = [&](std::vector<std::string> more) {
        std::vector<std::string> words = read;
        words.insert(words.end(), more.begin(), more.end());
        return ParseArguments(words).error;
    };
    test::TempDir dir;
    std::ofstream(dir.File("a.n3")) << "ATZ\r\n";
    const struct {
        std::vector<std::string> more;
        std::string says;
    } rows[] = {
        {{"--out1", "x.n3", "--out2", "x.n3"}, "--out1 и --out2 называют один файл «x.n3»"},
        {{"--out1", dir.File("a.n3"), "--out2", dir.Dir() + "./a.n3"}, "называют один файл"},
        {{"--out1", dir.File("new.n3"), "--out2", dir.Dir() + "sub/../new.n3"},
         "называют один файл"},
        {{"--kit", "3"}, "параметр --kit задан дважды"},
        {{"--number", "5", "--number", "all"}, "параметр --number задан дважды"},
        {{"--json", "--json"}, "параметр --json задан дважды"},
        {{"--restart", "--no-restart"}, "--restart и --no-restart вместе не задаются"},
        {{"--log", "a.log", "--log", "b.log"}, "параметр --log задан дважды"},
    };
    for (const auto& r : rows) {
        const std::string error = with(r.more);
        EXPECT_NE(error.find(r.says), std::string::npos) << r.says << " / " << error;
    }
    EXPECT_EQ(with({"--out1", "x.n3", "--out2", "y.n3"}), "");
}

TEST(CliInput, AnUnwritableLogOrAListThatIsNoFileStopsBeforeAnythingIsSent) {
    // A folder that is not there yet is made, as the log makes its own; a
    // log under a plain file cannot be written.
    {
        VirtualCli reading;
        const std::string newFolder = reading.dir.File("new-folder/cli.log");
        reading.Run(Job("read", {"--kit", "0", "--log", newFolder}));
        EXPECT_EQ(reading.err.str().find("не записывается"), std::string::npos)
            << reading.err.str();
        EXPECT_TRUE(std::filesystem::exists(newFolder));
    }
    VirtualCli cli;
    test::TempDir::WriteAll(cli.dir.File("plain"), {'x'});
    const std::string nowhere = cli.dir.File("plain/cli.log");
    EXPECT_EQ(cli.Run(Job("read", {"--kit", "0", "--log", nowhere})), kExitBadArguments);
    EXPECT_NE(cli.err.str().find("журнал обмена «" + nowhere + "» не записывается"),
              std::string::npos)
        << cli.err.str();

    EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--in1", "/dev/null", "--clear2"})),
              kExitBadArguments);
    EXPECT_NE(cli.err.str().find("«/dev/null» не обычный файл"), std::string::npos)
        << cli.err.str();
    EXPECT_TRUE(cli.kvard.Requests().empty());
    EXPECT_TRUE(cli.kvard.AddressBytes().empty());
}

TEST(CliInput, TheLetterYaIsRefusedBeforeAnythingIsSent) {
    VirtualCli cli;
    // "Моя настройка" in Windows-1251: «я» is FF.
    const std::string list =
        cli.List("mcp.n3", "ATZ\r\n\xCC\xEE\xFF \xED\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE0\r\n");
    EXPECT_EQ(cli.Run(Job("write", {"--kit", "0", "--in1", list, "--clear2"})), kExitBadArguments);
    EXPECT_NE(cli.err.str().find("hayeskvd-cli: Строка 2 для канала МЦП («Моя настройка») "
                                 "содержит букву «я»"),
              std::string::npos)
        << cli.err.str();
    EXPECT_NE(cli.err.str().find("только до «Мо»"), std::string::npos) << cli.err.str();
    EXPECT_TRUE(cli.kvard.Requests().empty());
}

// Both buffers' files or neither: a second file that cannot be written
// takes the first one back to what it was.
TEST(CliInput, TheTwoBuffersFilesAreWrittenBothOrNeither) {
    VirtualCli cli;
    const std::string first = cli.dir.File("mcp.n3");
    const std::string second = cli.dir.File("no-such-folder/mpi.n3");
    EXPECT_EQ(cli.Run(Job("read", {"--kit", "0", "--out1", first, "--out2", second})), kExitFailed);
    EXPECT_FALSE(std::filesystem::exists(first));
    EXPECT_NE(cli.err.str().find("Файл «" + first + "» не оставлен."), std::string::npos)
        << cli.err.str();

    std::ofstream(first, std::ios::binary) << "AT&F0\r\n";
    EXPECT_EQ(cli.Run(Job("read", {"--kit", "0", "--out1", first, "--out2", second})), kExitFailed);
    EXPECT_EQ(test::TempDir::ReadAll(first),
              (std::vector<unsigned char>{'A', 'T', '&', 'F', '0', '\r', '\n'}));

    const std::string both = cli.dir.File("mpi.n3");
    EXPECT_EQ(cli.Run(Job("read", {"--kit", "0", "--out1", first, "--out2", both})), kExitOk)
        << cli.err.str();
    EXPECT_EQ(test::TempDir::ReadAll(both),
              (std::vector<unsigned char>{'A', 'T', '&', 'F', '\r', '\n', '\r', '\n'}));
}

// The program itself over a pseudo-terminal, on the real clock.
struct PtyRun {
    int status = -1;
    std::string out, err;
};

PtyRun RunProgram(sim::SimPeer& peer, const std::vector<std::string>& words,
                  const test::TempDir& dir) {
    sim::ServedPty served(peer);
    EXPECT_TRUE(served.Started()) << served.Error();
    const char* bin = std::getenv("HK_BIN_DIR");
    std::string command = "'" + std::string(bin ? bin : ".") + "/hayeskvd-cli'";
    for (const std::string& w : words)
        command += " '" + (w == "PORT" ? served.SlavePath() : w) + "'";
    command += " --log '" + dir.File("cli.log") + "' --record '" + dir.File("records") + "' >'" +
               dir.File("out") + "' 2>'" + dir.File("err") + "'";
    PtyRun r;
    const int raw = std::system(command.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const auto text = [](const std::string& file) {
        const auto bytes = test::TempDir::ReadAll(file);
        return std::string(bytes.begin(), bytes.end());
    };
    r.out = text(dir.File("out"));
    r.err = text(dir.File("err"));
    return r;
}

std::vector<std::string> Reprogramming(const sim::KvardController& kvard) {
    std::vector<std::string> out;
    for (const sim::KvardRequest& r : kvard.Requests())
        if (r.bytes.size() == 2 && r.bytes[0] == 0x0D) out.push_back(test::HexText(r.bytes));
    return out;
}

// The copy-out refused on the line: the status shows the reprogramming
// still open, the write cancels it, says so after the cause, and releases
// the controller.
TEST(CliOnALine, ARefusedCopyOutIsCancelledAndSaidSo) {
    test::TempDir dir;
    sim::KvardOptions o = At5();
    o.evenParityReadsAsNone = true;
    sim::KvardController kvard(o);
    kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
    kvard.InjectFor({0x0D, 0xA3}, sim::KvardFault::Nak);
    const PtyRun r = RunProgram(kvard,
                                {"write", "--port", "PORT", "--kit", "0", "--number", "5",
                                 "--speed", "9600", "--clear1", "--clear2", "--no-backup"},
                                dir);
    EXPECT_EQ(r.status, kExitExchangeFailed) << r.err;
    EXPECT_EQ(Reprogramming(kvard), (std::vector<std::string>{"0D A1", "0D A3", "0D A0"}));
    EXPECT_FALSE(kvard.Reprogramming());
    EXPECT_EQ(kvard.Requests().back().bytes, std::vector<std::uint8_t>{kExchangeEnd});
    EXPECT_EQ(kvard.Buffer(0)[0], 'A');  // unchanged
    // The refusal is named as what it was, not as a confirmation that did
    // not come.
    EXPECT_NE(r.err.find("hayeskvd-cli: Команда копирования буфер в РПЗУ   не выполнена несовп КС "
                         "передачи (КВАРД отказался выполнить запрос: запрос искажён на линии или "
                         "не разрешён сейчас (например, неверный пароль)). Команда отмены "
                         "репрограммации OK\nКВАРД: отменено копирование, буферы КВАРД прежние, "
                         "КВАРД остановлен"),
              std::string::npos)
        << r.err;
}

// FT1.2, a КВАРД-47 whose identification answer comes 2.1 s late, the
// basic kit asked for: the kit check does not pass, nothing is written.
TEST(CliOnALine, ALateIdentificationDoesNotPassForAnotherKit) {
    test::TempDir dir;
    sim::KvardOptions o = At5(sim::KvardFraming::Ft12);
    o.kit = sim::KvardKit::Kvard47;
    o.turnaroundMs = 150;
    o.lateAnswerMs = 2100;
    sim::KvardController kvard(o);
    // The search's identification is answered; the kit check's first is late.
    struct SkipOne : sim::SimPeer {
        explicit SkipOne(sim::KvardController& k) : kvard(k) {}
        void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
            const std::size_t before = kvard.Requests().size();
            kvard.OnByte(byte, params, out);
            if (before == 0 && kvard.Requests().size() == 1)
                kvard.InjectFor({0x01, 0x40, 0x1E}, sim::KvardFault::LateAnswer);
        }
        void OnControlLines(bool dtr, bool rts, sim::PeerOutput& out) override {
            kvard.OnControlLines(dtr, rts, out);
        }
        sim::KvardController& kvard;
    };
    SkipOne peer(kvard);
    const PtyRun r =
        RunProgram(peer,
                   {"write", "--port", "PORT", "--kit", "0", "--number", "5", "--speed", "9600",
                    "--protocol", "ft12", "--clear1", "--clear2", "--no-backup"},
                   dir);
    EXPECT_EQ(r.status, kExitExchangeFailed) << r.err;
    EXPECT_EQ(kvard.CountRequests(0x09), 0);  // no STOP
    EXPECT_EQ(kvard.CountRequests(0x0D), 0);
    EXPECT_NE(r.err.find("Чтение версии программы не подтверждено"), std::string::npos) << r.err;
}

}  // namespace
}  // namespace hk
