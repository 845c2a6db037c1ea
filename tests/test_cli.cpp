// hayeskvd-cli as a script runs it: the program itself, started with its
// arguments, against the simulated controller and modem over a
// pseudo-terminal (its path given as the port); what it prints and the exit
// status. Real time, a few seconds a job.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "cli/Console.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/MultiDropLine.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"
#include "support/CopyIn.h"
#include "support/ScriptPeer.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using namespace hk::cli;

struct Outcome {
    int status = -1;
    std::string out, err;
};

std::string Quote(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// A far end on a pseudo-terminal, served while the test runs.
class Line {
public:
    explicit Line(sim::SimPeer& peer) : served_(peer) {
        EXPECT_TRUE(served_.Started()) << served_.Error();
    }
    const std::string& Path() const { return served_.SlavePath(); }

private:
    sim::ServedPty served_;
};

// The program started with `words` (the first its path), its standard
// output and error in the test folder's "out" and "err". One that ignores
// the signal a test sends is ended after 60 s by SIGALRM, which fails the
// test's check of its exit status.
pid_t StartProgram(std::vector<std::string> words, const test::TempDir& dir) {
    const pid_t child = ::fork();
    if (child == 0) {
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        std::freopen(dir.File("err").c_str(), "w", stderr);
        std::freopen(dir.File("out").c_str(), "w", stdout);
        ::alarm(60);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    return child;
}

class Cli : public ::testing::Test {
protected:
    Cli() {
        sim::KvardOptions o;
        o.netNumber = 5;
        o.evenParityReadsAsNone = true;
        kvard = std::make_unique<sim::KvardController>(o);
        kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        kvard->SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
    }
    // Runs the program with `words` (in the folder `cwd`, when given); the
    // port of the simulated controller stands for "PORT". `program` is a
    // copy made by PortableProgram, or the build's own.
    Outcome Run(std::vector<std::string> words, const std::string& port,
                const std::string& cwd = {}, const std::string& program = {}) {
        const char* bin = std::getenv("HK_BIN_DIR");
        // A program that hangs fails the test instead of holding it. A copy
        // gets a home of its own: its user folders, if it took them, are the
        // test's.
        std::string command =
            (cwd.empty() ? "" : "cd " + Quote(cwd) + " && ") +
            (program.empty() ? ""
                             : "env -u XDG_CONFIG_HOME -u XDG_DATA_HOME HOME=" +
                                   Quote(dir.File("home")) + " ") +
            "timeout -k 5 120 " +
            Quote(program.empty() ? std::string(bin ? bin : ".") + "/hayeskvd-cli" : program);
        // The log among the options: after "--" every word is a file.
        words.insert(std::find(words.begin(), words.end(), "--"),
                     {"--log", dir.File("cli.log"), "--record", dir.File("records")});
        for (std::string& w : words) command += " " + Quote(w == "PORT" ? port : w);
        command += " >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err"));
        Outcome o;
        const int raw = std::system(command.c_str());
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = ReadText(dir.File("out"));
        o.err = ReadText(dir.File("err"));
        return o;
    }
    Outcome OnController(std::vector<std::string> words) {
        Line line(*kvard);
        return Run(std::move(words), line.Path());
    }
    std::string List(const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }
    // A copy of the program in a folder of its own, as an operator unpacks
    // it: its settings file and port mapping lie beside it. The folder.
    std::string PortableProgram() {
        const std::string folder = dir.File("prog") + "/";
        std::filesystem::create_directories(folder);
        const char* bin = std::getenv("HK_BIN_DIR");
        std::filesystem::copy_file(std::string(bin ? bin : ".") + "/hayeskvd-cli",
                                   folder + "hayeskvd-cli");
        return folder;
    }

    test::TempDir dir;
    std::unique_ptr<sim::KvardController> kvard;
};

const std::vector<std::string> kAt5 = {"--number", "5", "--speed", "9600"};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(Cli, SearchFindsNumberSpeedAndKitOrSaysNoneAnswered) {
    sim::KvardOptions first;
    first.kit = sim::KvardKit::Kvard47;
    first.netNumber = 0;  // no address: found at number 0
    first.baudRate = 1200;
    first.evenParityReadsAsNone = true;
    sim::KvardController numberOne(first);
    Outcome found;
    {
        Line line(numberOne);
        found = Run({"search", "--port", "PORT", "--json"}, line.Path());
    }
    EXPECT_EQ(found.status, kExitOk) << found.err;
    EXPECT_EQ(found.out,
              "{\"result\":\"ok\",\"number\":0,\"speed\":1200,\"kit\":3,\"linkKind\":0}\n");

    const Outcome none =
        OnController({"search", "--port", "PORT", "--number", "3", "--speed", "9600"});
    EXPECT_EQ(none.status, kExitNoController);
    EXPECT_NE(none.err.find("КВАРД не найден"), std::string::npos) << none.err;
    EXPECT_NE(
        ReadText(dir.File("cli.log")).find("Подбор: номер 3, 9600 бод — номер не подтверждён"),
        std::string::npos);
}

TEST_F(Cli, ReadWritesTheListFilesAndAWrongKitSaysSo) {
    const Outcome read = OnController(With({"read", "--port", "PORT", "--kit", "0", "--out1",
                                            dir.File("mcp.n3"), "--out2", dir.File("mpi.n3")},
                                           kAt5));
    EXPECT_EQ(read.status, kExitOk) << read.err;
    EXPECT_EQ(ReadText(dir.File("mcp.n3")), "ATZ\r\nATS0=2\r\n\r\n");
    EXPECT_EQ(ReadText(dir.File("mpi.n3")), "AT&F\r\n\r\n");

    const Outcome wrongKit = OnController(With({"read", "--port", "PORT", "--kit", "3"}, kAt5));
    EXPECT_EQ(wrongKit.status, kExitKitMismatch);
    EXPECT_NE(wrongKit.err.find("БАЗОВЫЙ комплект КВАРД"), std::string::npos) << wrongKit.err;
}

