#include "cli/CliSession.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <random>
#include <sstream>

#include "base/FileError.h"
#include "base/Interruption.h"
#include "base/Utf8Path.h"
#include "base/WholeFile.h"
#include "base/Windows1251.h"
#include "cli/CliModemSide.h"
#include "cli/CliModemWindow.h"
#include "cli/JsonLine.h"
#include "device/BufferTransfer.h"
#include "device/Commands.h"
#include "device/ControllerContext.h"
#include "device/ControllerJob.h"
#include "device/KitBuffers.h"
#include "device/LinkSearch.h"
#include "device/NetworkScan.h"
#include "link/Deadline.h"
#include "link/SettingsStore.h"
#include "lists/ListFiles.h"
#include "modem/ModemConsole.h"
#include "ports/PortNames.h"
#include "protocol/Results.h"

namespace hk::cli {
namespace {

constexpr int kKeyPollMs = 1000;  // the dialog's timer re-checks the key once a second
constexpr int kKeySliceMs = 50;   // how soon a signal ends that wait
// A modem that has not answered a line of a run this long fails the job
// (--silence sets another limit), as the window's run ends; the settings
// view fails this long after the modem's last byte when no result code has
// ended its answer (--silence too).
constexpr int kModemSilenceSeconds = kLineAnswerLimitMs / 1000;
constexpr int kModemQuietSeconds = kViewAnswerQuietMs / 1000;
// Network numbers as the command line gives them: decimal (the window's
// hex view off).
constexpr bool kHexView = false;

std::string SpeedText(int speedIndex) {
    return std::to_string(BaudRates[static_cast<std::size_t>(speedIndex)]) + " бод";
}

// The list lines as the window saves them (Windows-1251, CR LF).
void WriteList(std::ostream& out, const std::vector<std::string>& lines) {
    for (const std::string& line : lines) out << line << "\r\n";
}

std::vector<std::string> Utf8Lines(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) out.push_back(Utf8FromWindows1251(line));
    return out;
}

// The check's table as a JSON array, a row an object.
Json CheckRowsJson(const CheckResult& check) {
    Json rows = Json::array();
    for (const CheckRow& row : check.rows) {
        const char* verdict = row.verdict == CheckVerdict::Same      ? "same"
                              : row.verdict == CheckVerdict::Differs ? "differs"
                                                                     : "unchecked";
        Json& one = rows.emplace_back();
        one["setting"] = row.setting;
        one["profile"] = row.profile == kActiveSettings ? Json() : Json(row.profile);
        one["list"] = row.listValue;
        one["modem"] = row.modemValue ? Json(*row.modemValue) : Json();
        one["verdict"] = verdict;
        one["line"] = row.lineIndex + 1;
    }
    return rows;
}

// A run's lines as a JSON array, a line an object.
Json RunLinesJson(const RunReport& run) {
    Json lines = Json::array();
    for (const SentLine& line : run.Lines()) {
        const char* verdict = !line.answer.Found()                   ? "none"
                              : line.WentOnLine()                    ? "connect"
                              : line.Verdict() == LineVerdict::Ok    ? "ok"
                              : line.Verdict() == LineVerdict::Error ? "error"
                                                                     : "other";
        Json& one = lines.emplace_back();
        one["number"] = line.number;
        one["text"] = Utf8FromWindows1251(line.text);
        one["verdict"] = verdict;
        one["code"] = line.answer.Code();
    }
    return lines;
}

// The exit status a run of a list ends with, before any check.
int RunStatus(const RunReport& run) {
    if (run.EndedByTimeLimit() || run.EndedUnanswered()) return kExitModemSilent;
    if (run.FailedLines() > 0) return kExitModemRefused;
    return run.Completed() ? kExitOk : kExitFailed;
}

// The head of every result object: "ok" or "error", and the exit status.
Json StatusJson(int status) {
    Json result;
    result["result"] = status == kExitOk ? "ok" : "error";
    result["status"] = status;
    return result;
}

std::string CheckText(const CheckResult& check) {
    std::string text;
    for (const CheckRow& row : check.rows) text += RowText(row) + "\n";
    if (!check.listingNote.empty()) text += check.listingNote + "\n";
    return text + check.SummaryText();
}

// The exit status a check ends with.
int CheckStatus(const CheckResult& check) {
    switch (check.outcome) {
        case CheckOutcome::Done:
            if (check.Differing() > 0) return kExitModemDiffers;
            return check.Checked() > 0 ? kExitOk : kExitFailed;
        case CheckOutcome::NothingToCheck:
            return kExitOk;
        case CheckOutcome::ModemSilent:
            return kExitModemSilent;
        case CheckOutcome::NotStarted:
            return kExitPortNotOpened;
        case CheckOutcome::QuietModem:
        case CheckOutcome::Stopped:
        case CheckOutcome::PortLost:
            break;
    }
    return kExitFailed;
}

// What a write that began and did not succeed left the controller in:
// its buffers, then whether it runs. `how` says what ended the write
// ("прерванной", "неудачной") for the hint on restarting it; with
// `restartAsked` (--restart) a controller the write touched was restarted
// unless the port had stopped answering.
std::string WriteStateText(const device::WriteRecord& write, const char* how, bool restartAsked) {
    // Neither STOP nor the copy-in went out: nothing to restart either.
    if (!write.TouchedController()) return "команда STOP не отправлена, КВАРД не изменён";
    std::string text;
    if (write.committed)
        text = "буферы скопированы в РПЗУ";
    else if (write.cancelled && write.cancelTaken)
        text = "отменено копирование, буферы КВАРД прежние";
    else if (write.cancelled)
        text =
            "отмена копирования не подтверждена: буферы КВАРД прежние, но КВАРД может "
            "оставаться в режиме репрограммации";
    else if (write.commitUnknown)
        text =
            "неизвестно, скопированы ли новые буферы в РПЗУ, и КВАРД может оставаться в режиме "
            "репрограммации (прочитайте буферы)";
    else if (write.copyInAccepted)
        text = "копирование не закончено, буферы КВАРД прежние";
    else
        text = "копирование в буфер репрограммации не начато, буферы КВАРД прежние";
    if (write.restarted) return text + ", КВАРД перезапущен";
    if (write.controllerStopped)
        text += ", КВАРД остановлен";
    else if (write.stopSent)
        // STOP went out; its answer, or the report of the stop, did not come.
        text += ", КВАРД, возможно, остановлен: команда STOP отправлена";
    else
        return text;
    if (restartAsked) return text + ", перезапуск не отправлен: порт не отвечает";
    return text + " (--restart перезапускает его после " + how + " записи)";
}

// What a write stopped by a signal left the controller in.
std::string StoppedWriteText(const device::WriteRecord& write, bool restartAsked) {
    if (!write.started) return "запись прервана до её начала: КВАРД не изменён";
    if (!write.TouchedController()) return "запись прервана до команды STOP: КВАРД не изменён";
    std::string text = WriteStateText(write, "прерванной", restartAsked);
    const std::string copied = "буферы скопированы в РПЗУ";
    if (write.committed && !write.verified && text.starts_with(copied))
        text.insert(copied.size(), ", проверка не закончена");
    return "запись прервана: " + text;
}

// A plain word on what an exchange's result code means, for the codes
// whose own text is the controller dialog's terse one.
const char* ResultExplanation(int code) {
    switch (code) {
        case 1:
            return "КВАРД не ответил на запрос: нет связи, другой сетевой номер или скорость";
        case 2:
            return "ответ КВАРД оборвался в заголовке кадра";
        case 3:
            return "КВАРД отказался выполнить запрос: запрос искажён на линии или не разрешён "
                   "сейчас (например, неверный пароль)";
        case 4:
            return "ответ КВАРД искажён: не сходится его контрольная сумма";
        case 5:
            return "ответ КВАРД пришёл не полностью";
        case 6:
            return "КВАРД не подтвердил готовность или приём запроса за отведённое время";
        case 8:
            return "запрос не отправлен: порт не принял данные";
        default:
            return nullptr;
    }
}

// `text` with a plain explanation after each result code's own text (codes
// 1 to 8, e.g. "False" for 6) that ends a sentence in it.
std::string Explained(std::string text) {
    for (int code = 1; code < static_cast<int>(protocol::ExchangeMessages.size()); ++code) {
        const char* plain = ResultExplanation(code);
        if (!plain) continue;
        const std::string own = protocol::ExchangeMessages[static_cast<std::size_t>(code)];
        for (std::size_t at = text.find(own); at != std::string::npos;
             at = text.find(own, at + own.size())) {
            const std::size_t end = at + own.size();
            const bool word = at == 0 || text[at - 1] == ' ';
            const bool ends = end == text.size() || text[end] == '.' || text[end] == '\r' ||
                              text[end] == ',' || text[end] == ';';
            if (!word || !ends) continue;
            const std::string added = std::string(" (") + plain + ")";
            text.insert(end, added);
            at += added.size();
        }
    }
    return text;
}

// A message box breaks its lines at CR; on a terminal a CR would go back to
// the start of the line and the next line would cover the first.
std::string TerminalText(std::string text) {
    for (char& c : text)
        if (c == '\r') c = '\n';
    return text;
}

}  // namespace

