#include "records/RecordBuild.h"

#include <filesystem>
#include <fstream>

#include "base/ProgramPlaces.h"
#include "base/Utf8Path.h"
#include "base/Windows1251.h"
#include "device/Backups.h"
#include "device/BufferTransfer.h"
#include "device/Commands.h"
#include "device/KitBuffers.h"
#include "link/Port.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"
#include "ports/RefusedLineSettings.h"
#include "ports/SerialDevices.h"
#include "records/Sha256.h"

namespace hk::records {
namespace {

const char* ParityName(Parity parity) {
    switch (parity) {
        case Parity::Odd:
            return "odd";
        case Parity::Even:
            return "even";
        case Parity::Mark:
            return "mark";
        case Parity::Space:
            return "space";
        case Parity::None:
            break;
    }
    return "none";
}

const char* LinkName(int linkKind) {
    switch (linkKind) {
        case kLinkLoop:
        case kLinkLoopEcho:
            return "irps";
        case kLinkModem:
            return "modem";
        default:
            return "rs232";
    }
}

}  // namespace

std::string SystemUserName() {
    for (const char* name : {"USER", "LOGNAME", "USERNAME"})
        if (std::string user = SystemEnvironment(name); !user.empty()) return user;
    return {};
}

PortFacts PortFactsOf(const std::string& portName, const SerialLine& line,
                      const std::string& keptFile) {
    return PortFactsOf(portName, line.DeviceText(), line.DriverText(), keptFile);
}

PortFacts PortFactsOf(const std::string& portName, const std::string& device,
                      const std::string& driver, const std::string& keptFile,
                      const std::string& root) {
    PortFacts port;
    port.name = portName;
    port.device = device;
    port.adapter.driver = driver;
    if (port.device.empty()) return port;
    if (root.empty()) {
        const std::vector<SerialDevice> devices = ListSerialDevices();
        if (const SerialDevice* found = DeviceBehind(devices, port.device)) {
            port.adapter.device = found->path;
            port.adapter.stablePath = found->stablePath;
            port.adapter.name = found->name;
        }
    }
    const AdapterIdentity identity = IdentifyAdapter(port.device, root);
    if (identity.Usb()) port.adapter.usb = identity.vendorId + ":" + identity.productId;
    port.adapter.serial = identity.serial;
    port.adapter.interfaceNumber = identity.interfaceNumber;
    if (port.adapter.driver.empty()) port.adapter.driver = identity.driver;
    if (port.adapter.name.empty()) port.adapter.name = AdapterTitle(identity);
    if (!keptFile.empty()) {
        if (const auto kept = KeptAdapterCheckOf(keptFile, AdapterKey(identity, portName))) {
            port.adapter.check = kept->Text();
            port.adapter.checkPassed = kept->passed;
        }
    }
    return port;
}

LineFacts ControllerLineOf(const TPortSettings& settings) {
    LineFacts line;
    const int speed = settings.SpeedIndex;
    line.baudRate = speed >= 0 && speed < static_cast<int>(BaudRates.size())
                        ? BaudRates[static_cast<std::size_t>(speed)]
                        : 0;
    line.dataBits = 8;
    line.link = LinkName(settings.LinkKind);
    if (settings.NetAddress != 0 && settings.Protocol == kTraditional) {
        // The parity bit is the ninth bit that marks the address byte.
        line.stopBits = 1;
        line.parity = settings.Channel == 0 ? "space" : "odd";
        line.addressParity = settings.Channel == 0 ? "mark" : "even";
    } else {
        line.parity = "none";
        line.stopBits = settings.LinkKind == kLinkModem ? 1 : 2;
    }
    return line;
}

LineFacts LineOf(const LineParams& params, int linkKind) {
    LineFacts line;
    line.baudRate = params.BaudRate;
    line.dataBits = params.ByteSize;
    line.stopBits = params.StopBits == StopBits::Two ? 2 : 1;
    line.parity = ParityName(params.Parity);
    line.link = LinkName(linkKind);
    return line;
}

std::string BuffersLeftText(const device::WriteRecord& write) {
    if (write.committed) return "буферы скопированы в РПЗУ";
    if (write.cancelled && write.cancelTaken) return "отменено копирование, буферы КВАРД прежние";
    if (write.cancelled)
        return "отмена копирования не подтверждена: буферы КВАРД прежние, но КВАРД может "
               "оставаться в режиме репрограммации";
    if (write.commitUnknown)
        return "неизвестно, скопированы ли новые буферы в РПЗУ, и КВАРД может оставаться в "
               "режиме репрограммации (прочитайте буферы)";
    if (write.copyInAccepted) return "копирование не закончено, буферы КВАРД прежние";
    return "копирование в буфер репрограммации не начато, буферы КВАРД прежние";
}

std::string ControllerLeftText(const device::WriteRecord& write) {
    if (!write.TouchedController()) return "команда STOP не отправлена, КВАРД не изменён";
    const std::string buffers = BuffersLeftText(write);
    if (write.restarted) return buffers + ", КВАРД перезапущен";
    if (write.controllerStopped) return buffers + ", КВАРД остановлен";
    if (write.stopSent) return buffers + ", КВАРД, возможно, остановлен: команда STOP отправлена";
    return buffers;
}

OutcomeFacts OutcomeOfController(JobKind job, const device::ControllerOutcome& outcome) {
    OutcomeFacts o;
    const bool done = job == JobKind::Write ? outcome.written : outcome.read;
    o.result = done ? "ok" : outcome.stopped ? "interrupted" : "error";
    o.code = outcome.code;
    if (outcome.stopped && !done) o.stoppedBy = "Выход";
    if (done)
        o.text = job != JobKind::Write    ? "Буферы прочитаны"
                 : outcome.write.verified ? device::kVerifiedText
                                          : "Записано (без проверки чтением)";
    else
        o.text = !outcome.message.empty() ? outcome.message : device::StepResultText(outcome.code);
    if (job == JobKind::Write) {
        const device::WriteRecord& w = outcome.write;
        o.left = ControllerLeft{w.TouchedController(), w.controllerStopped, w.cancelled,
                                w.committed,           w.restarted,         ControllerLeftText(w)};
    }
    return o;
}

Record ControllerRecord(const JobPlace& place, const ControllerJobFacts& job,
                        const device::ControllerOutcome& outcome, std::int64_t wallMs) {
    Record r;
    r.programName = place.programName;
    r.operatorName = place.operatorName.empty() ? SystemUserName() : place.operatorName;
    r.job = job.job;
    r.port = place.port;
    StampTime(r, wallMs);

    ControllerFacts c;
    c.number = outcome.number;
    c.baudRate =
        outcome.speedIndex >= 0 ? BaudRates[static_cast<std::size_t>(outcome.speedIndex)] : 0;
    const bool ft12 = job.settings.Protocol == kFt12;
    c.protocol = ft12 ? "ft12" : "traditional";
    c.crcMode = ft12 ? job.settings.CrcMode : 0;
    c.channel = job.settings.Channel == 0 ? "mcp" : "mpi";
    c.kitIndex = job.kitIndex;
    c.kitTitle = device::KitTitle(job.kitIndex);
    c.identification = outcome.identification;
    c.status = outcome.status;
    r.controller = c;

    const device::KitLayout& kit = device::KitBuffersOf(job.kitIndex);
    for (int i = 0; i < kit.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        const device::ChannelBytes& bytes = outcome.channels[k];
        ChannelFacts channel;
        channel.tag = device::ChannelTag(job.kitIndex, kit.buffers[k]);
        channel.controlChannel = kit.buffers[k].channel;
        channel.before = bytes.before;
        channel.written = bytes.written;
        channel.after = bytes.after;
        channel.flagBefore = bytes.flagBefore;
        channel.flagAfter = bytes.flagAfter;
        r.channels.push_back(std::move(channel));
    }
    r.outcome = OutcomeOfController(job.job, outcome);
    r.port.line = ControllerLineOf(job.settings);
    return r;
}

const char* LineVerdictName(const SentLine& line) {
    if (!line.answer.Found()) return "none";
    if (line.WentOnLine()) return "connect";
    if (line.Verdict() == LineVerdict::Ok) return "ok";
    if (line.Verdict() == LineVerdict::Error) return "error";
    return "other";
}

const char* CheckVerdictName(CheckVerdict verdict) {
    switch (verdict) {
        case CheckVerdict::Same:
            return "same";
        case CheckVerdict::Differs:
            return "differs";
        case CheckVerdict::Unchecked:
            break;
    }
    return "unchecked";
}

std::string ListSha256(const std::vector<std::string>& lines) {
    std::string bytes;
    for (const std::string& line : lines) bytes += line + "\r\n";
    return Sha256Hex(bytes);
}

OutcomeFacts OutcomeOfModem(const RunReport* run, const CheckResult* check) {
    OutcomeFacts o;
    bool ok = true;
    std::string text;
    if (run) {
        ok = run->Completed() && run->FailedLines() == 0;
        text = run->SummaryText();
    }
    if (check) {
        const bool checkedWell = check->outcome == CheckOutcome::NothingToCheck ||
                                 (check->outcome == CheckOutcome::Done && check->Differing() == 0 &&
                                  check->Checked() > 0);
        ok = ok && checkedWell;
        const std::string summary = check->SummaryText();
        if (!summary.empty()) text += (text.empty() ? "" : ". ") + summary;
        if (check->outcome == CheckOutcome::Stopped) {
            o.result = "interrupted";
            o.stoppedBy = "Выход";
        }
    }
    if (o.result != "interrupted") o.result = ok ? "ok" : "error";
    o.text = text;
    return o;
}

Record ModemRecord(const JobPlace& place, const ModemJobFacts& job, const RunReport* run,
                   const CheckResult* check, std::int64_t wallMs) {
    Record r;
    r.programName = place.programName;
    r.operatorName = place.operatorName.empty() ? SystemUserName() : place.operatorName;
    r.job = job.job;
    r.port = place.port;
    StampTime(r, wallMs);
    ModemFacts m;
    m.listFile = job.listFile;
    m.listSha256 = job.listSha256;
    if (run) {
        for (const SentLine& line : run->Lines())
            m.lines.push_back({line.number, line.listIndex + 1, Utf8FromWindows1251(line.text),
                               line.answer.Found() ? line.answer.Code() : std::string(),
                               LineVerdictName(line)});
        m.runSummary = run->SummaryText();
    }
    if (check) {
        m.checked = true;
        for (const CheckRow& row : check->rows)
            m.settings.push_back(
                {row.setting,
                 row.profile == kActiveSettings ? std::nullopt : std::optional(row.profile),
                 row.listValue, row.modemValue, CheckVerdictName(row.verdict), row.lineIndex + 1});
        m.checkSummary = check->SummaryText();
    }
    r.modem = std::move(m);
    r.outcome = OutcomeOfModem(run, check);
    return r;
}

std::optional<LogExtent> LogExtentBetween(const LogPlace& from, const LogPlace& to) {
    if (to.file.empty()) return std::nullopt;
    LogExtent extent;
    // Named whole, so that a check run from another folder finds it.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(PathFromUtf8(to.file), ec);
    extent.file = ec ? to.file : Utf8FromPath(absolute);
    extent.from = from.file == to.file ? from.size : 0;
    extent.to = to.size;
    if (extent.to < extent.from) return std::nullopt;
    std::ifstream in(PathFromUtf8(to.file), std::ios::binary);
    if (!in) return std::nullopt;
    std::string bytes(static_cast<std::size_t>(extent.to - extent.from), '\0');
    in.seekg(static_cast<std::streamoff>(extent.from));
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()))) return std::nullopt;
    extent.sha256 = Sha256Hex(bytes);
    return extent;
}

}  // namespace hk::records