TEST_F(Cli, WriteWithBackupVerifyAndRestart) {
    const std::string list = List("new.n3", "ATZ\r\nATS0=4\r\n");
    const Outcome written =
        OnController(With({"write", "--port", "PORT", "--kit", "0", "--in1", list, "--clear2",
                           "--restart", "--backup-dir", dir.File("backups"), "--json"},
                          kAt5));
    EXPECT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out,
              "{\"result\":\"ok\",\"number\":5,\"speed\":9600,\"verified\":true,"
              "\"restarted\":true}\n");
    const auto stored = kvard->Buffer(0);
    EXPECT_EQ(std::string(stored.begin(), stored.begin() + 11), "ATZ\rATS0=4\r");
    EXPECT_EQ(kvard->Buffer(1)[0], 0x00);      // cleared
    EXPECT_EQ(kvard->CountRequests(0x08), 1);  // restarted
    int backups = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.File("backups")))
        backups += e.path().filename().string().starts_with("kvard-5-");
    EXPECT_EQ(backups, 2);
}

TEST_F(Cli, TheKeyIsWaitedForOnlyWhenAsked) {
    const std::string list = List("a.n3", "ATZ\r\n");
    const auto write = With({"write", "--port", "PORT", "--kit", "0", "--in1", list, "--in2", list,
                             "--no-backup", "--no-verify"},
                            kAt5);
    kvard->SetKeyMissing(-1);
    const Outcome missing = OnController(write);
    EXPECT_EQ(missing.status, kExitKeyMissing);
    EXPECT_NE(missing.err.find("--wait-key"), std::string::npos) << missing.err;
    EXPECT_EQ(kvard->CountRequests(0x0D), 0);  // nothing reprogrammed

    kvard->SetKeyMissing(2);  // installed while the script waits
    const Outcome waited = OnController(With(write, {"--wait-key", "10"}));
    EXPECT_EQ(waited.status, kExitOk) << waited.err;
}

TEST_F(Cli, AFlagThatWasNotSetIsNeitherOkNorVerified) {
    // FT1.2: the first read of control parameter 40 04 is answered 1050 ms late.
    sim::KvardOptions o;
    o.netNumber = 5;
    o.evenParityReadsAsNone = true;
    o.framing = sim::KvardFraming::Ft12;
    kvard = std::make_unique<sim::KvardController>(o);
    kvard->InjectFor({0x01, 0x40, 0x04}, sim::KvardFault::LateAnswer);
    const std::string list = List("a.n3", "ATZ\r\n");
    const Outcome w =
        OnController(With({"write", "--port", "PORT", "--kit", "0", "--protocol", "ft12", "--in1",
                           list, "--in2", list, "--backup-dir", dir.File("backups"), "--json"},
                          kAt5));
    EXPECT_EQ(w.status, kExitExchangeFailed) << w.err;
    EXPECT_EQ(w.out.rfind("{\"result\":\"error\",\"status\":6,", 0), 0u) << w.out;
    EXPECT_EQ(w.out.find("verified"), std::string::npos) << w.out;
    EXPECT_NE(w.err.find("Флаг буфера для канала МЦП (параметр 40 04) не установлен"),
              std::string::npos)
        << w.err;
}

TEST_F(Cli, AWrongPasswordWritesNothing) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.evenParityReadsAsNone = true;
    o.password = 0x1234;
    kvard = std::make_unique<sim::KvardController>(o);
    const std::string list = List("a.n3", "ATZ\r\n");
    const Outcome wrong = OnController(With({"write", "--port", "PORT", "--kit", "0", "--in1", list,
                                             "--clear2", "--password", "4321", "--no-backup"},
                                            kAt5));
    EXPECT_EQ(wrong.status, kExitExchangeFailed);
    EXPECT_EQ(kvard->CountRequests(0x0D), 0);
}

TEST_F(Cli, BadArgumentsAndListsStopBeforeThePort) {
    const std::string tooLong = List("long.n3", std::string(200, 'A') + "\r\n");
    const struct {
        std::vector<std::string> words;
        std::string says;
    } rows[] = {
        {{"flash", "--port", "PORT"}, "неизвестная команда «flash»"},
        {{"search"}, "не указан порт"},
        {{"read", "--port", "PORT"}, "укажите комплект КВАРД"},
        {{"write", "--port", "PORT", "--kit", "0", "--in1", dir.File("none.n3"), "--clear2"},
         "файл «" + dir.File("none.n3") + "» не открывается"},
        {{"write", "--port", "PORT", "--kit", "2", "--in1", tooLong},
         "не помещаются в буфер КВАРД"},
        {{"write", "--port", "PORT", "--kit", "0", "--in1", tooLong}, "для буфера 2 укажите --in2"},
        {{"search", "--port", "PORT", "--speed", "38400"}, "от 300 до 19200 бод"},
        // An option joined to an empty value (or given an empty word) takes
        // no other word for its value.
        {{"read", "--port", "PORT", "--kit", "0", "--out1=", "--json", "--out2", dir.File("b")},
         "после --out1= нужно значение"},
        {{"scan", "--port", "PORT", "--csv=", "--json"}, "после --csv= нужно значение"},
        {{"write", "--port", "PORT", "--kit", "0", "--in1=", "--clear2"},
         "после --in1= нужно значение"},
        {{"read", "--port", "PORT", "--kit", "0", "--log=", "--out1", dir.File("c1")},
         "после --log= нужно значение"},
        {{"read", "--port", "PORT", "--kit", "0", "--out1", "", "--out2", dir.File("b")},
         "после --out1 нужно значение"},
        // A file for a buffer the kit does not have.
        {{"read", "--port", "PORT", "--kit", "1", "--out1", dir.File("a"), "--out2", dir.File("b")},
         "у комплекта 1 один буфер: --out2 не нужен"},
        {{"read", "--port", "PORT", "--kit", "2", "--out2", dir.File("b")},
         "у комплекта 2 один буфер: --out2 не нужен"},
    };
    for (const auto& r : rows) {
        const Outcome o = OnController(r.words);
        EXPECT_EQ(o.status, kExitBadArguments) << r.says;
        EXPECT_NE(o.err.find(r.says), std::string::npos) << o.err;
        EXPECT_EQ(o.out, "") << r.says;
    }
    EXPECT_TRUE(kvard->Requests().empty());
    EXPECT_TRUE(kvard->AddressBytes().empty());
    for (const char* file : {"a", "b", "c1"}) EXPECT_FALSE(std::filesystem::exists(dir.File(file)));
}