CliSession::CliSession(const CliArguments& arguments, SerialLine& line, Clock& clock,
                       const CliPlaces& places, std::ostream& out, std::ostream& err, bool progress,
                       std::function<int()> interruption)
    : args_(arguments),
      clock_(clock),
      places_(places),
      out_(out),
      err_(err),
      progress_(progress),
      wired_(line, clock, view_),
      interruption_(std::move(interruption)) {
    view_.observer = [this](const std::string& text) { Say(text); };
    view_.checkpoint = [this] { Checkpoint(); };
    // The exchange log goes where the window's goes, or where --log says.
    if (!args_.logFile.empty())
        log_.WriteFileTo(args_.logFile);
    else
        log_.WriteFilesTo(places_.dataDir + kLogFolder);
    state_.DataDir = places_.dataDir;
    state_.BackupDir = args_.backupDir;
    // Scripts do not disturb the operator's window settings unless asked.
    if (args_.saveSettings) {
        state_.CfgFileName = places_.settingsDir + kSettingsFileName;
    } else {
        // A record of this run's own, created at its first read.
        std::random_device random;
        std::error_code ec;
        privateSettings_ =
            GenericUtf8FromPath(std::filesystem::temp_directory_path(ec) /
                                ("hayeskvd-cli-" + std::to_string(random()) + ".cfg"));
        state_.CfgFileName = privateSettings_;
    }
}

