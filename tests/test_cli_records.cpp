// The records of hayeskvd-cli's jobs against the simulated controller and
// modem: the hashes in a record are those of the bytes the controller holds,
// record-check finds the controller as the record left it and then changed
// behind its back, an edited record is refused, a record that cannot be
// written changes nothing of the job, and the listing filters. On the
// virtual clock in the program's own session, and once with the program
// itself over a pseudo-terminal.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliSession.h"
#include "records/Hex.h"
#include "records/RecordCheck.h"
#include "records/Sha256.h"
#include "sim/HayesModem.h"
#include "sim/KvardController.h"
#include "sim/PtyBridge.h"
#include "sim/SimLine.h"
#include "support/TempDir.h"

namespace hk {
namespace {

namespace fs = std::filesystem;
using namespace hk::cli;
using Json = nlohmann::json;

std::string ReadText(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// The record files (JSON) of a folder, oldest first.
std::vector<std::string> RecordFiles(const std::string& folder) {
    std::vector<std::pair<std::string, std::string>> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        if (it->path().extension() == ".json") {
            const Json record = Json::parse(ReadText(it->path().string()), nullptr, false);
            if (record.is_object()) found.emplace_back(record["time_utc"], it->path().string());
        }
    std::sort(found.begin(), found.end());
    std::vector<std::string> files;
    for (auto& f : found) files.push_back(f.second);
    return files;
}

std::string Sha(const std::vector<std::uint8_t>& bytes) { return records::Sha256Hex(bytes); }

// The command line in its own session on a simulated line.
class RecordCli {
public:
    explicit RecordCli(sim::SimPeer* peer = nullptr) {
        sim::KvardOptions o;
        o.netNumber = 5;
        kvard = std::make_unique<sim::KvardController>(o);
        kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
        kvard->SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
        line.Attach(peer ? peer : kvard.get());
    }
    int Run(std::vector<std::string> words, std::function<int()> interruption = {}) {
        words.push_back("--quiet");
        const ParseResult p = ParseArguments(words);
        EXPECT_TRUE(p.error.empty()) << p.error;
        out.str("");
        err.str("");
        CliSession session(p.arguments, line, clock, {dir.Dir(), dir.Dir()}, out, err, false,
                           std::move(interruption));
        return session.Run();
    }
    std::string Folder() const { return dir.Dir() + "records/"; }
    std::vector<std::string> Records() const { return RecordFiles(Folder()); }
    Json Newest() const {
        const auto files = Records();
        return files.empty() ? Json() : Json::parse(ReadText(files.back()));
    }
    std::string File(const std::string& name, const std::string& bytes) {
        const std::string file = dir.File(name);
        std::ofstream(file, std::ios::binary) << bytes;
        return file;
    }

    test::TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    std::unique_ptr<sim::KvardController> kvard;
    std::ostringstream out, err;
};

std::vector<std::string> At5(const std::string& command, std::vector<std::string> more) {
    std::vector<std::string> words = {command, "--port",  "Com1", "--number",
                                      "5",     "--speed", "9600"};
    words.insert(words.end(), more.begin(), more.end());
    return words;
}

// A read's record holds each buffer as the controller holds it, byte for
// byte and by its hash; a write's holds what it left, read back.
TEST(CliRecords, TheHashesAreThoseOfTheBuffersTheControllerHolds) {
    RecordCli cli;
    ASSERT_EQ(cli.Run(At5("read", {"--kit", "0"})), kExitOk) << cli.err.str();
    Json record = cli.Newest();
    ASSERT_TRUE(record.is_object()) << "no record in " << cli.Folder();
    EXPECT_EQ(record["job"], "read");
    EXPECT_EQ(record["program"]["name"], "hayeskvd-cli");
    EXPECT_EQ(record["controller"]["number"], 5);
    EXPECT_EQ(record["controller"]["speed"], 9600);
    EXPECT_EQ(record["outcome"]["result"], "ok");
    EXPECT_EQ(record["outcome"]["status"], 0);
    EXPECT_TRUE(record["previous"].is_null());
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(record["channels"][i]["before"]["sha256"], Sha(cli.kvard->Buffer(i)));
        EXPECT_EQ(record["channels"][i]["before"]["hex"], records::HexOf(cli.kvard->Buffer(i)));
    }
    EXPECT_EQ(record["channels"][0]["before"]["lines"], Json::array({"ATZ", "ATS0=2", ""}));
    EXPECT_FALSE(record["log"].is_null());
    EXPECT_TRUE(fs::exists(fs::path(cli.Records().back()).replace_extension(".html")));
    const records::RecordVerdict first = records::CheckRecordFile(cli.Records().back());
    EXPECT_TRUE(first.Holds()) << first.message;

    const std::string list = cli.File("new.n3", "ATZ\r\nATS0=4\r\n");
    const std::string firstSha = records::Sha256Hex(ReadText(cli.Records().back()));
    const auto before0 = cli.kvard->Buffer(0);
    ASSERT_EQ(cli.Run(At5("write", {"--kit", "0", "--in1", list, "--clear2"})), kExitOk)
        << cli.err.str();
    ASSERT_EQ(cli.Records().size(), 2u);
    record = cli.Newest();
    EXPECT_EQ(record["job"], "write");
    EXPECT_EQ(record["previous"], firstSha);
    for (std::size_t i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(record["channels"][i]["after"]["sha256"], Sha(cli.kvard->Buffer(i)));
    }
    EXPECT_EQ(record["channels"][0]["before"]["sha256"], Sha(before0));
    EXPECT_EQ(record["channels"][0]["after"]["lines"], Json::array({"ATZ", "ATS0=4", ""}));
    EXPECT_EQ(record["channels"][0]["flag_after"]["with_lines"], true);
    EXPECT_EQ(record["channels"][1]["flag_after"]["with_lines"], false);
    const Json difference = Json::parse(R"([
        {"change": "removed", "line": 2, "text": "ATS0=2"},
        {"change": "added", "line": 2, "text": "ATS0=4"}])");
    EXPECT_EQ(record["channels"][0]["difference"], difference);
    EXPECT_EQ(record["outcome"]["controller"]["committed"], true);
}

TEST(CliRecords, RecordCheckFindsTheControllerAsLeftThenChangedBehindTheRecordsBack) {
    RecordCli cli;
    const std::string list = cli.File("new.n3", "ATZ\r\nATS0=4\r\nATE0\r\n");
    ASSERT_EQ(cli.Run(At5("write", {"--kit", "0", "--in1", list, "--clear2", "--no-backup"})),
              kExitOk)
        << cli.err.str();
    const std::string written = cli.Records().back();

    EXPECT_EQ(cli.Run({"record-check", written, "--json"}), kExitOk) << cli.err.str();
    Json result = Json::parse(cli.out.str());
    EXPECT_EQ(result["result"], "ok");
    EXPECT_EQ(result["holds"], true);
    // The check itself is a read of the controller, not a job with a record.
    EXPECT_EQ(cli.Records().size(), 1u);

    // Someone else wrote line 3 of the МЦП buffer.
    const std::vector<std::uint8_t> left = cli.kvard->Buffer(0);
    cli.kvard->SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=4", "ATE1"}));
    EXPECT_EQ(cli.Run({"record-check", written, "--json"}), kExitVerifyMismatch);
    result = Json::parse(cli.out.str());
    EXPECT_EQ(result["channels"][0]["same"], false);
    EXPECT_EQ(result["channels"][0]["line"], 3);
    EXPECT_EQ(result["channels"][1]["same"], true);
    EXPECT_EQ(result["channels"][1]["line"], nullptr);
    EXPECT_TRUE(Has(cli.err.str(), "канал МЦП, строка 3: в акте «ATE0», в КВАРД «ATE1»"))
        << cli.err.str();

    // The lines back, but the buffer flag of МЦП cleared.
    cli.kvard->SetBuffer(0, left);
    auto control = cli.kvard->ControlParameter(0);
    control[1] ^= 0x10;
    cli.kvard->SetControlParameter(0, control);
    EXPECT_EQ(cli.Run({"record-check", written}), kExitVerifyMismatch);
    EXPECT_TRUE(Has(cli.err.str(), "флаг буфера (параметр 40 04)")) << cli.err.str();
}

TEST(CliRecords, AnEditedRecordOrOneThatIsNoRecordIsRefusedBeforeThePort) {
    RecordCli cli;
    ASSERT_EQ(cli.Run(At5("read", {"--kit", "0"})), kExitOk) << cli.err.str();
    const std::string file = cli.Records().back();
    const std::size_t requests = cli.kvard->Requests().size();

    // One line of the МЦП buffer changed in the record, as someone would
    // make it say the controller held another setting.
    std::string text = ReadText(file);
    const auto at = text.find("\"ATS0=2\"");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, 8, "\"ATS0=3\"");
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
    EXPECT_EQ(cli.Run({"record-check", file}), kExitRecordInvalid);
    EXPECT_TRUE(Has(cli.err.str(), "изменён")) << cli.err.str();