// adapter-check: the read-back on a pseudo-terminal refuses nothing; the
// demo's simulated adapters (descriptions in the program's ports/ folder)
// are checked with a loopback plug, the verdict kept in HayesKvd.ini; no
// plug is no verdict; a signal ends the check with its status and keeps
// nothing.
TEST_F(Cli, AdapterCheckAtItsDepthsAndItsEndings) {
    const Outcome pty = OnController({"adapter-check", "--port", "PORT"});
    EXPECT_EQ(pty.status, kExitOk) << pty.err;
    EXPECT_NE(pty.out.find("8M1: принимает (300–19200 бод)"), std::string::npos) << pty.out;
    EXPECT_EQ(pty.out.find("не принимает"), std::string::npos) << pty.out;

    const std::string folder = PortableProgram();
    std::filesystem::create_directories(folder + "ports");
    const auto describe = [&](int n, const std::string& plug, const std::string& faults) {
        std::ofstream(folder + "ports/com" + std::to_string(n))
            << "kvard-sim adapter\nserial=T-" << n << "\nplug=" << plug << "\nfaults=" << faults
            << "\n";
    };
    const auto check = [&](std::vector<std::string> words) {
        return Run(words, "", "", folder + "hayeskvd-cli");
    };
    describe(3, "loopback", "drop-parity");
    const Outcome dropped = check({"adapter-check", "--port", "Com3", "--loopback", "--json"});
    EXPECT_EQ(dropped.status, kExitAdapterFaulty) << dropped.err;
    EXPECT_NE(dropped.out.find("\"verdict\":\"faulty\""), std::string::npos) << dropped.out;
    EXPECT_NE(dropped.out.find("\"verdict\":\"not-sent\""), std::string::npos) << dropped.out;
    const std::string kept = ReadText(folder + "HayesKvd.ini");
    EXPECT_NE(kept.find("[adapter.sim-T_2D3]"), std::string::npos) << kept;
    EXPECT_NE(kept.find("markSpace=not-sent"), std::string::npos) << kept;

    describe(4, "none", "");
    const Outcome unplugged = check({"adapter-check", "--port", "Com4", "--loopback"});
    EXPECT_EQ(unplugged.status, kExitNoWiring) << unplugged.err;
    EXPECT_NE(unplugged.err.find("нет петли: перемычка TX–RX не установлена?"), std::string::npos)
        << unplugged.err;
    EXPECT_EQ(ReadText(folder + "HayesKvd.ini").find("T_2D4"), std::string::npos);

    describe(5, "loopback", "");
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const pid_t child = StartProgram(
            {folder + "hayeskvd-cli", "adapter-check", "--port", "Com5", "--loopback"}, dir);
        ASSERT_GE(child, 0);
        // The loopback's blocks take a few seconds on the real clock.
        std::this_thread::sleep_for(std::chrono::milliseconds(800));
        ::kill(child, signal);
        int raw = 0;
        ::waitpid(child, &raw, 0);
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 128 + signal)
            << ReadText(dir.File("err"));
    }
    EXPECT_EQ(ReadText(folder + "HayesKvd.ini").find("T_2D5"), std::string::npos);
}

// A port whose line in the program's port mapping was not understood is
// not opened, and neither is its ports/ link nor the built-in port in its
// place; a line that names no port is said on standard error, and the port
// the file maps opens as it says.
TEST_F(Cli, AMappingLineNotUnderstoodIsSaidAndItsPortNotOpened) {
    const std::string folder = PortableProgram();
    const auto read = [&](const char* port) {
        Line line(*kvard);
        std::filesystem::remove(folder + "ports/com5");
        std::filesystem::create_directories(folder + "ports");
        std::filesystem::create_symlink(line.Path(), folder + "ports/com5");
        std::ofstream(folder + "ports.conf")
            << "Com5 /dev/ttyUSB0\nCom7=" + line.Path() + "\nCmo6=/dev/ttyUSB6\n";
        return Run(With({"read", "--port", port, "--kit", "0"}, kAt5), "", "",
                   folder + "hayeskvd-cli");
    };
    const Outcome unclear = read("Com5");
    EXPECT_EQ(unclear.status, kExitPortNotOpened) << unclear.err;
    EXPECT_NE(unclear.err.find("Порт Com5 не открыт: в файле " + folder +
                               "ports.conf не понята строка 1 «Com5 /dev/ttyUSB0» (нет знака «=» "
                               "между именем порта и устройством)"),
              std::string::npos)
        << unclear.err;
    EXPECT_TRUE(kvard->Requests().empty());

    const Outcome mapped = read("Com7");
    EXPECT_EQ(mapped.status, kExitOk) << mapped.err;
    EXPECT_EQ(mapped.out, "ATZ\r\nATS0=2\r\n\r\nAT&F\r\n\r\n");
    EXPECT_EQ(mapped.err.rfind("hayeskvd-cli: в файле " + folder +
                                   "ports.conf не понята строка 3 «Cmo6=/dev/ttyUSB6» (слева от "
                                   "«=» должно стоять имя порта от Com1 до Com18): строка "
                                   "пропущена, исправьте её\n",
                               0),
              0u)
        << mapped.err;
}

// A write-protected settings file beside a program whose folder is its own
// is a write-protected settings file: the folder stays the program's, with
// the port mapping beside it; --save-settings, which could not store the
// settings, is refused before anything is sent.
TEST_F(Cli, AWriteProtectedSettingsFileKeepsTheMappingBesideTheProgram) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files; the unprivileged run checks";
    const std::string folder = PortableProgram();
    test::TempDir::WriteAll(folder + "HmK.Cfg", std::vector<unsigned char>(8, 0));
    std::filesystem::permissions(folder + "HmK.Cfg", std::filesystem::perms::owner_read |
                                                         std::filesystem::perms::group_read |
                                                         std::filesystem::perms::others_read);
    const auto read = [&](std::vector<std::string> more) {
        Line line(*kvard);
        std::ofstream(folder + "ports.conf") << "Com7=" + line.Path() + "\n";
        return Run(With(With({"read", "--port", "Com7", "--kit", "0"}, kAt5), more), "", "",
                   folder + "hayeskvd-cli");
    };
    const Outcome o = read({});
    EXPECT_EQ(o.status, kExitOk) << o.err;
    EXPECT_EQ(o.out, "ATZ\r\nATS0=2\r\n\r\nAT&F\r\n\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("home")));

    const std::size_t before = kvard->Requests().size();
    const Outcome saving = read({"--save-settings"});
    EXPECT_EQ(saving.status, kExitSettingsNotSaved);
    EXPECT_EQ(saving.err, "hayeskvd-cli: файл настроек «" + folder +
                              "HmK.Cfg» не записывается: " + std::strerror(EACCES) +
                              ". Снимите с него защиту от записи или запустите без "
                              "--save-settings\n");
    EXPECT_EQ(kvard->Requests().size(), before);
    EXPECT_EQ(test::TempDir::ReadAll(folder + "HmK.Cfg"), std::vector<unsigned char>(8, 0));
}