CliSession::~CliSession() {
    std::error_code ignored;
    if (!privateSettings_.empty()) std::filesystem::remove(PathFromUtf8(privateSettings_), ignored);
}

void CliSession::Say(const std::string& text) {
    if (progress_) err_ << TerminalText(text) << '\n' << std::flush;
}

int CliSession::Fail(int status, const std::string& message) {
    lastMessage_ = message;
    if (args_.json) {
        Json result = StatusJson(status);
        result["message"] = message;
        out_ << JsonLine(result) << '\n';
    }
    err_ << "hayeskvd-cli: " << TerminalText(message) << '\n';
    return status;
}

int CliSession::PortNotOpened() {
    return Fail(kExitPortNotOpened,
                link_.OpenFailure.empty() ? std::string("порт не открыт") : link_.OpenFailure);
}

std::optional<int> CliSession::FailIfSettingsRefused() {
    if (!link_.PortHandle.SettingsRefused()) return std::nullopt;
    return Fail(kExitPortNotOpened, link_.PortHandle.RefusedSettingsText());
}

void CliSession::Finish(const Json& result, const std::string& text) {
    if (args_.json)
        out_ << JsonLine(result) << '\n';
    else
        out_ << text << '\n';
}

void CliSession::Checkpoint() {
    if (signal_ != 0 || !interruption_) return;
    const int signal = interruption_();
    if (signal == 0) return;
    signal_ = signal;
    Say(std::string("Получен ") + InterruptionName(signal) + ": работа останавливается");
    if (stop_) stop_();
}

int CliSession::Interrupted(const std::string& what) {
    const int status = kExitInterrupted + signal_;
    const std::string message = std::string(InterruptionName(signal_)) + ": " + what;
    lastMessage_ = what;
    if (args_.json) {
        Json result;
        result["result"] = "interrupted";
        result["signal"] = InterruptionName(signal_);
        result["status"] = status;
        result["message"] = what;
        out_ << JsonLine(result) << '\n';
    }
    err_ << "hayeskvd-cli: " << message << '\n';
    return status;
}

