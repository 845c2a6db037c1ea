// hayeskvd-cli's modem commands as a script runs them, the program itself
// over a pseudo-terminal against a simulated modem that misbehaves: a line
// that only rings, answers that are result codes other than OK, an echo that
// carries a digit 0 before a late digit answer, a list line too long for the
// modem, a port that goes away in the middle of a run. What the script reads
// is what happened: the exit status, the verdicts, and a message on standard
// error for every failure.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "cli/CliArguments.h"
#include "link/Port.h"
#include "sim/HayesModem.h"
#include "sim/PtyBridge.h"
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

std::string Program() {
    const char* bin = std::getenv("HK_BIN_DIR");
    return std::string(bin ? bin : ".") + "/hayeskvd-cli";
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// A modem that takes no command and only rings, every half second, in words.
class OnlyRings final : public sim::SimPeer {
public:
    OnlyRings() { modem.Ring(500); }
    void OnByte(std::uint8_t, const LineParams&, sim::PeerOutput&) override {}
    void Tick(std::int64_t until, sim::PeerOutput& out) override { modem.Tick(until, out); }
    sim::HayesModem modem;
};

// A modem that echoes and answers every command line with `code`.
class AnswersWith final : public sim::SimPeer {
public:
    explicit AnswersWith(std::string code) : code_(std::move(code)) {}
    void OnByte(std::uint8_t byte, const LineParams&, sim::PeerOutput& out) override {
        out.Send({byte}, 1);
        if (byte != 0x0D) return;
        const std::string answer = "\r\n" + code_ + "\r\n";
        out.Send({answer.begin(), answer.end()}, 20, 1);
    }

private:
    std::string code_;
};

class CliModem : public ::testing::Test {
protected:
    // The program with `words` on `peer`'s pseudo-terminal (its path for "PORT").
    Outcome Run(std::vector<std::string> words, sim::SimPeer& peer) {
        sim::ServedPty served(peer);
        EXPECT_TRUE(served.Started()) << served.Error();
        std::string command = "timeout -k 5 120 " + Quote(Program());
        for (const std::string& w : words)
            command += " " + Quote(w == "PORT" ? served.SlavePath() : w);
        command +=
            " --log " + Quote(dir.File("cli.log")) + " --record " + Quote(dir.File("records"));
        command += " >" + Quote(dir.File("out")) + " 2>" + Quote(dir.File("err"));
        Outcome o;
        const int raw = std::system(command.c_str());
        o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        o.out = ReadText(dir.File("out"));
        o.err = ReadText(dir.File("err"));
        return o;
    }
    std::string List(const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    test::TempDir dir;
    const std::vector<std::string> at = {"--port", "PORT", "--speed", "9600"};
    std::vector<std::string> With(std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    }
};

// The settings view succeeds only on an answer that ends with OK: 9 for
// another result code, 10 for an answer that never ends (a line that only
// rings, noise), each with its message.
TEST_F(CliModem, TheSettingsViewSucceedsOnlyWhenTheModemEndsItsAnswerWithOk) {
    sim::HayesModem modem;
    const Outcome ok = Run(With({"modem-view"}, at), modem);
    EXPECT_EQ(ok.status, kExitOk) << ok.err;
    EXPECT_TRUE(ok.out.ends_with("OK\n")) << ok.out;
    EXPECT_EQ(ok.err, "");

    // A quiet time of 1 s (--silence) keeps the test short.
    OnlyRings ringing;
    const Outcome rings = Run(With({"modem-view", "--json", "--silence", "1"}, at), ringing);
    EXPECT_EQ(rings.status, kExitModemSilent) << rings.out;
    EXPECT_EQ(rings.out.rfind("{\"result\":\"error\",\"status\":10,", 0), 0u) << rings.out;
    EXPECT_TRUE(Has(rings.out, "\"RING\"")) << rings.out;
    EXPECT_TRUE(Has(rings.err, "hayeskvd-cli: Модем не закончил ответ на AT I4")) << rings.err;

    AnswersWith noCarrier("NO CARRIER");
    const Outcome other = Run(With({"modem-view"}, at), noCarrier);
    EXPECT_EQ(other.status, kExitModemRefused) << other.out;
    EXPECT_TRUE(Has(other.err, "hayeskvd-cli: Модем ответил на AT I4: NO CARRIER")) << other.err;

    sim::HayesModem noise;
    noise.SetSilent(true);
    noise.Noise(50, 11);
    const Outcome garbage = Run(With({"modem-view", "--silence", "1"}, at), noise);
    EXPECT_EQ(garbage.status, kExitModemSilent) << garbage.out;
}

// Every line answered NO CARRIER, BUSY or CONNECT fails; a dial answered
// CONNECT is its success, and the run says the modem is on line.
TEST_F(CliModem, ResultCodesOtherThanOkFailTheLineButCONNECTToADial) {
    const std::string list = List("three.n2", "ATS0=3\r\nATS7=45\r\nAT&W\r\n");
    for (const char* code : {"NO CARRIER", "BUSY", "CONNECT 9600"}) {
        SCOPED_TRACE(code);
        AnswersWith modem(code);
        const Outcome o = Run(With({"modem-write", "--json"}, With(at, {list})), modem);
        EXPECT_EQ(o.status, kExitModemRefused) << o.out;
        EXPECT_TRUE(Has(o.out, std::string("{\"number\":1,\"text\":\"ATS0=3\",\"verdict\":"
                                           "\"other\",\"code\":\"") +
                                   code + "\"}"))
            << o.out;
        EXPECT_TRUE(Has(o.out, std::string("\"summary\":\"Записано 3 строки, ошибок 3: строка 1 "
                                           "ATS0=3 (") +
                                   code + ")\""))
            << o.out;
        EXPECT_TRUE(Has(o.err, "hayeskvd-cli: Записано 3 строки, ошибок 3")) << o.err;
    }

    sim::HayesModem dials;
    dials.SetDialResult("CONNECT 9600");
    const Outcome online =
        Run(With({"modem-write"}, With(at, {List("dial.n2", "ATS0=0\r\nATDT5551234\r\n")})), dials);
    EXPECT_EQ(online.status, kExitOk) << online.err;
    EXPECT_EQ(online.out,
              "Строка 1 (ATS0=0): OK\nСтрока 2 (ATDT5551234): CONNECT 9600\n"
              "Записано 2 строки, ошибок 0. Модем на линии: CONNECT 9600\n");

    sim::HayesModem busy;
    busy.SetDialResult("BUSY");
    const Outcome refused =
        Run(With({"modem-write"}, With(at, {List("busy.n2", "ATDT5551234\r\n")})), busy);
    EXPECT_EQ(refused.status, kExitModemRefused) << refused.out;
    EXPECT_TRUE(Has(refused.out, "ошибок 1: строка 1 ATDT5551234 (BUSY)")) << refused.out;
}

// A digit 0 in the echo of the line just sent is no answer: a modem in V0
// that echoes and answers 0.7 s later has every line answered 0, each by
// its own answer.
TEST_F(CliModem, ADigitZeroInTheEchoIsNotTheAnswer) {
    sim::HayesModem::Timing slow;
    slow.answerDelayMs = 700;
    sim::HayesModem modem(slow);
    const std::string list = List("v0.n2", "ATV0\r\nATS0=3\r\nATS7=45\r\n");
    const Outcome o = Run(With({"modem-write"}, With(at, {list})), modem);
    EXPECT_EQ(o.status, kExitOk) << o.out << o.err;
    EXPECT_EQ(o.out,
              "Строка 1 (ATV0): 0\nСтрока 2 (ATS0=3): 0\nСтрока 3 (ATS7=45): 0\n"
              "Записано 3 строки, ошибок 0\n");
    EXPECT_EQ(modem.Register(0), 3);
    EXPECT_EQ(modem.Register(7), 45);
}

// A line too long for the modem's send buffer, first or later in the list:
// refused with 2 before anything is sent, the line named, in JSON too.
TEST_F(CliModem, AListWithALineTooLongIsRefusedBeforeAnythingIsSent) {
    const std::string tooLong = "ATS7=45" + std::string(300, ' ');
    for (const bool first : {true, false}) {
        SCOPED_TRACE(first ? "first line" : "second line");
        sim::HayesModem modem;
        const std::string list =
            List("long.n2", first ? tooLong + "\r\nATS0=3\r\n" : "ATS0=3\r\n" + tooLong + "\r\n");
        const Outcome o = Run(With({"modem-write", "--json"}, With(at, {list})), modem);
        EXPECT_EQ(o.status, kExitBadArguments) << o.out;
        const std::string line = first ? "1" : "2";
        const std::string says = "«" + list + "»: строка " + line +
                                 " длиннее 300 символов и не помещается в буфер передачи модема "
                                 "(301 байт). В модем ничего не передано: сократите строку";
        EXPECT_EQ(o.err, "hayeskvd-cli: " + says + "\n");
        EXPECT_EQ(o.out, "{\"result\":\"error\",\"status\":2,\"message\":\"" + says +
                             "\",\"summary\":\"" + says + "\"}\n");
        EXPECT_TRUE(modem.CommandLines().empty());
    }
}

// The port taken away in the middle of a run (an adapter pulled out): the
// run ends at once and says so on standard error.
TEST_F(CliModem, APortThatGoesAwayMidRunIsSaid) {
    sim::HayesModem::Timing slow;
    slow.answerDelayMs = 300;
    sim::HayesModem modem(slow);
    const std::string list = List("four.n2", "ATS0=1\r\nATS0=2\r\nATS0=3\r\nATS0=4\r\n");
    const std::string log = dir.File("gone.log");
    auto served = std::make_unique<sim::ServedPty>(modem);
    ASSERT_TRUE(served->Started());
    const std::string port = served->SlavePath();
    const pid_t child = ::fork();
    if (child == 0) {
        std::freopen(dir.File("err").c_str(), "w", stderr);
        std::freopen(dir.File("out").c_str(), "w", stdout);
        ::alarm(60);
        std::vector<std::string> words = {Program(), "modem-write", "--port", port, "--speed",
                                          "9600",    "--json",      "--log",  log,  list};
        std::vector<char*> argv;
        for (std::string& w : words) argv.push_back(w.data());
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ASSERT_GT(child, 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!Has(ReadText(log), "Модему: ATS0=2") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    served.reset();  // the far side closes: the port hangs up
    int raw = 0;
    ::waitpid(child, &raw, 0);
    const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    const std::string err = ReadText(dir.File("err"));
    const std::string out = ReadText(dir.File("out"));
    EXPECT_EQ(status, kExitModemSilent) << err;
    EXPECT_TRUE(Has(err, "hayeskvd-cli: " + PortGoneText(port))) << err;
    EXPECT_TRUE(Has(out, "\"summary\":\"Порт " + port +
                             " больше не отвечает: запись прервана на "
                             "строке 2 из 4 (ATS0=2)."))
        << out;
}

// modem-verify on a line that only rings: the modem sends only what is no
// answer, which is 10, as for a silent modem.
TEST_F(CliModem, TheCheckOfALineThatOnlyRingsEndsAsForASilentModem) {
    OnlyRings ringing;
    const std::string list = List("check.n2", "ATS0=2S7=60\r\nAT&W\r\n");
    const auto started = std::chrono::steady_clock::now();
    const Outcome o = Run(With({"modem-verify"}, With(at, {list})), ringing);
    const auto took = std::chrono::steady_clock::now() - started;
    EXPECT_EQ(o.status, kExitModemSilent) << o.out;
    EXPECT_TRUE(Has(o.err, "hayeskvd-cli: Модем не ответил на ATS0?: проверка прервана")) << o.err;
    EXPECT_LT(took, std::chrono::seconds(10));
}

}  // namespace
}  // namespace hk