// After "--" every word is a list file, one whose name begins with "--" too.
TEST_F(Cli, AfterTwoDashesEveryWordIsAFile) {
    sim::HayesModem modem;
    List("--x.n2", "ATS0=3\r\n");
    Outcome written;
    {
        Line line(modem);
        written = Run({"modem-write", "--port", "PORT", "--speed", "9600", "--", "--x.n2"},
                      line.Path(), dir.Dir());
    }
    EXPECT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out.rfind("Строка 1 (ATS0=3): OK\n", 0), 0u) << written.out;
    EXPECT_EQ(modem.Register(0), 3);
}

TEST_F(Cli, ScanListsEveryControllerOnTheLineAsItIsFound) {
    sim::MultiDropLine pair;
    for (int number : {4, 6}) {
        sim::KvardOptions o;
        o.netNumber = static_cast<std::uint8_t>(number);
        o.kit = number == 4 ? sim::KvardKit::Basic : sim::KvardKit::Minimal;
        o.evenParityReadsAsNone = true;
        pair.Add(o);
    }
    pair.At(1).SetKeyMissing(-1);
    Outcome found, none, unsaved;
    const std::string nowhere = dir.File("no-such-folder/net.csv");
    {
        Line line(pair);
        found = Run({"scan", "--port", "PORT", "--numbers", "4-6", "--speed", "9600", "--csv",
                     dir.File("net.csv")},
                    line.Path());
        unsaved =
            Run({"scan", "--port", "PORT", "--numbers", "4-4", "--speed", "9600", "--csv", nowhere},
                line.Path());
        none =
            Run({"scan", "--port", "PORT", "--numbers", "10-10", "--speed", "9600"}, line.Path());
    }
    EXPECT_EQ(found.status, kExitOk) << found.err;
    EXPECT_EQ(found.out,
              "Номер 4, 9600 бод, Базовый комплект КВАРД 40, работает, ключ установлен\n"
              "Номер 6, 9600 бод, Минимальный комплект КВАРД 40, работает, ключ не установлен\n");
    EXPECT_EQ(ReadText(dir.File("net.csv")),
              "Номер,Скорость,Комплект,Состояние\r\n"
              "4,9600,Базовый комплект КВАРД 40,\"работает, ключ установлен\"\r\n"
              "6,9600,Минимальный комплект КВАРД 40,\"работает, ключ не установлен\"\r\n");
    // A table that cannot be saved is said so; what was found has been printed.
    EXPECT_EQ(unsaved.status, kExitFailed);
    EXPECT_NE(unsaved.err.find("таблица не сохранена в файл «" + nowhere + "»"), std::string::npos)
        << unsaved.err;
    EXPECT_EQ(unsaved.out.rfind("Номер 4, 9600 бод", 0), 0u) << unsaved.out;
    EXPECT_EQ(none.status, kExitNoController);
    EXPECT_NE(none.err.find("ни один КВАРД не ответил"), std::string::npos) << none.err;
}

TEST_F(Cli, ModemWriteReportsEveryLineAndModemViewItsSettings) {
    sim::HayesModem modem;
    const std::string good = List("good.n2", "AT&F\r\n; comment\r\nATS0=3\r\n");
    const std::string bad = List("bad.n2", "ATZ\r\nATX9\r\nATE1\r\n");
    Outcome written, refused, view;
    {
        Line line(modem);
        written = Run({"modem-write", "--port", "PORT", "--speed", "9600", good}, line.Path());
        refused =
            Run({"modem-write", "--port", "PORT", "--speed", "9600", "--json", bad}, line.Path());
        view = Run({"modem-view", "--port", "PORT", "--speed", "9600"}, line.Path());
    }
    EXPECT_EQ(written.status, kExitOk) << written.err;
    EXPECT_EQ(written.out,
              "Строка 1 (AT&F): OK\nСтрока 2 (ATS0=3): OK\nЗаписано 2 строки, ошибок 0\n");
    EXPECT_EQ(refused.status, kExitModemRefused) << refused.err;
    EXPECT_NE(refused.out.find(
                  "{\"number\":2,\"text\":\"ATX9\",\"verdict\":\"error\",\"code\":\"ERROR\"}"),
              std::string::npos)
        << refused.out;
    EXPECT_NE(refused.out.find("\"summary\":\"Записано 3 строки, ошибок 1: строка 2 ATX9\""),
              std::string::npos)
        << refused.out;
    EXPECT_EQ(view.status, kExitOk) << view.err;
    EXPECT_NE(view.out.find("E1 Q0 V1 X4"), std::string::npos) << view.out;
    EXPECT_TRUE(view.out.ends_with("OK\n")) << view.out;
}

TEST_F(Cli, ASilentModemFailsTheRunAfterItsTimeLimit) {
    struct Silent : sim::SimPeer {
        void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
    } silent;
    const std::string list = List("one.n2", "ATZ\r\n");
    Line line(silent);
    const Outcome o = Run(
        {"modem-write", "--port", "PORT", "--speed", "9600", "--silence", "1", list}, line.Path());
    EXPECT_EQ(o.status, kExitModemSilent);
    EXPECT_NE(o.err.find("Модем не отвечает на строку 1 (ATZ) за 1 с"), std::string::npos) << o.err;
}