    const std::string notJson = cli.File("broken.json", "{\"schema\": ");
    EXPECT_EQ(cli.Run({"record-check", notJson}), kExitRecordInvalid);
    EXPECT_TRUE(Has(cli.err.str(), "не JSON")) << cli.err.str();
    const std::string other = cli.File("other.json", R"({"schema": "other/1"})");
    EXPECT_EQ(cli.Run({"record-check", other}), kExitRecordInvalid);
    EXPECT_TRUE(Has(cli.err.str(), "other/1")) << cli.err.str();
    EXPECT_EQ(cli.Run({"record-check", cli.dir.File("missing.json")}), kExitRecordInvalid);
    EXPECT_TRUE(Has(cli.err.str(), "missing.json")) << cli.err.str();
    // Not a byte went to the controller for any of them.
    EXPECT_EQ(cli.kvard->Requests().size(), requests);
}

TEST(CliRecords, ARecordThatCannotBeWrittenChangesNothingOfTheJob) {
    RecordCli cli;
    const std::string blocked = cli.File("blocked", "a file where the folder should be");
    const std::string out1 = cli.dir.File("mcp.n3");
    EXPECT_EQ(cli.Run(At5("read", {"--kit", "0", "--out1", out1, "--record", blocked + "/acts"})),
              kExitRecordNotWritten);
    EXPECT_EQ(ReadText(out1), "ATZ\r\nATS0=2\r\n\r\n");
    EXPECT_TRUE(Has(cli.err.str(), "акт наладки не записан")) << cli.err.str();
    EXPECT_TRUE(Has(cli.err.str(), "blocked")) << cli.err.str();

    // --no-record: no record, and no folder for it.
    EXPECT_EQ(cli.Run(At5("read", {"--kit", "0", "--no-record"})), kExitOk) << cli.err.str();
    EXPECT_FALSE(fs::exists(cli.Folder()));
    // A read that found no controller touched none: no record either.
    EXPECT_EQ(cli.Run({"read", "--port", "Com1", "--number", "9", "--speed", "9600", "--kit", "0"}),
              kExitNoController);
    EXPECT_FALSE(fs::exists(cli.Folder()));

    // A job that failed keeps its own status.
    cli.kvard->InjectFor({0x02, 0xBF, 0x80}, sim::KvardFault::Nak, 2);
    EXPECT_EQ(cli.Run(At5("read", {"--kit", "0", "--record", blocked + "/acts"})),
              kExitExchangeFailed);
    EXPECT_TRUE(Has(cli.err.str(), "акт наладки не записан")) << cli.err.str();
}

