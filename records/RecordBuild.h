#pragma once
// A Record made of what a job did: the controller's read or write
// (device::ControllerOutcome, which carries every buffer's bytes as they
// went over the line) or the modem's run and check (RunReport,
// CheckResult), with the port it used, who ran it and the exchange log's
// range of its bytes. Called on the job's own thread once the job has
// returned; nothing here touches the line.
//
// A check of a whole line calls ControllerRecord once per controller with
// JobKind::SiteCheck and the buffers it read as `before`.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/ControllerOutcome.h"
#include "link/PortSettings.h"
#include "link/SerialLine.h"
#include "log/ExchangeLog.h"
#include "modem/ModemCheck.h"
#include "modem/RunReport.h"
#include "records/Record.h"

namespace hk::records {

// The program name of the window and of the command line.
inline constexpr const char* kWindowProgram = "HayesKvd";
inline constexpr const char* kCommandLineProgram = "hayeskvd-cli";

// The operating system's user ($USER, $LOGNAME, %USERNAME%); "" when none.
std::string SystemUserName();

// The port as a job had it: the name chosen, the device the open reached,
// and what the system tells of the adapter behind it (the serial devices
// present, ports/SerialDevices.h, the line's driver, the adapter's identity,
// ports/AdapterIdentity.h), with the adapter check's verdict kept for that
// adapter in `keptFile` (HayesKvd.ini; none looked up when empty). `line`
// is the open line. The line settings are left to ControllerLineOf/
// ModemLineOf. `root` is for tests (a recorded sysfs tree).
PortFacts PortFactsOf(const std::string& portName, const SerialLine& line,
                      const std::string& keptFile = {});
// The same from the device the open reached and the line's driver.
PortFacts PortFactsOf(const std::string& portName, const std::string& device,
                      const std::string& driver, const std::string& keptFile,
                      const std::string& root = {});

// The line settings of the controller link `settings` at its speed index:
// the data bytes' parity and the address byte's ninth bit on the
// traditional framing with a network number, else none and two stop bits
// (one over a modem).
LineFacts ControllerLineOf(const TPortSettings& settings);
// The line settings the line holds (a modem's port).
LineFacts LineOf(const LineParams& params, int linkKind);

// Who ran a job, with what, where.
struct JobPlace {
    std::string programName;
    std::string operatorName;  // empty: SystemUserName()
    PortFacts port;
};

// What a controller job was besides its outcome.
struct ControllerJobFacts {
    JobKind job = JobKind::Read;  // Read, Write or SiteCheck
    int kitIndex = 0;
    // The link as the job set it (link.Settings after the job): protocol,
    // CRC mode, channel, link kind, and the number and speed found.
    TPortSettings settings;
};

// The record of a controller job that found its controller (outcome.found).
// Its outcome is what OutcomeOfController says; the command line replaces
// the status and text with what it printed.
Record ControllerRecord(const JobPlace& place, const ControllerJobFacts& job,
                        const device::ControllerOutcome& outcome, std::int64_t wallMs);

// "ok" (read, or written and confirmed), "interrupted" ("Выход", a signal),
// else "error"; the result code; the text the operator was told; what a
// write left the controller in.
OutcomeFacts OutcomeOfController(JobKind job, const device::ControllerOutcome& outcome);

// What a write left the controller's buffers in (the write touched it):
// «буферы скопированы в РПЗУ», «отменено копирование, буферы КВАРД
// прежние» …
std::string BuffersLeftText(const device::WriteRecord& write);
// The whole of what it left: the buffers, then whether it was restarted or
// stopped; «команда STOP не отправлена, КВАРД не изменён» for a write that
// touched nothing.
std::string ControllerLeftText(const device::WriteRecord& write);

// The verdict of a line of a run as records and the command line's JSON
// name it: "ok", "connect", "error", "other", "none".
const char* LineVerdictName(const SentLine& line);
// "same", "differs", "unchecked".
const char* CheckVerdictName(CheckVerdict verdict);

// What a modem job was besides its run and check.
struct ModemJobFacts {
    JobKind job = JobKind::ModemWrite;  // ModemWrite or ModemCheck
    std::string listFile;               // empty: none
    std::string listSha256;             // ListSha256, or of the file's bytes
};

// The SHA-256 of a list as a save writes it: each line (Windows-1251)
// followed by CR LF.
std::string ListSha256(const std::vector<std::string>& lines);

// The record of a modem job: the run's lines (when `run` is given and sent
// any) and the check's settings (when `check` is given).
Record ModemRecord(const JobPlace& place, const ModemJobFacts& job, const RunReport* run,
                   const CheckResult* check, std::int64_t wallMs);
OutcomeFacts OutcomeOfModem(const RunReport* run, const CheckResult* check);

// The bytes of the exchange log between two places (ExchangeLog::Place
// before and after the job) with their SHA-256; none when the log went to no
// file or the file cannot be read. A job across midnight (two files) gets
// the second file's part from its start.
std::optional<LogExtent> LogExtentBetween(const LogPlace& from, const LogPlace& to);

}  // namespace hk::records