// A modem answering in digits (its stored profile says V0) has every line
// answered; a modem that answers every line with a word that is no code
// fails them all.
TEST_F(Cli, DigitAnswersAreAnswersAndAnswersWithoutACodeAreFailures) {
    sim::HayesModem digits;
    ASSERT_TRUE(digits.Store("V0"));
    struct Booking : sim::SimPeer {
        void OnByte(std::uint8_t byte, const LineParams&, sim::PeerOutput& out) override {
            const std::string answer = "\r\nBOOKING\r\n";
            if (byte == 0x0D) out.Send({answer.begin(), answer.end()}, 10, 1);
        }
    } booking;
    const std::string list = List("two.n2", "ATS0=3\r\nATS7=45\r\n");
    const std::string three = List("three.n2", "ATS0=3\r\nATS7=45\r\nAT&W\r\n");
    const std::vector<std::string> at = {"modem-write", "--port", "PORT", "--speed", "9600"};
    Outcome v0, refused, booked;
    {
        Line line(digits);
        v0 = Run(With(at, {list}), line.Path());
        refused = Run(With(at, {List("v0x9.n2", "ATV0\r\nATX9\r\nATS0=1\r\n")}), line.Path());
    }
    {
        Line line(booking);
        booked = Run(With(at, {"--json", three}), line.Path());
    }
    EXPECT_EQ(v0.status, kExitOk) << v0.err;
    EXPECT_EQ(v0.out, "Строка 1 (ATS0=3): 0\nСтрока 2 (ATS7=45): 0\nЗаписано 2 строки, ошибок 0\n");
    EXPECT_EQ(digits.Register(7), 45);
    EXPECT_EQ(refused.status, kExitModemRefused) << refused.err;
    EXPECT_TRUE(refused.out.ends_with("Записано 3 строки, ошибок 1: строка 2 ATX9\n"))
        << refused.out;

    EXPECT_EQ(booked.status, kExitModemRefused) << booked.err;
    EXPECT_NE(booked.out.find(
                  "{\"number\":1,\"text\":\"ATS0=3\",\"verdict\":\"none\",\"code\":\"\"}"),
              std::string::npos)
        << booked.out;
    EXPECT_NE(booked.out.find("\"summary\":\"Записано 3 строки, ошибок 3: строка 1 ATS0=3 (нет "
                              "кода результата)\""),
              std::string::npos)
        << booked.out;
}

// A line that sends random bytes every 50 ms (no modem), or a modem that
// only rings: the check ends in bounded time, and any signal ends it at its
// next step with the signal's status.
TEST_F(Cli, ANoisyLineEndsTheCheckAndEverySignalStopsIt) {
    sim::HayesModem noise;
    noise.SetSilent(true);
    noise.Noise(50, 5);
    const std::string list = List("check.n2", "ATS0=2S7=60\r\nAT&W\r\n");
    const std::vector<std::string> at = {"--port", "PORT", "--speed", "9600"};
    Line line(noise);
    // Each run is ended at 120 s (status 124) if it does not end by itself.
    const Outcome verify = Run(With(With({"modem-verify"}, at), {list}), line.Path());
    EXPECT_EQ(verify.status, kExitModemSilent) << verify.err;
    EXPECT_NE(verify.out.find("Модем не ответил на ATS0?: проверка прервана"), std::string::npos)
        << verify.out;
    // The settings view listens for the quiet time and the noise's own
    // time on the line, then ends.
    const Outcome view = Run({"modem-view", "--port", "PORT", "--speed", "9600"}, line.Path());
    EXPECT_NE(view.status, 124) << "the view ended by itself";

    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        for (const char* command : {"modem-verify", "modem-write"}) {
            SCOPED_TRACE(std::string(command) + " " + std::to_string(signal));
            const char* bin = std::getenv("HK_BIN_DIR");
            const std::string program = std::string(bin ? bin : ".") + "/hayeskvd-cli";
            std::vector<std::string> words = {program, command,  "--port", line.Path(),
                                              "--speed", "9600", "--verify", list};
            if (std::string(command) == "modem-verify") words.erase(words.begin() + 6);
            const pid_t child = StartProgram(words, dir);
            ASSERT_GE(child, 0);
            std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            ::kill(child, signal);
            int raw = 0;
            ::waitpid(child, &raw, 0);
            EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 128 + signal)
                << ReadText(dir.File("err"));
        }
    }
}

// A signal while modem-write --verify checks the modem (its question goes
// unanswered) ends the program with the signal's status.
TEST_F(Cli, ASignalDuringTheCheckAfterTheRunEndsIt) {
    struct NoQuestions : sim::SimPeer {
        void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
            line += static_cast<char>(byte);
            if (line.find('?') == std::string::npos) modem.OnByte(byte, params, out);
            if (byte == 0x0D) line.clear();
        }
        sim::HayesModem modem;
        std::string line;
    } peer;
    const std::string list = List("q.n2", "ATS0=2\r\n");
    const std::string log = dir.File("q.log");
    Line line(peer);
    const char* bin = std::getenv("HK_BIN_DIR");
    const std::string program = std::string(bin ? bin : ".") + "/hayeskvd-cli";
    std::vector<std::string> words = {program, "modem-write", "--port", line.Path(), "--speed",
                                      "9600",  "--verify",    "--log",  log,         list};
    const pid_t child = StartProgram(words, dir);
    ASSERT_GE(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadText(log).find("Модему: ATS0?") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(child, SIGTERM);
    int raw = 0;
    ::waitpid(child, &raw, 0);
    EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 143) << ReadText(dir.File("err"));
    EXPECT_NE(ReadText(dir.File("err")).find("SIGTERM: запись в модем закончена"),
              std::string::npos)
        << ReadText(dir.File("err"));
}

TEST_F(Cli, AModemThatOnlyRingsFailsTheRunAndTheCheckInBoundedTime) {
    sim::HayesModem ringing;
    ringing.Store("Q0");
    struct OnlyRings : sim::SimPeer {
        explicit OnlyRings(sim::HayesModem& m) : modem(m) {}
        void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
        void Tick(std::int64_t until, sim::PeerOutput& out) override { modem.Tick(until, out); }
        sim::HayesModem& modem;
    } only(ringing);
    ringing.Ring(500);
    const std::string list = List("ring.n2", "ATS0=2\r\nAT&W\r\n");
    Line line(only);
    const Outcome o = Run({"modem-write", "--port", "PORT", "--speed", "9600", "--verify", list},
                          line.Path());
    EXPECT_NE(o.status, kExitOk);
    EXPECT_TRUE(o.status == kExitModemRefused || o.status == kExitModemSilent) << o.status;
    EXPECT_EQ(o.out.find(": OK"), std::string::npos) << o.out;
}

