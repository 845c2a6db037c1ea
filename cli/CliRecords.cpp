// The command line's records («Акт наладки»): the record of each read,
// write, modem run and modem check, the `records` listing and the
// `record-check` of a record against the controller it names.

#include <algorithm>
#include <nlohmann/json.hpp>

#include "base/Interruption.h"
#include "base/LocalTime.h"
#include "base/Utf8Path.h"
#include "cli/CliModemSide.h"
#include "cli/CliSession.h"
#include "cli/JsonLine.h"
#include "device/BufferTransfer.h"
#include "device/Commands.h"
#include "device/ControllerJob.h"
#include "device/KitBuffers.h"
#include "device/LinkSearch.h"
#include "link/SettingsStore.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/PortNames.h"
#include "records/LineDiff.h"
#include "records/RecordBuild.h"
#include "records/RecordCheck.h"
#include "records/RecordFiles.h"
#include "records/RecordHistory.h"
#include "records/RecordHtml.h"
#include "records/Sha256.h"

namespace hk::cli {
namespace {

using records::Record;

std::string FileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

// «07.12.2026 11:23:45» of the record's local time.
std::string ShownTime(const std::string& iso) {
    if (iso.size() < 19) return iso;
    return iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " +
           iso.substr(11, 8);
}

// A channel of the record against what the controller holds now.
struct ChannelCompared {
    const records::ChannelFacts* facts = nullptr;
    bool compared = false;  // the record holds its image
    bool same = true;
    std::string difference;  // «строка 2: в акте «…», в КВАРД «…»»
    std::optional<std::size_t> line;
    std::string inRecord, inController;
};

ChannelCompared Compare(const Record& record, const records::ChannelFacts& channel,
                        const std::vector<std::uint8_t>& read,
                        const std::optional<std::array<std::uint8_t, 2>>& flag) {
    ChannelCompared c;
    c.facts = &channel;
    const std::vector<std::uint8_t>* kept = records::FinalImage(record, channel);
    if (!kept) return c;
    c.compared = true;
    if (*kept != read) {
        c.same = false;
        const auto recorded = records::BufferLines(*kept), now = records::BufferLines(read);
        c.line = records::FirstDifferingLine(recorded, now);
        if (c.line) {
            const std::size_t i = *c.line;
            c.inRecord = i < recorded.size() ? recorded[i] : std::string();
            c.inController = i < now.size() ? now[i] : std::string();
            c.difference = "строка " + std::to_string(i + 1) + ": в акте " +
                           (i < recorded.size() ? "«" + c.inRecord + "»" : "её нет") +
                           ", в КВАРД " + (i < now.size() ? "«" + c.inController + "»" : "её нет");
        } else {
            // The lines are the same: a byte after the end of the list differs.
            std::size_t at = 0;
            while (at < kept->size() && at < read.size() && (*kept)[at] == read[at]) ++at;
            c.difference =
                "строки те же, но отличается байт " + std::to_string(at + 1) + " за концом списка";
        }
        return c;
    }
    const std::array<std::uint8_t, 2>* keptFlag = records::FinalFlag(record, channel);
    if (keptFlag && flag && *keptFlag != *flag) {
        c.same = false;
        c.difference =
            std::string("флаг буфера (параметр ") +
            records::ControlParameterName(channel.controlChannel) + "): в акте " +
            (records::FlagWithLines(*keptFlag) ? "«буфер со строками»"
                                               : "«буфер не используется»") +
            ", в КВАРД " +
            (records::FlagWithLines(*flag) ? "«буфер со строками»" : "«буфер не используется»");
    }
    return c;
}

}  // namespace

std::string CliSession::RecordFolder() const {
    return args_.recordDir.empty() ? records::DefaultRecordFolder(places_.dataDir)
                                   : args_.recordDir;
}

records::JobPlace CliSession::RecordPlace() const {
    records::JobPlace place;
    place.programName = records::kCommandLineProgram;
    place.port = records::PortFactsOf(args_.port, link_.PortHandle,
                                      places_.dataDir + kKeptChoicesFileName);
    return place;
}

int CliSession::Recorded(int status, Record record) {
    if (StopTaken()) {
        record.outcome.result = "interrupted";
        record.outcome.stoppedBy = InterruptionName(signal_);
    } else if (status != kExitOk && record.outcome.result == "ok") {
        record.outcome.result = "error";
    }
    record.outcome.status = status;
    if (status != kExitOk && !lastMessage_.empty()) record.outcome.text = lastMessage_;
    record.log = records::LogExtentBetween(jobStart_, log_.Place());
    const std::string folder = RecordFolder();
    const records::WriteResult written = records::WriteRecord(folder, record);
    if (written.files) {
        Say("Акт наладки: " + written.files->json);
        return status;
    }
    // The job stands as it was told; only the record is missing.
    Complain("акт наладки не записан: " + written.problem +
             ". Сама работа от этого не изменилась (её итог — выше); укажите другую папку "
             "актов: --record ПАПКА (или --no-record без акта)");
    return status == kExitOk ? kExitRecordNotWritten : status;
}

int CliSession::RecordControllerJob(int status, BufferJob what) {
    if (!args_.record || !controllerJob_) return status;
    const device::ControllerOutcome& outcome = controllerJob_->Outcome();
    // No controller answered: no device was touched.
    if (!outcome.found) return status;
    records::ControllerJobFacts facts;
    facts.job = what == BufferJob::Read ? records::JobKind::Read : records::JobKind::Write;
    facts.kitIndex = *args_.kit;
    facts.settings = link_.Settings;
    return Recorded(status,
                    records::ControllerRecord(RecordPlace(), facts, outcome, SystemWallMs()));
}

int CliSession::RecordModemJob(int status, records::JobKind job) {
    if (!args_.record || !modemSide_) return status;
    const RunReport* run =
        job == records::JobKind::ModemWrite ? &modemSide_->console.Run() : nullptr;
    const CheckResult* check = modemCheck_ ? &*modemCheck_ : nullptr;
    // Only a job that reached the modem: a line went out, or a question.
    const bool asked = check && check->outcome != CheckOutcome::NotStarted &&
                       check->outcome != CheckOutcome::NothingToCheck &&
                       check->outcome != CheckOutcome::QuietModem;
    if ((!run || run->Lines().empty()) && !asked) return status;
    records::ModemJobFacts facts;
    facts.job = job;
    facts.listFile = args_.listFile;
    if (const auto bytes = records::ReadFileBytes(args_.listFile))
        facts.listSha256 = records::Sha256Hex(*bytes);
    Record record = records::ModemRecord(RecordPlace(), facts, run, check, SystemWallMs());
    record.port.line = records::LineOf(link_.PortHandle.HeldParams(), kLinkRs232);
    return Recorded(status, std::move(record));
}

int CliSession::Records() {
    const std::string folder = RecordFolder();
    const std::vector<records::RecordEntry> entries = records::ListRecords(folder);
    const std::vector<const records::RecordEntry*> rows =
        records::FilterRecords(entries, args_.port, args_.number);
    Json list = Json::array();
    std::string text;
    for (const records::RecordEntry* e : rows) {
        const bool known = records::Known(*e);
        Json& one = list.emplace_back();
        one["file"] = e->json;
        one["html"] = e->html.empty() ? Json() : Json(e->html);
        one["time_local"] = known ? Json(e->record.timeLocal) : Json();
        one["job"] = known ? Json(records::JobName(e->record.job)) : Json();
        one["port"] = known ? Json(e->record.port.name) : Json();
        one["number"] = known && e->record.controller ? Json(e->record.controller->number) : Json();
        one["result"] = known ? Json(e->record.outcome.result) : Json();
        one["text"] = known ? Json(e->record.outcome.text) : Json();
        one["problem"] = e->problem == records::ReadProblem::None ? Json() : Json(e->message);
        text += (known ? ShownTime(e->record.timeLocal) + "  " + records::DeviceTitle(e->record) +
                             ", " + records::JobTitle(e->record.job) + "  "
                       : std::string()) +
                records::RowVerdict(*e) + "  " + FileName(e->json) + "\n";
    }
    if (args_.json) {
        Json result;
        result["result"] = "ok";
        result["folder"] = folder;
        result["records"] = std::move(list);
        out_ << JsonLine(result) << '\n';
    } else if (text.empty()) {
        out_ << "В папке «" << folder << "» нет актов"
             << (args_.port.empty() && !args_.number ? "" : " с этим отбором") << '\n';
    } else {
        out_ << text;
    }
    return kExitOk;
}

int CliSession::RecordCheck() {
    const records::RecordVerdict verdict = records::CheckRecordFile(args_.recordFile);
    const std::string name = "акт «" + args_.recordFile + "»";
    // A record whose own facts do not hold is no measure for anything.
    if (!verdict.Readable() || verdict.fault == records::RecordFault::LogDiffers)
        return Fail(kExitRecordInvalid, name + ": " + verdict.message);
    const Record& record = verdict.record;
    if (!record.controller) {
        if (!verdict.Holds()) return Fail(kExitRecordInvalid, name + ": " + verdict.message);
        return Fail(kExitBadArguments, name +
                                           " — акт модема: его хеши и цепочка в порядке; с "
                                           "устройством сверяются только акты КВАРД");
    }
    const records::ControllerFacts& c = *record.controller;
    const bool anyImage = std::any_of(record.channels.begin(), record.channels.end(),
                                      [&](const records::ChannelFacts& ch) {
                                          return records::FinalImage(record, ch) != nullptr;
                                      });
    if (!anyImage)
        return Fail(kExitFailed, name +
                                     ": в акте нет прочитанных буферов (запись без проверки "
                                     "чтением или неудачная): сверять не с чем");

    // The controller the record names, as the record found it.
    ReadSettings(link_.Settings, state_.CfgFileName);
    device::LinkChoice& choice = view_.choice;
    const int port = ComPortNumber(record.port.name);
    choice.port = port > 0 ? port - 1 : 0;
    choice.portName = record.port.name;
    choice.protocol = c.protocol == "ft12" ? kFt12 : kTraditional;
    choice.crcMode = c.crcMode;
    choice.currentLoop = record.port.line.link == "irps";
    choice.channel = c.channel == "mpi" ? 1 : 0;
    choice.searchAllNumbers = false;
    choice.number = std::to_string(c.number);
    choice.hexView = false;
    const auto speed = SpeedIndexOf(std::to_string(c.baudRate));
    choice.speedItem = speed ? *speed + 1 : 0;
    state_.KitIndex = static_cast<std::uint8_t>(c.kitIndex);
    log_.BeginJob("Сверка с актом (командная строка), " + record.port.name);
    if (!device::OpenForSearch(link_, choice)) return PortNotOpened();
    device::ControllerSession session;
    device::ControllerContext context(state_, link_, session, view_);
    stop_ = [&session] { session.StopRequest = true; };
    const auto release = [&] {
        if (c.number != 0 && choice.protocol == kTraditional && !link_.PortHandle.Unusable())
            device::SendExchangeEnd(context.device);
    };
    if (!device::SearchLink(context, device::SearchRangeFor(static_cast<std::uint8_t>(c.number),
                                                            choice.speedItem))) {
        if (const auto refused = FailIfSettingsRefused()) return *refused;
        release();
        if (StopTaken()) return Interrupted("сверка с актом прервана, КВАРД не найден");
        return Fail(kExitNoController, records::DeviceTitle(record) + " не ответил на " +
                                           std::to_string(c.baudRate) + " бод");
    }
    session.NetNumber = static_cast<std::uint8_t>(c.number);
    if (const int kit = device::CheckKit(context.device, state_.KitIndex); kit != 0) {
        release();
        if (kit == device::kKitMismatch)
            return Fail(kExitKitMismatch, "на месте " + records::DeviceTitle(record) +
                                              " другой комплект, чем в акте");
        return Fail(kExitExchangeFailed,
                    "комплект КВАРД не прочитан: " + device::StepResultText(kit));
    }
    device::BufferReads reads{};
    if (device::ReadImages(context, reads) != 0) {
        const int failure = session.LastResult;
        release();
        return Fail(kExitExchangeFailed,
                    "буферы КВАРД не прочитаны: " + device::StepResultText(failure));
    }
    std::vector<ChannelCompared> compared;
    for (std::size_t i = 0; i < record.channels.size() && i < reads.size(); ++i) {
        const records::ChannelFacts& ch = record.channels[i];
        std::optional<std::array<std::uint8_t, 2>> flag;
        if (records::FinalFlag(record, ch)) {
            std::array<std::uint8_t, 2> value{};
            if (device::ReadControlBytes(context.device, ch.controlChannel, value) != 0) {
                release();
                return Fail(kExitExchangeFailed,
                            "флаг буфера канала " + records::ChannelTitle(ch.tag) + " не прочитан");
            }
            flag = value;
        }
        const std::vector<std::uint8_t> image(reads[i].begin(),
                                              reads[i].begin() + device::kBufferBytes);
        compared.push_back(Compare(record, ch, image, flag));
    }
    release();
    if (StopTaken()) return Interrupted("сверка с актом прервана");

    std::string text;
    Json channels = Json::array();
    const ChannelCompared* first = nullptr;
    for (const ChannelCompared& cc : compared) {
        const std::string title = records::ChannelTitle(cc.facts->tag);
        Json& one = channels.emplace_back();
        one["channel"] = cc.facts->tag;
        one["compared"] = cc.compared;
        one["same"] = cc.compared ? Json(cc.same) : Json();
        one["line"] = cc.line ? Json(*cc.line + 1) : Json();
        one["difference"] = cc.same ? Json() : Json(cc.difference);
        if (!cc.compared)
            text += "Канал " + title + ": в акте нет его содержимого после работы, не сверялся\n";
        else if (cc.same)
            text += "Канал " + title + ": совпадает с актом\n";
        else
            text += "Канал " + title + ": отличается: " + cc.difference + "\n";
        if (cc.compared && !cc.same && !first) first = &cc;
    }
    for (const std::string& note : verdict.notes) text += note + "\n";
    const std::string device = records::DeviceTitle(record);
    std::string summary =
        first ? device + " хранит не то, что в акте: канал " +
                    records::ChannelTitle(first->facts->tag) + ", " + first->difference
              : device + " хранит то же, что в акте от " + ShownTime(record.timeLocal);
    int status = first ? kExitVerifyMismatch : kExitOk;
    if (!verdict.Holds()) {
        // The controller was read all the same; the record's chain does not hold.
        summary += ". Но " + name + " не доказателен: " + verdict.message;
        status = kExitRecordInvalid;
    }
    Json result;
    result["result"] = status == kExitOk ? "ok" : "error";
    result["status"] = status;
    result["record"] = args_.recordFile;
    result["holds"] = verdict.Holds();
    result["problem"] = verdict.Holds() ? Json() : Json(verdict.message);
    result["notes"] = verdict.notes;
    result["channels"] = std::move(channels);
    result["summary"] = summary;
    Finish(result, text + summary);
    if (status != kExitOk) Complain(summary);
    return status;
}

}  // namespace hk::cli