int CliSession::Run() {
    // A log that cannot be written is found before anything goes out: the
    // exchange would otherwise leave no record where the script looks.
    if (!args_.logFile.empty()) {
        // Its folder is made as the log itself would make it.
        std::error_code ec;
        const std::filesystem::path folder = PathFromUtf8(args_.logFile).parent_path();
        if (!folder.empty()) std::filesystem::create_directories(folder, ec);
        std::FILE* file = OpenFileUtf8(args_.logFile, "ab");
        if (!file)
            return Fail(kExitBadArguments, "журнал обмена «" + args_.logFile +
                                               "» не записывается: " + std::strerror(errno) +
                                               ". Укажите в --log другой файл");
        std::fclose(file);
    }
    // So is a settings file that --save-settings could not store: the
    // outcome of a search, read or write would otherwise end in that failure.
    const bool stores =
        args_.command == "search" || args_.command == "read" || args_.command == "write";
    if (args_.saveSettings && stores) {
        ReadSettings(link_.Settings, state_.CfgFileName);  // made when missing, as a job makes it
        if (const int code = SettingsFileRefusal(state_.CfgFileName))
            return Fail(kExitSettingsNotSaved,
                        "файл настроек «" + state_.CfgFileName +
                            "» не записывается: " + std::strerror(code) +
                            ". Снимите с него защиту от записи или запустите без --save-settings");
    }
    if (args_.command == "records") return Records();
    if (args_.command == "record-check") return RecordCheck();
    if (args_.command == "search") return Search();
    if (args_.command == "scan") return Scan();
    if (args_.command == "read") return ReadOrWrite(BufferJob::Read);
    if (args_.command == "write") return ReadOrWrite(BufferJob::Write);
    if (args_.command == "modem-write") return ModemWrite();
    if (args_.command == "modem-verify") return ModemVerify();
    if (args_.command == "adapter-check") return AdapterCheck();
    return ModemView();
}

void CliSession::ChooseLink() {
    device::LinkChoice& c = view_.choice;
    const int n = ComPortNumber(args_.port);
    c.port = n > 0 ? n - 1 : std::max<int>(0, link_.Settings.PortIndex);
    c.portName = args_.port;
    c.protocol = static_cast<ProtocolKind>(args_.protocol);
    c.crcMode = args_.crcMode;
    c.currentLoop = args_.currentLoop;
    c.channel = args_.channel;
    c.searchAllNumbers = !args_.number;
    c.number = args_.number ? std::to_string(*args_.number) : std::string();
    c.hexView = false;
    c.speedItem = args_.speedIndex ? *args_.speedIndex + 1 : 0;
    c.password = args_.password;
    c.backup = args_.backup;
    c.verify = args_.verify;
}

bool CliSession::OpenForSearch() {
    ChooseLink();
    return device::OpenForSearch(link_, view_.choice);
}

int CliSession::Search() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    ChooseLink();
    log_.BeginJob("Подбор (командная строка), " + args_.port);
    if (!OpenForSearch()) return PortNotOpened();
    device::ControllerSession session;
    device::ControllerContext context(state_, link_, session, view_);
    device::SearchRange range = device::SearchRangeFor(
        args_.number ? static_cast<std::uint8_t>(*args_.number) : device::kNoNetNumber,
        view_.choice.speedItem);
    stop_ = [&session] { session.StopRequest = true; };
    if (!device::SearchLink(context, range)) {
        if (const auto refused = FailIfSettingsRefused()) return *refused;
        device::SendExchangeEnd(context.device);
        if (StopTaken()) return Interrupted("подбор прерван, КВАРД не найден");
        return Fail(kExitNoController,
                    "КВАРД не найден: ни один номер не ответил ни на одной скорости");
    }
    const int number = link_.Settings.NetAddress;
    const int speed = link_.Settings.SpeedIndex;
    session.NetNumber = static_cast<std::uint8_t>(number);
    int kit = 0;
    const int identified = device::IdentifyKit(context.device, kit);
    if (number != 0) device::SendExchangeEnd(context.device);
    if (identified != 0)
        return Fail(kExitExchangeFailed, "КВАРД найден (номер " + std::to_string(number) + ", " +
                                             SpeedText(speed) + "), но комплект не прочитан: " +
                                             Explained(device::StepResultText(identified)));
    if (args_.saveSettings) {
        link_.Settings.PortIndex = static_cast<std::int8_t>(view_.choice.port);
        link_.Settings.Kit = static_cast<std::int8_t>(kit);
        try {
            WriteSettings(link_.Settings, state_.CfgFileName);
        } catch (const FileError& e) {
            return Fail(kExitSettingsNotSaved, e.what());
        }
    }
    Json result;
    result["result"] = "ok";
    result["number"] = number;
    result["speed"] = BaudRates[static_cast<std::size_t>(speed)];
    result["kit"] = kit;
    result["linkKind"] = static_cast<int>(link_.Settings.LinkKind);
    Finish(result, "Найден КВАРД: номер " + std::to_string(number) + ", " + SpeedText(speed) +
                       ", " + device::KitTitle(kit) + " (--kit " + std::to_string(kit) + ")");
    return kExitOk;
}