TEST_F(Cli, TheModemIsCheckedAgainstTheListAfterTheRunOrOnItsOwn) {
    sim::HayesModem keepsS7;
    ASSERT_TRUE(keepsS7.KeepFixed("S7", 50));
    sim::HayesModem normal;
    const std::string list = List("s7.n2", "ATS0=2S7=60\r\nAT&W\r\n");
    const std::string quiet = List("quiet.n2", "ATS0=2Q1\r\n");
    const std::vector<std::string> at = {"--port", "PORT", "--speed", "9600"};
    Outcome differs, json, same, nothing;
    {
        Line line(keepsS7);
        differs = Run(With(With({"modem-write"}, at), {"--verify", list}), line.Path());
        json = Run(With(With({"modem-verify"}, at), {"--json", list}), line.Path());
    }
    {
        Line line(normal);
        same = Run(With(With({"modem-write"}, at), {"--verify", list}), line.Path());
        nothing = Run(With(With({"modem-verify"}, at), {quiet}), line.Path());
    }
    EXPECT_EQ(differs.status, 13) << differs.err;
    EXPECT_EQ(differs.status, kExitModemDiffers);
    EXPECT_NE(differs.out.find("Записано 2 строки, ошибок 0\n"
                               "S0: в списке 2, в модеме 2 — совпадает\n"
                               "S7: в списке 60, в модеме 50 — отличается\n"),
              std::string::npos)
        << differs.out;
    EXPECT_TRUE(
        differs.out.ends_with("S7 в профиле 0: в списке 60, в модеме 50 — отличается\n"
                              "Модем хранит 2 настройки не так, как в списке\n"))
        << differs.out;
    EXPECT_NE(differs.err.find("hayeskvd-cli: Модем хранит 2 настройки не так, как в списке"),
              std::string::npos);

    EXPECT_EQ(json.status, kExitModemDiffers) << json.err;
    EXPECT_NE(json.out.find("{\"setting\":\"S7\",\"profile\":null,\"list\":60,\"modem\":50,"
                            "\"verdict\":\"differs\",\"line\":1}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("{\"setting\":\"S0\",\"profile\":0,\"list\":2,\"modem\":2,"
                            "\"verdict\":\"same\",\"line\":1}"),
              std::string::npos)
        << json.out;
    EXPECT_NE(json.out.find("\"summary\":\"Модем хранит 2 настройки не так, как в списке\""),
              std::string::npos);

    EXPECT_EQ(same.status, kExitOk) << same.err;
    EXPECT_TRUE(same.out.ends_with("Все 4 проверенные настройки совпадают\n")) << same.out;
    // Q1 in the list: nothing can be read back, which is no success.
    EXPECT_EQ(nothing.status, kExitFailed);
    EXPECT_NE(nothing.out.find("В списке задан Q1"), std::string::npos) << nothing.out;
}

TEST_F(Cli, HelpAndVersion) {
    const Outcome help = Run({"write", "--help"}, "");
    EXPECT_EQ(help.status, kExitOk);
    EXPECT_NE(help.out.find("hayeskvd-cli write --port P --kit K"), std::string::npos);
    EXPECT_NE(help.out.find("Коды завершения"), std::string::npos);
    const Outcome verify = Run({"modem-verify", "--help"}, "");
    EXPECT_NE(verify.out.find("hayeskvd-cli modem-verify --port P --speed BAUD FILE"),
              std::string::npos);
    EXPECT_NE(verify.out.find("13 модем хранит настройку не так, как в списке"), std::string::npos);
    EXPECT_EQ(Run({"--version"}, "").status, kExitOk);
}

TEST_F(Cli, AFailureReadsWholeOnATerminal) {
    // The open failure's text breaks its lines for a message box; on a
    // terminal every line must stay, none written over the one before.
    const Outcome o = Run({"read", "--port", dir.File("no-such-port"), "--kit", "0"}, "");
    EXPECT_EQ(o.status, kExitPortNotOpened);
    EXPECT_EQ(o.err.find('\r'), std::string::npos) << o.err;
    EXPECT_EQ(o.err.rfind(std::string("hayeskvd-cli: ") + kOpenPortErrorText, 0), 0u) << o.err;
    EXPECT_GE(std::count(o.err.begin(), o.err.end(), '\n'), 2) << o.err;
}

TEST(CliConsole, ACharacterCutOffAtTheEndWaitsForItsRest) {
    const std::pair<std::string, std::size_t> rows[] = {
        {"", 0},
        {"ab", 2},
        {"\xD0\x9F", 2},          // П
        {"a\xD0", 1},             // the first byte of П
        {"\xE2\x82\xAC", 3},      // €
        {"\xD0\x9F\xE2\x82", 2},  // П and two bytes of €
        {"a\xF0\x9F\x98", 1},     // three bytes of a four-byte character
        {"\xF0\x9F\x98\x80", 4},
        {"\x80\x80", 2},      // no lead byte: shown at once, replaced
        {"\xD0\x9F\x9F", 3},  // one continuation byte too many
        {"\xFF", 1},
    };
    for (const auto& [bytes, whole] : rows) EXPECT_EQ(WholeUtf8Length(bytes), whole) << bytes;
}

TEST(CliSettings, TheWindowsSettingsFileIsWrittenOnlyWhenAsked) {
    test::TempDir dir;
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    sim::KvardOptions o;
    o.netNumber = 5;
    sim::KvardController kvard(o);
    line.Attach(&kvard);
    const std::string file = dir.File("HmK.Cfg");
    for (const char* extra : {"--quiet", "--save-settings"}) {
        const ParseResult p =
            ParseArguments({"search", "--port", "Com2", "--number", "5", "--speed", "9600", extra});
        ASSERT_TRUE(p.error.empty()) << p.error;
        std::ostringstream out, err;
        CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false);
        EXPECT_EQ(session.Run(), kExitOk) << err.str();
        const bool asked = std::string(extra) == "--save-settings";
        EXPECT_EQ(std::filesystem::exists(file), asked) << extra;
    }
    // Com2, RS-232, 9600 baud, number 5, МЦП, traditional, no CRC, the kit found.
    EXPECT_EQ(test::TempDir::ReadAll(file), (std::vector<unsigned char>{1, 0, 5, 5, 0, 0, 0, 0}));
}