TEST(CliRecords, AFailedWriteIsRecordedAsSuchWithWhatItLeft) {
    RecordCli cli;
    cli.kvard->refuseCopyIn = true;
    const std::string list = cli.File("new.n3", "ATZ\r\nATS0=4\r\n");
    EXPECT_EQ(cli.Run(At5("write", {"--kit", "0", "--in1", list, "--clear2"})),
              kExitExchangeFailed);
    const Json record = cli.Newest();
    ASSERT_TRUE(record.is_object()) << cli.err.str();
    EXPECT_EQ(record["outcome"]["result"], "error");
    EXPECT_EQ(record["outcome"]["status"], kExitExchangeFailed);
    EXPECT_EQ(record["outcome"]["controller"]["committed"], false);
    const std::string left = record["outcome"]["controller"]["text"];
    EXPECT_TRUE(Has(left, "буферы КВАРД прежние")) << left;
    // What the controller holds is what it held.
    EXPECT_EQ(record["channels"][0]["before"]["sha256"], Sha(cli.kvard->Buffer(0)));
}

// SIGINT once STOP has gone out: the record says the job was interrupted,
// by what, and what the controller was left in.
TEST(CliRecords, AnInterruptedWriteIsRecordedWithTheSignal) {
    sim::KvardOptions o;
    o.netNumber = 5;
    o.stopDelayMs = 600;
    RecordCli cli;
    cli.kvard = std::make_unique<sim::KvardController>(o);
    cli.line.Attach(cli.kvard.get());
    EXPECT_EQ(cli.Run(At5("write", {"--kit", "0", "--clear1", "--clear2"}),
                      [&] { return cli.kvard->CountRequests(0x09) > 0 ? 2 : 0; }),
              130);
    const Json record = cli.Newest();
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record["outcome"]["result"], "interrupted");
    EXPECT_EQ(record["outcome"]["stopped_by"], "SIGINT");
    EXPECT_EQ(record["outcome"]["status"], 130);
    EXPECT_EQ(record["outcome"]["controller"]["touched"], true);
    EXPECT_EQ(record["outcome"]["controller"]["committed"], false);
    EXPECT_TRUE(record["channels"][0]["after"].is_null());
}