int CliSession::Scan() {
    ReadSettings(link_.Settings, state_.CfgFileName);
    log_.BeginJob("Опрос сети (командная строка), " + args_.port);
    if (!OpenForSearch()) return PortNotOpened();
    device::ScanRange range = device::DefaultScanRange(args_.protocol);
    if (args_.firstNumber) {
        range.firstNumber = *args_.firstNumber;
        range.lastNumber = *args_.lastNumber;
    }
    if (args_.speedIndex) range.firstSpeed = range.lastSpeed = *args_.speedIndex;
    device::ControllerSession session;
    device::DeviceContext context{link_, session, view_};
    Json controllers = Json::array();
    device::NetworkScan scan(context, range, kHexView, [&](const device::FoundController& f) {
        const std::string kit = device::KitTitle(f.kit);
        const std::string state = device::ControllerStateText(f);
        Json& one = controllers.emplace_back();
        one["number"] = f.number;
        one["speed"] = BaudRates[static_cast<std::size_t>(f.speedIndex)];
        one["kit"] = f.kit;
        one["kitName"] = kit;
        one["state"] = state;
        // One line a controller, as it is found.
        if (!args_.json)
            out_ << "Номер " << f.number << ", " << SpeedText(f.speedIndex) << ", " << kit << ", "
                 << state << '\n'
                 << std::flush;
    });
    stop_ = [&session] { session.StopRequest = true; };
    const std::vector<device::FoundController> found = scan.Run();
    if (const auto refused = FailIfSettingsRefused()) return *refused;
    std::string error;
    if (!args_.csvFile.empty() &&
        !WriteWholeFile(args_.csvFile, device::ScanTableCsv(found, kHexView), error))
        return Fail(kExitFailed, "таблица не сохранена в файл «" + args_.csvFile + "»: " + error +
                                     ". Выберите другую папку или другое имя.");
    if (StopTaken())
        return Interrupted("опрос сети прерван; найдено КВАРД: " + std::to_string(found.size()));
    if (found.empty())
        return Fail(kExitNoController, "ни один КВАРД не ответил на заданных номерах и скоростях");
    if (args_.json) {
        Json result;
        result["result"] = "ok";
        result["controllers"] = std::move(controllers);
        out_ << JsonLine(result) << '\n';
    }
    return kExitOk;
}

int CliSession::ReadOrWrite(BufferJob what) {
    return RecordControllerJob(RunBufferJob(what), what);
}

int CliSession::RunBufferJob(BufferJob what) {
    const bool read = what == BufferJob::Read;
    state_.KitIndex = static_cast<std::uint8_t>(*args_.kit);
    state_.ReadFromDevice = read;
    const device::KitLayout& kit = device::KitBuffersOf(state_.KitIndex);
    if (!read)
        if (const auto failed = ReadInFiles(kit)) return *failed;
    view_.installKey = args_.waitKeySeconds.has_value();
    view_.restart = args_.restart;

    controllerJob_ = std::make_unique<device::ControllerJob>(state_, link_, view_);
    device::ControllerJob& job = *controllerJob_;
    job.Opened();
    ChooseLink();
    // A signal stops the job as "Выход" does: the step under way ends, a
    // write goes on to its copy-out or cancel, then the end of exchange.
    stop_ = [&job] { job.Exit(); };
    jobStart_ = log_.Place();
    job.Search();
    if (const auto failed = WaitForKey(job)) return *failed;
    const device::ControllerOutcome& outcome = job.Outcome();
    if (StopTaken())
        return Interrupted(read ? "чтение прервано"
                                : StoppedWriteText(outcome.write, args_.restart));
    return read ? ReadDone(job, kit) : WriteDone(job);
}

std::optional<int> CliSession::ReadInFiles(const device::KitLayout& kit) {
    // The lists first: a file that is no list, or too long for its
    // buffer, stops the job before the port is touched.
    MemoryLines* memos[2] = {&view_.upper, &view_.lower};
    for (int b = 0; b < kit.count; ++b) {
        const auto k = static_cast<std::size_t>(b);
        if (args_.clear[k]) {
            (b == 0 ? state_.ClearBuffer1 : state_.ClearBuffer2) = true;
            continue;
        }
        if (const auto failed =
                ReadListOrFail(args_.inFiles[k], memos[b]->lines, EmptyList::Allowed))
            return failed;
    }
    std::string over;
    device::EncodeForWrite(state_, args_.protocol, view_.upper, view_.lower, over);
    if (!over.empty()) return Fail(kExitBadArguments, over);
    return std::nullopt;
}