TEST(CliArguments, EveryOptionReadsAsTheWindowWouldChooseIt) {
    const ParseResult r = ParseArguments(
        {"write",  "--port",    "Com3",       "--protocol", "ft12",       "--crc",    "2",
         "--link", "irps",      "--channel",  "mpi",        "--number",   "0x0A",     "--speed",
         "19200",  "--kit",     "3",          "--in1",      "a",          "--clear2", "--password",
         "12ab",   "--restart", "--wait-key", "30",         "--no-verify"});
    ASSERT_TRUE(r.error.empty()) << r.error;
    const CliArguments& a = r.arguments;
    EXPECT_EQ(a.protocol, 1);
    EXPECT_EQ(a.crcMode, 2);
    EXPECT_TRUE(a.currentLoop);
    EXPECT_EQ(a.channel, 1);
    EXPECT_EQ(a.number, 10);
    EXPECT_EQ(a.speedIndex, 6);
    EXPECT_EQ(a.kit, 3);
    EXPECT_TRUE(a.clear[1]);
    EXPECT_EQ(a.password, "12ab");
    EXPECT_TRUE(a.restart);
    EXPECT_EQ(a.waitKeySeconds, 30);
    EXPECT_TRUE(a.backup);
    EXPECT_FALSE(a.verify);
    for (const auto& bad : std::vector<std::vector<std::string>>{
             {"search", "--port", "Com1", "--number", "128"},
             {"search", "--port", "Com1", "--crc", "1"},
             {"write", "--port", "Com1", "--kit", "1", "--in1", "a", "--in2", "b"},
             {"write", "--port", "Com1", "--kit", "0", "--in1", "a", "--clear1", "--clear2"},
             {"search", "--port", "Com1", "--password", "12345"},
             {"modem-write", "--port", "Com1", "--speed", "9600"},
             {"modem-verify", "--port", "Com1", "--speed", "9600"},
             {"search", "--port", "Com1", "--verify"},
             {"modem-verify", "--port", "Com1", "--speed", "9600", "--verify", "a.n2"}})
        EXPECT_FALSE(ParseArguments(bad).error.empty()) << bad.back();
    const ParseResult write =
        ParseArguments({"modem-write", "--port", "Com2", "--speed", "9600", "--verify", "a.n2"});
    ASSERT_TRUE(write.error.empty()) << write.error;
    EXPECT_TRUE(write.arguments.checkModem);
    EXPECT_EQ(write.arguments.listFile, "a.n2");
    EXPECT_FALSE(ParseArguments({"modem-write", "--port", "Com2", "--speed", "9600", "a.n2"})
                     .arguments.checkModem);
}

// A signal taken by a write at its next checkpoint, on the virtual clock:
// once the copy into the reprogramming buffer has been accepted the write
// still ends with the cancel and the end of exchange, and the exit status
// and the message say what it did to the controller.
TEST(CliInterruption, AWriteStoppedAfterTheCopyInIsCancelledAndReleased) {
    const struct {
        int signal;
        bool restart;
        int status;
        const char* message;
    } rows[] = {
        {2, false, 130,
         "hayeskvd-cli: SIGINT: запись прервана: отменено копирование, буферы КВАРД прежние, "
         "КВАРД остановлен (--restart перезапускает его после прерванной записи)\n"},
        {15, false, 143,
         "hayeskvd-cli: SIGTERM: запись прервана: отменено копирование, буферы КВАРД прежние, "
         "КВАРД остановлен (--restart перезапускает его после прерванной записи)\n"},
        {1, true, 129,
         "hayeskvd-cli: SIGHUP: запись прервана: отменено копирование, буферы КВАРД прежние, "
         "КВАРД перезапущен\n"},
    };
    for (const auto& r : rows) {
        test::TempDir dir;
        VirtualClock clock(1000);
        sim::SimLine line(clock);
        sim::KvardOptions o;
        o.netNumber = 5;
        sim::KvardController kvard(o);
        kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
        line.Attach(&kvard);
        const std::string list = dir.File("new.n3");
        std::ofstream(list, std::ios::binary) << "AT&F\r\nATS0=4\r\n";
        std::vector<std::string> words = {"write",       "--port",      "Com1",   "--kit",
                                          "0",           "--number",    "5",      "--speed",
                                          "9600",        "--in1",       list,     "--clear2",
                                          "--no-backup", "--no-verify", "--quiet"};
        if (r.restart) words.push_back("--restart");
        const ParseResult p = ParseArguments(words);
        ASSERT_TRUE(p.error.empty()) << p.error;
        std::ostringstream out, err;
        CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false,
                           [&] { return test::CopyInAccepted(kvard) ? r.signal : 0; });
        EXPECT_EQ(session.Run(), r.status) << r.signal;
        EXPECT_EQ(err.str(), r.message);
        // The cancel is confirmed by the status (read though a stop was asked).
        std::vector<std::string> after = {"0D A1", "0D A0", "01 40 00"};
        if (r.restart) after.push_back("08");
        after.push_back("0B");
        EXPECT_EQ(test::RequestsFromCopyIn(kvard), after) << r.signal;  // one cancel, no copy-out
        const auto kept = kvard.Buffer(0);
        EXPECT_EQ(std::string(kept.begin(), kept.begin() + 4), "ATZ\r");  // unchanged
    }
}

TEST(CliInterruption, AStopBeforeTheWriteBeganLeavesTheControllerAsItWas) {
    test::TempDir dir;
    VirtualClock clock(1000);
    sim::SimLine line(clock);
    sim::KvardOptions o;
    o.netNumber = 5;
    sim::KvardController kvard(o);
    line.Attach(&kvard);
    const ParseResult p =
        ParseArguments({"write", "--port", "Com1", "--kit", "0", "--number", "5", "--speed", "9600",
                        "--clear1", "--clear2", "--quiet", "--json"});
    ASSERT_TRUE(p.error.empty()) << p.error;
    std::ostringstream out, err;
    CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false,
                       [] { return 2; });
    EXPECT_EQ(session.Run(), 130);
    EXPECT_EQ(kvard.CountRequests(0x09), 0);  // no STOP
    EXPECT_EQ(kvard.CountRequests(0x0D), 0);  // no reprogramming at all
    EXPECT_EQ(out.str(),
              "{\"result\":\"interrupted\",\"signal\":\"SIGINT\",\"status\":130,\"message\":"
              "\"запись прервана до её начала: КВАРД не изменён\"}\n");
}

