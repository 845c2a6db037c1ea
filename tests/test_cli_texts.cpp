// What scripts read from hayeskvd-cli, held to the letter: the help, the
// message and exit status of every slip in the command line, and the JSON
// object of every sub-command. The expected texts are the ones the program
// has always given (the help is kept in tests/cli_texts/); a change here
// breaks the scripts that read them.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/TempDir.h"

namespace hk {
namespace {

using namespace hk::cli;

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string Quote(const std::string& word) {
    std::string q = "'";
    for (char c : word) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

struct Printed {
    int status = -1;
    std::string out, err;
};

// The program itself with `words`, as a script starts it; nothing here
// reaches a port.
Printed RunProgram(const std::vector<std::string>& words) {
    const test::TempDir dir;
    const char* bin = std::getenv("HK_BIN_DIR");
    std::string command = Quote(std::string(bin ? bin : ".") + "/hayeskvd-cli");
    for (const std::string& w : words) command += " " + Quote(w);
    command += " >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err"));
    Printed p;
    const int raw = std::system(command.c_str());
    p.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    p.out = ReadText(dir.File("out"));
    p.err = ReadText(dir.File("err"));
    return p;
}

std::vector<std::string> Words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The documented texts in the source tree, or in the copy named by
// HK_CLI_TEXTS_DIR (the unprivileged run reads them where its user can).
std::string Documented(const std::string& name) {
    const char* dir = std::getenv("HK_CLI_TEXTS_DIR");
    return ReadText(std::string(dir && *dir ? dir : HK_CLI_TEXTS_DIR) + "/" + name + ".txt");
}

TEST(CliHelp, TheHelpOfTheProgramAndOfEveryCommandIsAsDocumented) {
    const struct {
        const char* line;
        const char* text;
    } rows[] = {
        {"--help", "help"},
        {"-h", "help"},
        {"--help search", "help"},
        {"-h search", "help"},
        {"search --help", "help-search"},
        {"scan --help", "help-scan"},
        {"read --help", "help-read"},
        {"write --help", "help-write"},
        {"write --port Com1 --kit 0 -h", "help-write"},
        {"write --port Com1 -h --bogus", "help-write"},
        {"modem-write --help", "help-modem-write"},
        {"modem-view --help", "help-modem-view"},
        {"modem-verify --port Com2 list.n2 --help", "help-modem-verify"},
        {"records --help", "help-records"},
        {"record-check some.json --help", "help-record-check"},
        {"adapter-check --help", "help-adapter-check"},
    };
    for (const auto& r : rows) {
        const Printed p = RunProgram(Words(r.line));
        EXPECT_EQ(p.status, kExitOk) << r.line;
        EXPECT_EQ(p.out, Documented(r.text)) << r.line;
        EXPECT_EQ(p.err, "") << r.line;
    }
    for (const char* line : {"--version", "--version --help"}) {
        const Printed p = RunProgram(Words(line));
        EXPECT_EQ(p.status, kExitOk);
        EXPECT_EQ(p.out, "hayeskvd-cli 1.5 (программа настройки Hayes-модемов для КВАРД)\n");
    }
}

// Every slip is refused with exit status 2, its message on standard error
// after the program's name, nothing on standard output, before any port.
TEST(CliSlips, EverySlipInTheCommandLineIsSaidAsDocumented) {
    const struct {
        const char* line;
        const char* says;
    } rows[] = {
        // The command.
        {"", "не указана команда. Справка: hayeskvd-cli --help"},
        {"flash --port x",
         "неизвестная команда «flash». Команды: search, read, write, scan, modem-write, "
         "modem-view, modem-verify, records, record-check, adapter-check"},
        {"--json search",
         "неизвестная команда «--json». Команды: search, read, write, scan, modem-write, "
         "modem-view, modem-verify, records, record-check, adapter-check"},
        // adapter-check: one depth, and the second adapter on another port.
        {"adapter-check --port Com3 --loopback --peer Com4",
         "--loopback и --peer вместе не задаются"},
        {"adapter-check --port Com3 --peer com3",
         "--peer: второй адаптер подключается к другому порту, не Com3"},
        // Words and options as such.
        {"search", "не указан порт: --port Com1 (или путь к устройству)"},
        {"search --port", "после --port нужно значение"},
        {"search --port Com1 --bogus x", "неизвестный параметр --bogus"},
        {"search --port Com1 stray", "лишнее слово «stray»"},
        {"search --port Com1 -x", "лишнее слово «-x»"},
        {"search --port Com1 -hx", "лишнее слово «-hx»"},
        {"search --port Com1 --json=x", "неизвестный параметр --json=x"},
        {"search --port Com1 scan", "лишнее слово «scan»"},
        {"modem-view --port Com1 --speed 9600 extra", "лишнее слово «extra»"},
        {"modem-write --port Com1 --speed 9600 a.n2 b.n2", "лишнее слово «b.n2»"},
        {"search --port Com1 --port Com2", "параметр --port задан дважды"},
        {"search --port Com1 --number 5 --number all", "параметр --number задан дважды"},
        {"search --port Com1 --json --json", "параметр --json задан дважды"},
        {"write --port Com1 --kit 0 --in1 a --in2 b --no-backup --no-backup",
         "параметр --no-backup задан дважды"},
        {"write --port Com1 --kit 0 --in1 a --in2 b --restart --no-restart",
         "--restart и --no-restart вместе не задаются"},
        {"write --port Com1 --kit 0 --in1 a --in2 b --no-verify --verify",
         "--no-verify и --verify вместе не задаются"},
        // The first slip from the left is the one said.
        {"search --port Com1 --bogus x --port Com2", "неизвестный параметр --bogus"},
        {"search --port Com1 --port Com2 --bogus x", "параметр --port задан дважды"},
        {"search --port Com1 --crc 7 --bogus x", "--crc: 0, 1 или 2"},
        {"search --port Com1 stray --bogus x", "лишнее слово «stray»"},
        {"search stray --help", "лишнее слово «stray»"},
        {"flash --help",
         "неизвестная команда «flash». Команды: search, read, write, scan, modem-write, "
         "modem-view, modem-verify, records, record-check, adapter-check"},
        // An option the program does not have is named so, even at the end
        // of the line.
        {"search --port Com1 --bogus", "неизвестный параметр --bogus"},
        {"search --port Com1 --version", "неизвестный параметр --version"},
        // Values.
        {"search --port Com1 --protocol x", "--protocol: traditional или ft12"},
        {"search --port Com1 --protocol ft12 --crc 3", "--crc: 0, 1 или 2"},
        {"search --port Com1 --protocol ft12 --crc x", "--crc: 0, 1 или 2"},
        {"search --port Com1 --protocol ft12 --crc -1", "--crc: 0, 1 или 2"},
        {"search --port Com1 --link x", "--link: rs232 или irps"},
        {"search --port Com1 --channel x", "--channel: mcp или mpi"},
        {"search --port Com1 --number 128", "--number: от 0 до 127 (или 0x00..0x7F), либо all"},
        {"search --port Com1 --number 0x80", "--number: от 0 до 127 (или 0x00..0x7F), либо all"},
        {"search --port Com1 --number abc", "--number: от 0 до 127 (или 0x00..0x7F), либо all"},
        {"search --port Com1 --number 0x", "--number: от 0 до 127 (или 0x00..0x7F), либо all"},
        {"search --port Com1 --number +5", "--number: от 0 до 127 (или 0x00..0x7F), либо all"},
        {"scan --port Com1 --numbers 5-3", "--numbers: A-B, от 0 до 127"},
        {"scan --port Com1 --numbers x", "--numbers: A-B, от 0 до 127"},
        {"search --port Com1 --speed 1234", "--speed: скорость в бодах (300 … 115200) или all"},
        {"read --port Com1 --kit 4", "--kit: 0 базовый, 1 минимальный, 2 расширяемый, 3 КВАРД-47"},
        {"read --port Com1 --kit x", "--kit: 0 базовый, 1 минимальный, 2 расширяемый, 3 КВАРД-47"},
        {"search --port Com1 --password 12345",
         "--password: от одной до четырёх шестнадцатеричных цифр"},
        {"search --port Com1 --password xyz",
         "--password: от одной до четырёх шестнадцатеричных цифр"},
        {"write --port Com1 --kit 0 --in1 a --in2 b --wait-key 0",
         "--wait-key: секунды, от 1 до 3600"},
        {"search --port Com1 --wait-key 1x", "--wait-key: секунды, от 1 до 3600"},
        {"modem-write --port Com1 --speed 9600 --silence 4000 a.n2",
         "--silence: секунды, от 1 до 3600"},
        {"search --port Com1 --verify",
         "--verify задаётся для write и modem-write (modem-verify проверяет модем сам)"},
        {"modem-verify --port Com1 --speed 9600 --verify a.n2",
         "--verify задаётся для write и modem-write (modem-verify проверяет модем сам)"},
        // Options that do not go together, or are missing.
        {"search --port Com1 --speed 38400",
         "--speed: КВАРД обменивается на скоростях от 300 до 19200 бод"},
        {"search --port Com1 --crc 1", "--crc задаётся только вместе с --protocol ft12"},
        {"read --port Com1", "укажите комплект КВАРД: --kit 0..3"},
        {"read --port Com1 --kit 0 --out1 a.n3 --out2 ./a.n3",
         "--out1 и --out2 называют один файл «./a.n3»: второй буфер записался бы поверх "
         "первого. Укажите два файла"},
        {"write --port Com1 --kit 0 --in1 a --clear1 --clear2",
         "--in1 и --clear1 вместе не задаются"},
        {"write --port Com1 --kit 1 --in1 a --in2 b",
         "у комплекта 1 один буфер: --in2/--clear2 не нужны"},
        {"write --port Com1 --kit 0 --in1 a", "для буфера 2 укажите --in2 ФАЙЛ или --clear2"},
        {"modem-write --port Com1", "для модема укажите --speed, например --speed 9600"},
        {"modem-write --port Com1 --speed 9600", "не указан файл списка строк для модема"},
        // An option joined to an empty value takes no other word for it.
        {"read --port Com1 --kit 0 --out1= --json --out2 b", "после --out1= нужно значение"},
        {"search --port Com1 --json=", "неизвестный параметр --json="},
        {"search --port Com1 --bogus x --out1=", "неизвестный параметр --bogus"},
        // A file for a buffer the kit does not have.
        {"read --port Com1 --kit 2 --out2 b",
         "у комплекта 2 один буфер: --out2 не нужен (буфер записывается в файл --out1)"},
        // After "--" every word is a file.
        {"read --port Com1 --kit 0 -- --json", "лишнее слово «--json»"},
        {"modem-write --port Com1 --speed 9600 -- --x.n2 b.n2", "лишнее слово «b.n2»"},
    };
    for (const auto& r : rows) {
        const Printed p = RunProgram(Words(r.line));
        EXPECT_EQ(p.status, kExitBadArguments) << r.line;
        EXPECT_EQ(p.err, std::string("hayeskvd-cli: ") + r.says + "\n") << r.line;
        EXPECT_EQ(p.out, "") << r.line;
        EXPECT_EQ(ParseArguments(Words(r.line)).error, r.says) << r.line;
    }
}

// The words of a sound line, as the sub-commands take them.
TEST(CliSlips, ValuesAreTakenAsWrittenWhereverTheyStand) {
    // A value that looks like an option is the option's value all the same.
    const ParseResult dashed = ParseArguments({"search", "--port", "--json"});
    ASSERT_EQ(dashed.error, "");
    EXPECT_EQ(dashed.arguments.port, "--json");
    EXPECT_FALSE(dashed.arguments.json);
    // The list file stands anywhere among the options.
    const ParseResult list =
        ParseArguments({"modem-verify", "list.n2", "--port", "Com2", "--speed", "9600"});
    ASSERT_EQ(list.error, "");
    EXPECT_EQ(list.arguments.listFile, "list.n2");
    EXPECT_EQ(list.arguments.speedIndex, SpeedIndexOf("9600"));
    // CLI11's --option=value reads as the two words.
    const ParseResult joined = ParseArguments({"search", "--port=Com1", "--speed=9600"});
    ASSERT_EQ(joined.error, "");
    EXPECT_EQ(joined.arguments.port, "Com1");
    EXPECT_EQ(joined.arguments.speedIndex, SpeedIndexOf("9600"));
    // "all" takes back nothing: it is the default, said out loud.
    const ParseResult all =
        ParseArguments({"search", "--port", "Com1", "--number", "all", "--speed", "all"});
    ASSERT_EQ(all.error, "");
    EXPECT_FALSE(all.arguments.number);
    EXPECT_FALSE(all.arguments.speedIndex);
    // After "--" a word is the list file, whatever it reads; an empty word
    // is no value.
    const ParseResult file =
        ParseArguments({"modem-verify", "--port", "Com2", "--speed", "9600", "--", "--help"});
    ASSERT_EQ(file.error, "");
    EXPECT_FALSE(file.arguments.help);
    EXPECT_EQ(file.arguments.listFile, "--help");
    EXPECT_EQ(ParseArguments({"search", "--port", ""}).error, "после --port нужно значение");
    // The minimal kit has its one channel, whatever --channel says.
    const ParseResult minimal = ParseArguments(
        {"write", "--port", "Com1", "--kit", "1", "--channel", "mpi", "--clear1", "--no-restart"});
    ASSERT_EQ(minimal.error, "");
    EXPECT_EQ(minimal.arguments.channel, 0);
    EXPECT_FALSE(minimal.arguments.restart);
}

// One run of a sub-command on the simulated devices and the virtual clock,
// with --json: its standard output.
class JsonRun {
public:
    explicit JsonRun(sim::SimPeer& peer) { line.Attach(&peer); }
    std::string Run(std::vector<std::string> words, std::function<int()> interruption = {}) {
        words.push_back("--json");
        words.push_back("--quiet");
        const ParseResult p = ParseArguments(words);
        EXPECT_EQ(p.error, "");
        std::ostringstream out, err;
        CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false,
                           std::move(interruption));
        status = session.Run();
        return out.str();
    }
    std::string List(const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    int status = -1;
};

sim::KvardOptions At5() {
    sim::KvardOptions o;
    o.netNumber = 5;
    return o;
}

const std::vector<std::string> kController = {"--port", "Com1", "--number", "5", "--speed", "9600"};
const std::vector<std::string> kModem = {"--port", "Com2", "--speed", "9600"};

std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(CliJson, TheControllerCommandsGiveTheirFieldsInTheirOrder) {
    sim::KvardController kvard(At5());
    // Letters, quotes, a backslash and control characters in a buffer line
    // come out as JSON text; the list is Windows-1251.
    kvard.SetBuffer(0, sim::KvardController::ModemLines(
                           {"ATZ", "AT\"\\\t\x01\x08\x0C\x1F\x7F", "\xC6\xB8 \xB9"}));
    kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
    JsonRun run(kvard);
    EXPECT_EQ(run.Run(With({"search"}, kController)),
              "{\"result\":\"ok\",\"number\":5,\"speed\":9600,\"kit\":0,\"linkKind\":0}\n");
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(run.Run(With({"read", "--kit", "0"}, kController)),
              "{\"result\":\"ok\",\"number\":5,\"speed\":9600,\"buffers\":[{\"channel\":\"для "
              "канала МЦП\",\"lines\":[\"ATZ\",\"AT\\\"\\\\\\t\\u0001\\u0008\\u000c\\u001f\x7F"
              "\",\"Жё №\",\"\"]},{\"channel\":\"для канала МПИ\",\"lines\":[\"AT&F\",\"\"]}]}\n");
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(
        run.Run(With({"write", "--kit", "0", "--clear1", "--clear2", "--no-backup"}, kController)),
        "{\"result\":\"ok\",\"number\":5,\"speed\":9600,\"verified\":true,\"restarted\":false}\n");
    EXPECT_EQ(run.status, kExitOk);
    EXPECT_EQ(
        run.Run(With({"write", "--kit", "0", "--clear1", "--clear2", "--no-backup", "--no-verify",
                      "--restart"},
                     kController)),
        "{\"result\":\"ok\",\"number\":5,\"speed\":9600,\"verified\":false,\"restarted\":true}\n");
    EXPECT_EQ(
        run.Run({"scan", "--port", "Com1", "--numbers", "4-6", "--speed", "9600"}),
        "{\"result\":\"ok\",\"controllers\":[{\"number\":5,\"speed\":9600,\"kit\":0,\"kitName\":"
        "\"Базовый комплект КВАРД 40\",\"state\":\"работает, ключ установлен\"}]}\n");
    EXPECT_EQ(run.status, kExitOk);
}

TEST(CliJson, AFailureAndAStopGiveTheirStatusAndMessage) {
    sim::KvardController kvard(At5());
    JsonRun run(kvard);
    // A file name that is no UTF-8 (a name in another encoding on Linux) is
    // written with U+FFFD in its place: the line stays JSON.
    EXPECT_EQ(run.Run(With({"modem-verify"}, With(kModem, {run.dir.File("\xFF.n2")}))),
              "{\"result\":\"error\",\"status\":2,\"message\":\"файл «" + run.dir.File("") +
                  "\uFFFD.n2» не открывается: проверьте имя и права\"}\n");
    EXPECT_EQ(run.status, kExitBadArguments);
    EXPECT_EQ(run.Run(With({"read", "--kit", "3"}, kController)),
              "{\"result\":\"error\",\"status\":5,\"message\":\"Несоответствие выбранного и "
              "подключенного комплекта КВАРД.\\rДля продолжения работы выберите в меню БАЗОВЫЙ "
              "комплект КВАРД.\\r(укажите --kit подключённого комплекта)\"}\n");
    EXPECT_EQ(run.status, kExitKitMismatch);
    EXPECT_EQ(run.Run({"scan", "--port", "Com1", "--numbers", "7-8", "--speed", "9600"}),
              "{\"result\":\"error\",\"status\":4,\"message\":\"ни один КВАРД не ответил на "
              "заданных номерах и скоростях\"}\n");
    EXPECT_EQ(run.status, kExitNoController);
    EXPECT_EQ(run.Run(With({"read", "--kit", "0"}, kController), [] { return SIGINT; }),
              "{\"result\":\"interrupted\",\"signal\":\"SIGINT\",\"status\":130,\"message\":"
              "\"чтение прервано\"}\n");
    EXPECT_EQ(run.status, kExitInterrupted + SIGINT);
}

TEST(CliJson, TheModemCommandsGiveEveryLineAndSetting) {
    sim::HayesModem modem;
    ASSERT_TRUE(modem.KeepFixed("S7", 50));
    JsonRun run(modem);
    const std::string refused = run.List("bad.n2", "ATZ\r\nATX9\r\nATE1\r\n");
    const std::string checked = run.List("s7.n2", "ATS0=2S7=60\r\nAT&W\r\n");
    EXPECT_EQ(run.Run(With({"modem-write"}, With(kModem, {refused}))),
              "{\"result\":\"error\",\"status\":9,\"lines\":[{\"number\":1,\"text\":\"ATZ\","
              "\"verdict\":\"ok\",\"code\":\"OK\"},{\"number\":2,\"text\":\"ATX9\",\"verdict\":"
              "\"error\",\"code\":\"ERROR\"},{\"number\":3,\"text\":\"ATE1\",\"verdict\":\"ok\","
              "\"code\":\"OK\"}],\"summary\":\"Записано 3 строки, ошибок 1: строка 2 ATX9\"}\n");
    EXPECT_EQ(run.status, kExitModemRefused);
    EXPECT_EQ(run.Run(With({"modem-write", "--verify"}, With(kModem, {checked}))),
              "{\"result\":\"error\",\"status\":13,\"lines\":[{\"number\":1,\"text\":\"ATS0=2S7="
              "60\",\"verdict\":\"ok\",\"code\":\"OK\"},{\"number\":2,\"text\":\"AT&W\","
              "\"verdict\":\"ok\",\"code\":\"OK\"}],\"summary\":\"Записано 2 строки, ошибок "
              "0\",\"check\":{\"settings\":[{\"setting\":\"S0\",\"profile\":null,\"list\":2,"
              "\"modem\":2,\"verdict\":\"same\",\"line\":1},{\"setting\":\"S7\",\"profile\":null,"
              "\"list\":60,\"modem\":50,\"verdict\":\"differs\",\"line\":1},{\"setting\":\"S0\","
              "\"profile\":0,\"list\":2,\"modem\":2,\"verdict\":\"same\",\"line\":1},{\"setting\":"
              "\"S7\",\"profile\":0,\"list\":60,\"modem\":50,\"verdict\":\"differs\",\"line\":1}],"
              "\"summary\":\"Модем хранит 2 настройки не так, как в списке\"}}\n");
    EXPECT_EQ(run.status, kExitModemDiffers);
    EXPECT_EQ(
        run.Run(With({"modem-verify"}, With(kModem, {checked}))),
        "{\"result\":\"error\",\"status\":13,\"settings\":[{\"setting\":\"S0\",\"profile\":null,"
        "\"list\":2,\"modem\":2,\"verdict\":\"same\",\"line\":1},{\"setting\":\"S7\",\"profile\":"
        "null,\"list\":60,\"modem\":50,\"verdict\":\"differs\",\"line\":1},{\"setting\":\"S0\","
        "\"profile\":0,\"list\":2,\"modem\":2,\"verdict\":\"same\",\"line\":1},{\"setting\":\"S7\","
        "\"profile\":0,\"list\":60,\"modem\":50,\"verdict\":\"differs\",\"line\":1}],\"summary\":"
        "\"Модем хранит 2 настройки не так, как в списке\"}\n");
    EXPECT_EQ(run.status, kExitModemDiffers);
    EXPECT_EQ(run.Run(With({"modem-view"}, kModem)),
              "{\"result\":\"ok\",\"status\":0,\"lines\":[\"AT I4\",\"E1 Q0 V1 X4 M1 L2 &C1 &D2 "
              "&K3\",\"S00=002 S01=000 S02=043 S03=013 S04=010 S05=008\",\"S06=002 S07=050 S08=002 "
              "S09=006 S10=014 S11=095\",\"S12=050\",\"OK\"]}\n");
    EXPECT_EQ(run.status, kExitOk);
}

}  // namespace
}  // namespace hk