std::optional<int> CliSession::WaitForKey(device::ControllerJob& job) {
    if (job.Session().StatusState != device::kStatusRecheck) return std::nullopt;
    // The electronic key: re-checked once a second while the script waits;
    // a signal ends the wait at once (nothing goes over the line meanwhile).
    const Deadline wait(clock_,
                        std::chrono::milliseconds(std::chrono::seconds(*args_.waitKeySeconds)));
    while (job.Session().StatusState == device::kStatusRecheck && !wait.Expired()) {
        for (int waited = 0; waited < kKeyPollMs && !StopComing(); waited += kKeySliceMs)
            clock_.Sleep(kKeySliceMs);
        Checkpoint();
        if (StopTaken()) break;
        job.Tick();
    }
    if (StopTaken() || job.Session().StatusState != device::kStatusRecheck) return std::nullopt;
    job.Closed();
    job.EndExchange();
    return Fail(kExitKeyMissing, "электронный ключ КВАРД не установлен за " +
                                     std::to_string(*args_.waitKeySeconds) + " с");
}

int CliSession::ReadDone(device::ControllerJob& job, const device::KitLayout& kit) {
    const device::ControllerOutcome& outcome = job.Outcome();
    if (!outcome.read) {
        job.EndExchange();
        return JobFailure(job, "буферы не прочитаны");
    }
    Json buffers = Json::array();
    MemoryLines* memos[2] = {&view_.upper, &view_.lower};
    for (int b = 0; b < kit.count; ++b) {
        Json& buffer = buffers.emplace_back();
        buffer["channel"] = kit.buffers[static_cast<std::size_t>(b)].label;
        buffer["lines"] = Utf8Lines(memos[b]->lines);
    }
    if (const auto failed = WriteOutFiles(kit.count)) return *failed;
    for (int b = 0; b < kit.count; ++b)
        if (args_.outFiles[static_cast<std::size_t>(b)].empty() && !args_.json)
            WriteList(out_, memos[b]->lines);
    Json result;
    result["result"] = "ok";
    result["number"] = outcome.number;
    result["speed"] = BaudRates[static_cast<std::size_t>(outcome.speedIndex)];
    result["buffers"] = std::move(buffers);
    if (args_.json) out_ << JsonLine(result) << '\n';
    if (progress_) err_ << "Буферы прочитаны\n";
    return kExitOk;
}

int CliSession::WriteDone(device::ControllerJob& job) {
    if (!job.Outcome().written) {
        job.EndExchange();
        return JobFailure(job, "запись не выполнена");
    }
    const device::ControllerOutcome written = job.Outcome();
    const bool verified = written.write.verified;
    const bool restarted = written.write.restarted;
    job.Tick();  // stores the settings (when asked) and ends the job as the window does
    job.EndExchange();
    Json result;
    result["result"] = "ok";
    result["number"] = written.number;
    result["speed"] = BaudRates[static_cast<std::size_t>(written.speedIndex)];
    result["verified"] = verified;
    result["restarted"] = restarted;
    std::string text = verified ? "Записано и проверено" : "Записано";
    if (!restarted) text += "; КВАРД не перезапущен (--restart перезапускает)";
    Finish(result, text);
    return kExitOk;
}

int CliSession::JobFailure(const device::ControllerJob& job, const std::string& fallback) {
    const device::ControllerOutcome& outcome = job.Outcome();
    // What the job told of the failure.
    std::string last = outcome.message.empty() ? fallback : outcome.message;
    last = Explained(last);
    // The cause first, then what the write left the controller in.
    if (outcome.write.started)
        last += "\rКВАРД: " + WriteStateText(outcome.write, "неудачной", args_.restart);
    if (const auto refused = FailIfSettingsRefused()) return *refused;
    if (!outcome.portOpened) return Fail(kExitPortNotOpened, last);
    if (!outcome.found)
        return Fail(kExitNoController, "КВАРД не найден на заданных номерах и скоростях");
    if (outcome.code == device::kKitMismatch)
        return Fail(kExitKitMismatch, last + "\r(укажите --kit подключённого комплекта)");
    if (outcome.code == device::kVerifyMismatch) return Fail(kExitVerifyMismatch, last);
    if (outcome.write.backupFailed) return Fail(kExitBackupFailed, last);
    if (outcome.keyRefused || outcome.keyWait)
        return Fail(kExitKeyMissing,
                    "электронный ключ КВАРД не установлен (--wait-key СЕКУНДЫ ждёт его установки)");
    return Fail(kExitExchangeFailed, last);
}