// A signal taken once the write has begun but before it sent STOP (while
// it reads its backup, or right after the status read that starts it): the
// controller was never stopped, so --restart restarts nothing, and the
// message says the controller is as it was.
TEST(CliInterruption, AWriteStoppedBeforeItsStopRestartsNothing) {
    const struct {
        const char* name;
        std::vector<std::string> more;
        std::vector<std::uint8_t> heard;  // the signal comes once this request is heard
    } rows[] = {
        {"during the backup", {}, {0x02, 0xBF, 0x80, 0x80}},
        {"after the status read that starts it", {"--no-backup"}, {0x01, 0x40, 0x00}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        test::TempDir dir;
        VirtualClock clock(1000);
        sim::SimLine line(clock);
        sim::KvardOptions o;
        o.netNumber = 5;
        sim::KvardController kvard(o);
        line.Attach(&kvard);
        std::vector<std::string> words = {"write",   "--port",       "Com1",     "--kit",
                                          "0",       "--number",     "5",        "--speed",
                                          "9600",    "--clear1",     "--clear2", "--restart",
                                          "--quiet", "--backup-dir", dir.Dir()};
        words.insert(words.end(), r.more.begin(), r.more.end());
        const ParseResult p = ParseArguments(words);
        ASSERT_TRUE(p.error.empty()) << p.error;
        std::ostringstream out, err;
        CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false, [&] {
            for (const sim::KvardRequest& q : kvard.Requests())
                if (q.bytes == r.heard) return 2;
            return 0;
        });
        EXPECT_EQ(session.Run(), 130);
        EXPECT_EQ(kvard.CountRequests(0x09), 0);  // no STOP
        EXPECT_EQ(kvard.CountRequests(0x0D), 0);  // no reprogramming
        EXPECT_EQ(kvard.CountRequests(0x08), 0);  // no restart
        EXPECT_EQ(kvard.Requests().back().bytes, std::vector<std::uint8_t>{0x0B});
        EXPECT_EQ(err.str(),
                  "hayeskvd-cli: SIGINT: запись прервана до команды STOP: КВАРД не "
                  "изменён\n");
    }
}

// The same with the program itself and a real Ctrl+C: the backup read of
// the second buffer answered 700 ms late, the signal while it is awaited.
TEST_F(Cli, CtrlCBeforeTheStopRestartsNothing) {
    // Tells the test thread, through an atomic, when the late read is heard.
    struct Watched : sim::SimPeer {
        explicit Watched(sim::KvardController& k) : kvard(k) {}
        void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
            kvard.OnByte(byte, params, out);
            for (const sim::KvardRequest& q : kvard.Requests())
                if (q.bytes == std::vector<std::uint8_t>{0x02, 0xBF, 0x80, 0x80}) heard = true;
        }
        void OnControlLines(bool dtr, bool rts, sim::PeerOutput& out) override {
            kvard.OnControlLines(dtr, rts, out);
        }
        sim::KvardController& kvard;
        std::atomic<bool> heard{false};
    };
    kvard->SetLateAnswerMs(700);
    kvard->InjectFor({0x02, 0xBF, 0x80}, sim::KvardFault::LateAnswer);
    Watched watched(*kvard);
    int status = -1;
    {
        Line line(watched);
        const char* bin = std::getenv("HK_BIN_DIR");
        const std::string program = std::string(bin ? bin : ".") + "/hayeskvd-cli";
        const pid_t child =
            StartProgram({program, "write", "--port", line.Path(), "--kit", "0", "--number", "5",
                          "--speed", "9600", "--clear1", "--clear2", "--restart", "--backup-dir",
                          dir.Dir(), "--log", dir.File("cli.log")},
                         dir);
        ASSERT_GE(child, 0);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
        while (!watched.heard && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ::kill(child, SIGINT);
        int raw = 0;
        ::waitpid(child, &raw, 0);
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    const std::string err = ReadText(dir.File("err"));
    EXPECT_EQ(status, 130) << err;
    EXPECT_EQ(kvard->CountRequests(0x09), 0);  // no STOP
    EXPECT_EQ(kvard->CountRequests(0x0D), 0);  // no reprogramming
    EXPECT_EQ(kvard->CountRequests(0x08), 0);  // no restart
    EXPECT_EQ(kvard->Requests().back().bytes, std::vector<std::uint8_t>{0x0B});
    EXPECT_NE(err.find("SIGINT: запись прервана до команды STOP: КВАРД не изменён"),
              std::string::npos)
        << err;
}

// The program itself, a real signal: Ctrl+C 0.2 s after the controller
// accepted the copy-in, and once more during the clean-up, which goes on.
TEST_F(Cli, CtrlCDuringAWriteCancelsItAndASecondOneDoesNotCutTheCleanUpShort) {
    const std::string list = List("new.n3", "AT&F\r\nATS0=4\r\n");
    for (int signals : {1, 2}) {
        SCOPED_TRACE(signals);
        kvard = std::make_unique<sim::KvardController>([] {
            sim::KvardOptions o;
            o.netNumber = 5;
            o.evenParityReadsAsNone = true;
            return o;
        }());
        kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ"}));
        const std::string log = dir.File("signal" + std::to_string(signals) + ".log");
        int status = -1;
        {
            Line line(*kvard);
            const char* bin = std::getenv("HK_BIN_DIR");
            const std::string program = std::string(bin ? bin : ".") + "/hayeskvd-cli";
            std::vector<std::string> words = {
                program,    "write",       "--port",      line.Path(), "--kit", "0",
                "--number", "5",           "--speed",     "9600",      "--in1", list,
                "--clear2", "--no-backup", "--no-verify", "--log",     log};
            const pid_t child = StartProgram(words, dir);
            ASSERT_GE(child, 0);
            // The log names each request as it is answered.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (ReadText(log).find("Копирование РПЗУ в буфер:") == std::string::npos &&
                   std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            for (int i = 0; i < signals; ++i) {
                // Apart, or the system takes two as one.
                if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
                ::kill(child, SIGINT);
            }
            int raw = 0;
            ::waitpid(child, &raw, 0);
            status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        }
        EXPECT_EQ(status, 130);
        EXPECT_EQ(test::RequestsFromCopyIn(*kvard),
                  (std::vector<std::string>{"0D A1", "0D A0", "01 40 00", "0B"}));
        const std::string err = ReadText(dir.File("err"));
        EXPECT_NE(err.find("SIGINT: запись прервана: отменено копирование"), std::string::npos)
            << err;
        if (signals == 2) {
            EXPECT_NE(err.find("дождитесь конца очистки"), std::string::npos) << err;
        }
    }
}

}  // namespace
}  // namespace hk
