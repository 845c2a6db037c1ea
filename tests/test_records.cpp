// The records of the jobs without a window or a line: the platform's
// SHA-256 against the published vectors, a record built from a controller
// job's outcome and read back, a record file that is no JSON, of another
// schema or edited, the chain of one device's records in a folder (also
// several in one second), and a folder that cannot take a record.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "device/KitBuffers.h"
#include "link/PortSettings.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"
#include "records/LineDiff.h"
#include "records/RecordBuild.h"
#include "records/RecordCheck.h"
#include "records/RecordFiles.h"
#include "records/RecordHtml.h"
#include "records/RecordJson.h"
#include "records/Sha256.h"
#include "sim/KvardController.h"
#include "support/TempDir.h"

namespace hk::records {
namespace {

namespace fs = std::filesystem;

// 2026-12-07 08:23:45.000 UTC.
constexpr std::int64_t kWallMs = 1'796'631'825'000;

TEST(Sha256, TheDigestsOfThePublishedVectors) {
    EXPECT_EQ(Sha256Hex(std::string_view("")),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Sha256Hex(std::string_view("abc")),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(
        Sha256Hex(std::string_view("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
        "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    const std::vector<std::uint8_t> million(1'000'000, 'a');
    EXPECT_EQ(Sha256Hex(million),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

std::vector<std::uint8_t> Image(std::initializer_list<std::string> lines) {
    return sim::KvardController::ModemLines(lines);
}

std::vector<std::uint8_t> Padded(std::vector<std::uint8_t> image) {
    image.resize(device::kBufferBytes, 0x00);
    return image;
}

// A write of kit 0 at number 5 on Com1 that changed the МЦП buffer's second
// line and left the МПИ buffer as it was.
Record WriteRecordOf(int number = 5, std::int64_t wallMs = kWallMs) {
    device::ControllerOutcome outcome;
    outcome.found = true;
    outcome.number = number;
    outcome.speedIndex = 5;  // 9600
    outcome.written = true;
    outcome.write.started = outcome.write.stopSent = outcome.write.controllerStopped = true;
    outcome.write.copyInSent = outcome.write.copyInAccepted = true;
    outcome.write.copiedOut = outcome.write.committed = outcome.write.verified = true;
    outcome.identification = std::array<std::uint8_t, 4>{0x01, 0x02, 0x03, 0x04};
    outcome.status = std::array<std::uint8_t, 2>{0x00, 0x80};
    const auto before0 = Padded(Image({"ATZ", "ATS0=1"}));
    const auto after0 = Padded(Image({"ATZ", "ATS0=2"}));
    const auto same1 = Padded(Image({"AT&F"}));
    outcome.channels[0] = {before0, Image({"ATZ", "ATS0=2"}), after0,
                           std::array<std::uint8_t, 2>{0x00, 0x10},
                           std::array<std::uint8_t, 2>{0x00, 0x10}};
    outcome.channels[1] = {same1, Image({"AT&F"}), same1, std::array<std::uint8_t, 2>{0x00, 0x00},
                           std::array<std::uint8_t, 2>{0x00, 0x10}};
    JobPlace place;
    place.programName = kCommandLineProgram;
    place.operatorName = "Петров";
    place.port.name = "COM1";
    place.port.device = "/dev/pts/7";
    ControllerJobFacts job;
    job.job = JobKind::Write;
    job.kitIndex = 0;
    job.settings.SpeedIndex = 5;
    job.settings.NetAddress = static_cast<std::uint8_t>(number);
    job.settings.Protocol = kTraditional;
    return ControllerRecord(place, job, outcome, wallMs);
}

TEST(RecordBuilding, AWriteKeepsEveryImageItsHashAndTheLinesThatChanged) {
    const Record r = WriteRecordOf();
    ASSERT_TRUE(r.controller);
    EXPECT_EQ(r.controller->number, 5);
    EXPECT_EQ(r.controller->baudRate, 9600);
    EXPECT_EQ(DeviceKey(r), "kvard Com1 5");
    EXPECT_EQ(r.outcome.result, "ok");
    ASSERT_TRUE(r.outcome.left);
    EXPECT_TRUE(r.outcome.left->committed);
    EXPECT_EQ(r.timeUtc, "2026-12-07T08:23:45.000Z");
    ASSERT_EQ(r.channels.size(), 2u);

    const auto json = nlohmann::json::parse(RecordJsonText(r));
    EXPECT_EQ(json["schema"], kRecordSchema);
    EXPECT_EQ(json["job"], "write");
    EXPECT_EQ(json["operator"], "Петров");
    const auto& mcp = json["channels"][0];
    EXPECT_EQ(mcp["after"]["sha256"], Sha256Hex(*r.channels[0].after));
    EXPECT_EQ(mcp["after"]["hex"].get<std::string>().size(), 2 * device::kBufferBytes);
    EXPECT_EQ(mcp["after"]["lines"], nlohmann::json::array({"ATZ", "ATS0=2", ""}));
    EXPECT_EQ(mcp["flag_before"]["with_lines"], true);
    EXPECT_EQ(json["channels"][1]["flag_before"]["with_lines"], false);
    const nlohmann::json difference = nlohmann::json::parse(R"([
        {"change": "removed", "line": 2, "text": "ATS0=1"},
        {"change": "added", "line": 2, "text": "ATS0=2"}])");
    EXPECT_EQ(mcp["difference"], difference);
    EXPECT_EQ(json["channels"][1]["difference"], nlohmann::json::array());

    // Read back, the record is the same value (the files' time is not kept).
    const ReadRecord back = ReadRecordJson(RecordJsonText(r));
    ASSERT_EQ(back.problem, ReadProblem::None) << back.message;
    Record expected = r;
    expected.wallMs = 0;
    EXPECT_EQ(back.record, expected);
}

TEST(RecordBuilding, AnInterruptedOrFailedWriteIsNoSuccess) {
    device::ControllerOutcome outcome;
    outcome.found = true;
    outcome.number = 5;
    outcome.speedIndex = 5;
    outcome.stopped = true;
    outcome.write.started = outcome.write.stopSent = true;
    outcome.write.cancelled = outcome.write.cancelTaken = true;
    ControllerJobFacts job;
    job.job = JobKind::Write;
    Record r = ControllerRecord({}, job, outcome, kWallMs);
    EXPECT_EQ(r.outcome.result, "interrupted");
    EXPECT_EQ(r.outcome.stoppedBy, "Выход");
    ASSERT_TRUE(r.outcome.left);
    EXPECT_FALSE(r.outcome.left->committed);
    EXPECT_NE(r.outcome.left->text.find("буферы КВАРД прежние"), std::string::npos);

    outcome.stopped = false;
    outcome.code = 0x15;
    r = ControllerRecord({}, job, outcome, kWallMs);
    EXPECT_EQ(r.outcome.result, "error");
    EXPECT_EQ(r.outcome.code, 0x15);
}

// The text of a record file with one change made to its JSON.
std::string Edited(const Record& r, const std::function<void(nlohmann::ordered_json&)>& edit) {
    auto json = nlohmann::ordered_json::parse(RecordJsonText(r));
    edit(json);
    return json.dump(4);
}

TEST(RecordReading, NoJsonAnotherSchemaAMissingFieldAndEveryEditAreFound) {
    const Record r = WriteRecordOf();
    const struct {
        const char* name;
        std::string text;
        ReadProblem problem;
    } rows[] = {
        {"not JSON", "{\"schema\": \"hayeskvd-record/1\",", ReadProblem::NotJson},
        {"empty", "", ReadProblem::NotJson},
        {"another schema", R"({"schema": "other/2", "job": "read"})", ReadProblem::OtherSchema},
        {"no schema", "[1, 2, 3]", ReadProblem::OtherSchema},
        {"field missing", Edited(r, [](auto& j) { j.erase("outcome"); }), ReadProblem::NotARecord},
        {"outcome text", Edited(r, [](auto& j) { j["outcome"]["text"] = "Всё хорошо"; }),
         ReadProblem::Edited},
        {"a byte of an image",
         Edited(r,
                [](auto& j) {
                    std::string hex = j["channels"][0]["after"]["hex"];
                    hex[10] = hex[10] == '0' ? '1' : '0';
                    j["channels"][0]["after"]["hex"] = hex;
                }),
         ReadProblem::Edited},
        {"an image's hash",
         Edited(r, [](auto& j) { j["channels"][0]["after"]["sha256"] = std::string(64, '0'); }),
         ReadProblem::Edited},
        {"a line", Edited(r, [](auto& j) { j["channels"][0]["after"]["lines"][1] = "ATS0=9"; }),
         ReadProblem::Edited},
        {"the previous record", Edited(r, [](auto& j) { j["previous"] = std::string(64, 'a'); }),
         ReadProblem::Edited},
        {"reformatted only", Edited(r, [](auto&) {}), ReadProblem::None},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const ReadRecord read = ReadRecordJson(row.text);
        EXPECT_EQ(read.problem, row.problem) << read.message;
        EXPECT_EQ(read.message.empty(), row.problem == ReadProblem::None) << read.message;
    }
}

std::string WriteOrFail(const std::string& folder, Record record) {
    const WriteResult written = WriteRecord(folder, record);
    EXPECT_TRUE(written.files) << written.problem;
    return written.files ? written.files->json : std::string();
}

// Three records of number 5 within one second, one of number 6 between
// them: each names the one before it of its own device, and each holds.
TEST(RecordChain, EachRecordNamesTheDevicesPreviousOneAndHolds) {
    test::TempDir dir;
    const std::string folder = dir.Dir() + "records/";
    const std::string first = WriteOrFail(folder, WriteRecordOf(5, kWallMs + 100));
    const std::string other = WriteOrFail(folder, WriteRecordOf(6, kWallMs + 150));
    const std::string second = WriteOrFail(folder, WriteRecordOf(5, kWallMs + 200));
    const std::string third = WriteOrFail(folder, WriteRecordOf(5, kWallMs + 300));
    EXPECT_EQ(fs::path(first).filename(),
              "kvard-Com1-5-2026-12-07-" + CheckRecordFile(first).record.timeLocal.substr(11, 2) +
                  "-23-45-write.json");
    EXPECT_NE(second, first);

    const RecordVerdict v1 = CheckRecordFile(first), v2 = CheckRecordFile(second),
                        v3 = CheckRecordFile(third), v6 = CheckRecordFile(other);
    for (const RecordVerdict* v : {&v1, &v2, &v3, &v6}) EXPECT_TRUE(v->Holds()) << v->message;
    EXPECT_FALSE(v1.record.previous);
    EXPECT_FALSE(v6.record.previous);
    EXPECT_EQ(v2.record.previous, v1.sha256);
    EXPECT_EQ(v3.record.previous, v2.sha256);
    // The HTML beside each says the same.
    EXPECT_TRUE(fs::exists(fs::path(third).replace_extension(".html")));
}

// Records of one device in the same millisecond: each still follows the
// one written before it, whatever their files' names.
TEST(RecordChain, RecordsOfTheSameMillisecondFollowTheirOrderOfWriting) {
    test::TempDir dir;
    std::vector<RecordVerdict> v;
    for (int i = 0; i < 3; ++i)
        v.push_back(CheckRecordFile(WriteOrFail(dir.Dir(), WriteRecordOf())));
    for (std::size_t i = 0; i < v.size(); ++i) {
        const RecordVerdict now =
            CheckRecordFile(dir.Dir() + RecordStem(WriteRecordOf()) +
                            (i == 0 ? "" : "-" + std::to_string(i + 1)) + ".json");
        EXPECT_TRUE(now.Holds()) << i << ": " << now.message;
        if (i > 0) {
            EXPECT_EQ(now.record.previous, v[i - 1].sha256) << i;
        }
    }
}

TEST(RecordChain, ARemovedOrReplacedRecordBreaksTheChain) {
    test::TempDir dir;
    const std::string folder = dir.Dir();
    const std::string first = WriteOrFail(folder, WriteRecordOf(5, kWallMs));
    const std::string second = WriteOrFail(folder, WriteRecordOf(5, kWallMs + 1000));
    const std::string third = WriteOrFail(folder, WriteRecordOf(5, kWallMs + 2000));

    // The first replaced by a record made anew (valid in itself, and first
    // of its device): the second no longer names it.
    Record forged = WriteRecordOf(5, kWallMs);
    forged.outcome.text = "Другое";
    std::ofstream(first, std::ios::binary | std::ios::trunc) << RecordJsonText(forged);
    RecordVerdict v = CheckRecordFile(first);
    EXPECT_EQ(v.fault, RecordFault::ChainBroken);
    EXPECT_NE(v.message.find("следующий акт"), std::string::npos) << v.message;
    v = CheckRecordFile(second);
    EXPECT_EQ(v.fault, RecordFault::ChainBroken) << v.message;

    // The second removed: the third names a record that is not there.
    fs::remove(second);
    v = CheckRecordFile(third);
    EXPECT_EQ(v.fault, RecordFault::ChainBroken);
    EXPECT_NE(v.message.find("не найден"), std::string::npos) << v.message;
    EXPECT_FALSE(v.Holds());
}

TEST(RecordFiles, ANameTakenIsNeverReplaced) {
    test::TempDir dir;
    const Record r = WriteRecordOf();
    const std::string stem = dir.Dir() + RecordStem(r);
    std::ofstream(stem + ".html") << "someone else's";
    const std::string written = WriteOrFail(dir.Dir(), r);
    EXPECT_EQ(written, stem + "-2.json");
    std::ifstream in(stem + ".html");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "someone else's");
    EXPECT_FALSE(fs::exists(stem + ".json"));
    // Nothing temporary is left.
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().string().find(".part"), std::string::npos) << entry.path();
}

TEST(RecordFiles, AFolderThatCannotBeMadeSaysSoAndWritesNothing) {
    test::TempDir dir;
    std::ofstream(dir.File("taken")) << "a file, not a folder";
    Record r = WriteRecordOf();
    const WriteResult result = WriteRecord(dir.File("taken") + "/records/", r);
    EXPECT_FALSE(result.files);
    EXPECT_NE(result.problem.find("taken"), std::string::npos) << result.problem;
    EXPECT_NE(result.problem.find("не создаётся"), std::string::npos) << result.problem;
}

TEST(RecordFiles, TheListIsNewestFirstAndNamesFilesThatAreNoRecord) {
    test::TempDir dir;
    WriteOrFail(dir.Dir(), WriteRecordOf(5, kWallMs));
    WriteOrFail(dir.Dir(), WriteRecordOf(5, kWallMs + 60'000));
    std::ofstream(dir.File("notes.json")) << "not json";
    const std::vector<RecordEntry> entries = ListRecords(dir.Dir());
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_GT(entries[0].record.timeUtc, entries[1].record.timeUtc);
    EXPECT_EQ(entries[2].problem, ReadProblem::NotJson);
    const RecordVerdict v = CheckRecordFile(dir.File("notes.json"));
    EXPECT_EQ(v.fault, RecordFault::NotJson);
    EXPECT_FALSE(v.Readable());
}

TEST(LineDifference, RemovedLinesComeBeforeTheLinesAddedInTheirPlace) {
    using K = LineChange::Kind;
    const struct {
        std::vector<std::string> from, to;
        std::vector<LineChange> changes;
        std::optional<std::size_t> first;
    } rows[] = {
        {{"A", "B"}, {"A", "B"}, {}, std::nullopt},
        {{"A", "B", "C"}, {"A", "X", "C"}, {{K::Removed, 2, "B"}, {K::Added, 2, "X"}}, 1},
        {{"A"}, {"A", "B"}, {{K::Added, 2, "B"}}, 1},
        {{"A", "B"}, {"B"}, {{K::Removed, 1, "A"}}, 0},
        {{}, {"A"}, {{K::Added, 1, "A"}}, 0},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(DiffLines(row.from, row.to), row.changes);
        EXPECT_EQ(FirstDifferingLine(row.from, row.to), row.first);
    }
}

TEST(RecordPage, TheHeaderSaysTheDeviceAndTheOutcomeAndTextIsEscaped) {
    Record r = WriteRecordOf();
    r.operatorName = "<script>";
    const std::string html = RecordHtml(r, std::string(64, 'f'));
    EXPECT_NE(html.find("КВАРД № 5 на Com1"), std::string::npos);
    EXPECT_NE(html.find("&lt;script&gt;"), std::string::npos);
    EXPECT_EQ(html.find("<script>"), std::string::npos);
    EXPECT_NE(html.find(std::string(64, 'f')), std::string::npos);
    // Self-contained: nothing is fetched from elsewhere.
    EXPECT_EQ(html.find("src="), std::string::npos);
    EXPECT_EQ(html.find("href="), std::string::npos);
}

TEST(RecordPort, TheAdaptersKeptCheckTravelsWithEveryRecordThroughIt) {
    test::TempDir dir;
    const std::string kept = dir.Dir() + "HayesKvd.ini";
    KeptAdapterCheck check;
    check.date = "2026-12-08";
    check.depth = CheckDepth::Loopback;
    check.markSpace = MarkSpaceFinding::NotSent;
    check.passed = false;
    std::string error;
    ASSERT_TRUE(KeepAdapterCheck(kept, AdapterKey(AdapterIdentity{}, "Com7"), check, error))
        << error;

    // Through the checked adapter: its verdict; through another: none.
    const PortFacts through = PortFactsOf("Com7", "/dev/pts/97", "", kept, dir.Dir());
    EXPECT_EQ(through.adapter.check, check.Text());
    EXPECT_EQ(through.adapter.checkPassed, std::optional<bool>(false));
    const PortFacts other = PortFactsOf("Com8", "/dev/pts/98", "", kept, dir.Dir());
    EXPECT_EQ(other.adapter.check, "");
    EXPECT_EQ(other.adapter.checkPassed, std::nullopt);

    // The record says it in its JSON, reads it back whole and shows it.
    Record r = WriteRecordOf();
    r.port = through;
    const ReadRecord back = ReadRecordJson(RecordJsonText(r));
    ASSERT_EQ(back.problem, ReadProblem::None) << back.message;
    EXPECT_EQ(back.record.port, through);
    const auto j = nlohmann::json::parse(RecordJsonText(r));
    EXPECT_EQ(j["port"]["adapter"]["check"]["passed"], false);
    EXPECT_NE(RecordHtml(r, "").find(check.Text()), std::string::npos);
    r.port = other;
    EXPECT_TRUE(nlohmann::json::parse(RecordJsonText(r))["port"]["adapter"]["check"].is_null());
    EXPECT_NE(RecordHtml(r, "").find("адаптер не проверялся"), std::string::npos);
}

}  // namespace
}  // namespace hk::records