std::optional<int> CliSession::WriteOutFiles(int count) {
    const std::vector<std::string>* lines[2] = {&view_.upper.lines, &view_.lower.lines};
    // What a file written here held before, to put back when a later one fails.
    std::vector<std::pair<std::string, std::optional<std::string>>> written;
    for (int b = 0; b < count; ++b) {
        const std::string& path = args_.outFiles[static_cast<std::size_t>(b)];
        if (path.empty()) continue;
        std::optional<std::string> before;
        if (std::ifstream in(PathFromUtf8(path), std::ios::binary); in) {
            std::ostringstream bytes;
            bytes << in.rdbuf();
            before = bytes.str();
        }
        try {
            WriteListFile(path, *lines[b]);
        } catch (const FileError& e) {
            // Both files or neither: the one written already is taken back.
            std::string restored;
            for (const auto& [name, old] : written) {
                std::string error;
                std::error_code ec;
                const bool back = old ? WriteWholeFile(name, *old, error)
                                      : std::filesystem::remove(PathFromUtf8(name), ec);
                restored += std::string("\r") +
                            (back ? (old ? "Файл «" + name + "» оставлен прежним."
                                         : "Файл «" + name + "» не оставлен.")
                                  : "Файл «" + name + "» записан, но его не удалось вернуть: " +
                                        (old ? error : ec.message()));
            }
            return Fail(kExitFailed, e.what() + restored);
        }
        written.emplace_back(path, std::move(before));
    }
    return std::nullopt;
}

std::optional<int> CliSession::ReadListOrFail(const std::string& path,
                                              std::vector<std::string>& lines, EmptyList empty) {
    std::error_code ec;
    const auto status = std::filesystem::status(PathFromUtf8(path), ec);
    if (!ec && std::filesystem::exists(status) && !std::filesystem::is_regular_file(status))
        return Fail(kExitBadArguments, "«" + path +
                                           "» не обычный файл (папка, устройство или канал): "
                                           "укажите файл списка");
    const auto contents = ReadListFile(path);
    if (!contents)
        return Fail(kExitBadArguments, "файл «" + path + "» не открывается: проверьте имя и права");
    if (contents->refusal)
        return Fail(kExitBadArguments, ListFileRefusalText(path, *contents->refusal));
    if (empty == EmptyList::Refused && contents->lines.empty())
        return Fail(kExitBadArguments, "список «" + path + "» пуст");
    lines = contents->lines;
    return std::nullopt;
}

void CliSession::Complain(const std::string& text) {
    err_ << "hayeskvd-cli: " << TerminalText(text) << '\n';
}

int CliSession::ModemWrite() {
    return RecordModemJob(WriteListToModem(), records::JobKind::ModemWrite);
}

int CliSession::ModemVerify() {
    return RecordModemJob(CheckModemAgainstList(), records::JobKind::ModemCheck);
}

int CliSession::WriteListToModem() {
    std::vector<std::string> list;
    if (const auto failed = ReadListOrFail(args_.listFile, list, EmptyList::Refused))
        return *failed;
    // Every line the run would send fits, or nothing goes out: the lines
    // before one too long must not go in without it.
    if (const int tooLong = FirstLineTooLong(MemoryLines(list)); tooLong >= 0) {
        const std::string message = ListLineTooLongBeforeRunText(tooLong + 1, args_.listFile);
        if (args_.json) {
            Json result = StatusJson(kExitBadArguments);
            result["message"] = message;
            result["summary"] = message;
            out_ << JsonLine(result) << '\n';
        }
        Complain(message);
        return kExitBadArguments;
    }

    modemSide_ = std::make_unique<ModemSide>(*this, list);
    CliModemWindow& window = modemSide_->window;
    ModemConsole& console = modemSide_->console;
    // The run as the window's receiver drives it, until the list is done or
    // a line has gone unanswered for the time limit.
    const std::int64_t silence =
        std::int64_t{args_.silenceSeconds.value_or(kModemSilenceSeconds)} * 1000;
    console.SetAnswerLimitMs(silence);
    jobStart_ = log_.Place();
    console.StartRun();
    if (!state_.PortReady) return PortNotOpened();
    while (console.Run().UnderWay() && window.receiving) console.ModemIdle();
    const RunReport& run = console.Run();
    const bool silent = run.EndedByTimeLimit();
    const bool portLost = link_.PortHandle.HungUp();
    if (StopTaken()) return Interrupted("запись в модем прервана: " + run.SummaryText());
    std::string text;
    for (const SentLine& line : run.Lines()) text += VerdictNote(line) + "\n";
    text += run.SummaryText();
    Json lines = RunLinesJson(run);
    int status = RunStatus(run);
    // --verify: a run the modem answered to its end is checked; a refused
    // line's status stands before the check's.
    std::optional<CheckResult> check;
    // On line after a dial, the modem takes no question.
    const char* const onLineNoCheck =
        "Модем не проверен: он на линии, и вопросы ушли бы не ему, а на другой конец линии";
    if (args_.checkModem && run.Completed() && !silent && !run.OnLine()) {
        check = console.CheckModem();
        modemCheck_ = check;
        if (StopTaken())
            return Interrupted("запись в модем закончена (" + run.SummaryText() +
                               "), проверка модема прервана");
        text += "\n" + CheckText(*check);
        if (status == kExitOk) status = CheckStatus(*check);
    } else if (args_.checkModem && run.OnLine()) {
        text += std::string("\n") + onLineNoCheck;
        if (status == kExitOk) status = kExitFailed;
    }
    Json result = StatusJson(status);
    result["lines"] = std::move(lines);
    result["summary"] = run.SummaryText();
    if (check) {
        result["check"]["settings"] = CheckRowsJson(*check);
        result["check"]["summary"] = check->SummaryText();
    }
    Finish(result, text);
    // Every failure says itself on standard error, terminal or not.
    if (portLost) Complain(PortGoneText(link_.PortHandle.Name()));
    if (silent)
        Complain(run.TimeLimitText());
    else if (RunStatus(run) != kExitOk)
        Complain(run.SummaryText());
    if (check && CheckStatus(*check) != kExitOk) Complain(check->SummaryText());
    if (args_.checkModem && run.OnLine()) Complain(onLineNoCheck);
    return status;
}