TEST(CliRecords, AModemRunIsRecordedLineByLine) {
    sim::HayesModem modem;
    RecordCli cli(&modem);
    const std::string list = cli.File("init.n2", "ATZ\r\nATE0\r\nATS0=2\r\n");
    ASSERT_EQ(cli.Run({"modem-write", "--port", "Com2", "--speed", "9600", list}), kExitOk)
        << cli.err.str();
    const Json record = cli.Newest();
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record["job"], "modem-write");
    EXPECT_TRUE(record["controller"].is_null());
    EXPECT_EQ(record["modem"]["list"]["sha256"], records::Sha256Hex(ReadText(list)));
    ASSERT_EQ(record["modem"]["lines"].size(), 3u);
    EXPECT_EQ(record["modem"]["lines"][1]["text"], "ATE0");
    EXPECT_EQ(record["modem"]["lines"][1]["verdict"], "ok");
    EXPECT_EQ(record["outcome"]["result"], "ok");
    // A record of a modem is checked, not compared with a controller.
    EXPECT_EQ(cli.Run({"record-check", cli.Records().back()}), kExitBadArguments);
    EXPECT_TRUE(Has(cli.err.str(), "акт модема")) << cli.err.str();
}

TEST(CliRecords, TheListingIsNewestFirstAndFilters) {
    RecordCli cli;
    ASSERT_EQ(cli.Run(At5("read", {"--kit", "0"})), kExitOk);
    ASSERT_EQ(cli.Run(At5("read", {"--kit", "0"})), kExitOk);
    cli.File("records/junk.json", "no record");
    EXPECT_EQ(cli.Run({"records", "--json"}), kExitOk);
    Json listed = Json::parse(cli.out.str());
    ASSERT_EQ(listed["records"].size(), 3u);
    EXPECT_EQ(listed["records"][0]["file"], cli.Records().back());
    EXPECT_EQ(listed["records"][0]["number"], 5);
    EXPECT_FALSE(listed["records"][2]["problem"].is_null());

    EXPECT_EQ(cli.Run({"records", "--number", "6", "--json"}), kExitOk);
    EXPECT_EQ(Json::parse(cli.out.str())["records"].size(), 0u);
    EXPECT_EQ(cli.Run({"records", "--port", "com1", "--number", "5"}), kExitOk);
    EXPECT_TRUE(Has(cli.out.str(), "КВАРД № 5 на Com1, чтение КВАРД")) << cli.out.str();
    EXPECT_FALSE(Has(cli.out.str(), "junk.json")) << cli.out.str();
}

// The program itself over a pseudo-terminal: its record, then
// record-check 0, and 7 once the controller holds another line.
TEST(CliRecordsPty, TheProgramRecordsAndChecksAgainstTheControllerOnTheLine) {
    test::TempDir dir;
    sim::KvardOptions o;
    o.netNumber = 5;
    o.evenParityReadsAsNone = true;
    sim::KvardController kvard(o);
    kvard.SetBuffer(0, sim::KvardController::ModemLines({"ATZ", "ATS0=2"}));
    kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F"}));
    // The line under a name of its own, so that the controller can be
    // changed while nobody serves it and served again under the same name.
    const std::string port = dir.File("com1");
    auto served = std::make_unique<sim::ServedPty>(kvard, port);
    ASSERT_TRUE(served->Started()) << served->Error();
    const char* bin = std::getenv("HK_BIN_DIR");
    const auto run = [&](const std::string& words) {
        const std::string command = "timeout -k 5 120 '" + std::string(bin ? bin : ".") +
                                    "/hayeskvd-cli' " + words + " --log '" + dir.File("cli.log") +
                                    "' --record '" + dir.File("acts") + "' >'" + dir.File("out") +
                                    "' 2>'" + dir.File("err") + "'";
        const int raw = std::system(command.c_str());
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    };
    ASSERT_EQ(run("read --port '" + port + "' --kit 0 --number 5 --speed 9600"),
              kExitOk)
        << ReadText(dir.File("err"));
    const auto files = RecordFiles(dir.File("acts"));
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(Json::parse(ReadText(files[0]))["channels"][0]["before"]["sha256"],
              Sha(kvard.Buffer(0)));
    EXPECT_EQ(run("record-check '" + files[0] + "'"), kExitOk) << ReadText(dir.File("err"));
    served.reset();
    kvard.SetBuffer(1, sim::KvardController::ModemLines({"AT&F", "ATX3"}));
    served = std::make_unique<sim::ServedPty>(kvard, port);
    ASSERT_TRUE(served->Started()) << served->Error();
    EXPECT_EQ(run("record-check '" + files[0] + "'"), kExitVerifyMismatch);
    EXPECT_TRUE(Has(ReadText(dir.File("err")), "канал МПИ, строка 2")) << ReadText(dir.File("err"));
}

}  // namespace
}  // namespace hk