int CliSession::CheckModemAgainstList() {
    std::vector<std::string> list;
    if (const auto failed = ReadListOrFail(args_.listFile, list, EmptyList::Allowed))
        return *failed;

    modemSide_ = std::make_unique<ModemSide>(*this, list);
    jobStart_ = log_.Place();
    const CheckResult check = modemSide_->console.CheckModem();
    modemCheck_ = check;
    if (!state_.PortReady) return PortNotOpened();
    if (StopTaken()) return Interrupted("проверка модема прервана");
    const int status = CheckStatus(check);
    Json result = StatusJson(status);
    result["settings"] = CheckRowsJson(check);
    result["summary"] = check.SummaryText();
    Finish(result, CheckText(check));
    if (status != kExitOk) err_ << "hayeskvd-cli: " << check.SummaryText() << '\n';
    return status;
}

int CliSession::ModemView() {
    ModemSide side(*this, {});
    const std::chrono::seconds silence{args_.silenceSeconds.value_or(kModemQuietSeconds)};
    side.console.SetViewQuietMs(std::chrono::milliseconds(silence).count());
    side.console.ViewCurrentSettings();
    if (!state_.PortReady) return PortNotOpened();
    ReceiveSettings(side);
    const bool portLost = link_.PortHandle.HungUp();
    side.console.RemoveIdleHandler();
    if (StopTaken()) return Interrupted("просмотр настроек модема прерван");
    std::vector<std::string> lines;
    for (const std::string& line : side.window.answers.lines)
        if (!line.empty()) lines.push_back(Utf8FromWindows1251(line));
    // The view succeeds only on an answer ended by OK.
    const ViewAnswer& view = side.console.SettingsView();
    int status = kExitFailed;
    std::string message = view.Text();
    switch (view.Result()) {
        case ViewAnswer::Outcome::Ok:
            status = kExitOk;
            break;
        case ViewAnswer::Outcome::OtherCode:
            status = kExitModemRefused;
            break;
        case ViewAnswer::Outcome::Unfinished:
            status = kExitModemSilent;
            break;
        default:
            if (portLost) {
                status = kExitModemSilent;
                message = PortGoneText(link_.PortHandle.Name());
            }
            break;
    }
    Json result = StatusJson(status);
    result["lines"] = lines;
    if (status != kExitOk) result["message"] = message;
    std::string text;
    for (const std::string& line : lines) text += (text.empty() ? "" : "\n") + line;
    if (args_.json || !text.empty()) Finish(result, text);
    if (status != kExitOk) Complain(message);
    return status;
}

void CliSession::ReceiveSettings(ModemSide& side) {
    // Until the answer has its result code, or its time is up (the console
    // decides both); a signal or a lost port ends it sooner.
    while (!StopTaken() && side.window.receiving && side.console.SettingsView().Waiting())
        side.console.ModemIdle();
    // The line of the code is shown once the modem has ended it (its LF).
    const Deadline rest(clock_, std::chrono::milliseconds(kNextLinePauseMs));
    while (!StopTaken() && side.window.receiving && !side.console.PendingAnswer().empty() &&
           !rest.Expired())
        side.console.ModemIdle();
}

}  // namespace hk::cli
