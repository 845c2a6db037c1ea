#pragma once
// The record of one job that touched a device («Акт наладки»): what the
// program found on a controller or a modem, what it sent, what it read back
// and how the job ended, as one value. No Qt, no window: the window, the
// command line and a check of a whole line build the same value.
//
// How a record comes about:
//  1. the job runs; its outcome carries the bytes that went over the line
//     (device::ControllerOutcome, the modem's RunReport and CheckResult);
//  2. ControllerRecord / ModemRecord (RecordBuild.h) make a Record of it,
//     with the port, the operator, the time and the exchange log's range
//     (LogExtentBetween, RecordFiles.h);
//  3. WriteRecord (RecordFiles.h) links it to the previous record of the
//     same device (`previous`) and writes it as JSON (RecordJson.h) and
//     HTML (RecordHtml.h), each whole or not at all, never over another;
//  4. ListRecords reads a folder back, CheckRecordFile (RecordCheck.h) says
//     whether a file is a record of this program as it was written and
//     whether its chain holds.
//
// Texts are UTF-8. Buffer images are the bytes as they went over the line;
// their lines are derived from them (BufferLines), never stored apart.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace hk::records {

inline constexpr const char* kRecordSchema = "hayeskvd-record/1";
inline constexpr const char* kProgramVersion = "1.5";
// The records' folder under the data folder, as backups/ and logs/.
inline constexpr const char* kRecordFolder = "records/";

enum class JobKind { Read, Write, ModemWrite, ModemCheck, SiteCheck };

// "read", "write", "modem-write", "modem-check", "site-check".
const char* JobName(JobKind job);
std::optional<JobKind> JobOfName(std::string_view name);
// «чтение КВАРД», «запись в КВАРД», «запись в модем», «проверка модема»,
// «сверка со списками».
const char* JobTitle(JobKind job);
bool ControllerJob(JobKind job);

// The adapter behind the port, where the system tells it; an empty field was
// not told. (Room for more: USB vendor and product, serial number.)
struct AdapterFacts {
    std::string device;      // the device node the port leads to, "/dev/ttyUSB0"
    std::string stablePath;  // "/dev/serial/by-id/usb-FTDI_…", the same in any socket
    std::string name;        // what the system calls it, "FT232R USB UART"
    std::string driver;      // "ftdi_sio"
    // Who the adapter is, where the system tells it (ports/AdapterIdentity.h):
    // USB vendor and product ("0403:6001"), serial number, interface (the
    // port of a dual adapter; -1 unknown).
    std::string usb;
    std::string serial;
    int interfaceNumber = -1;
    // How the adapter check last found this adapter, as the port's hint says
    // it («адаптер проверен 2026-12-08 (петля): MARK/SPACE передаёт, …»), and
    // whether it passed; empty and none when it was never checked.
    std::string check;
    std::optional<bool> checkPassed;
    bool operator==(const AdapterFacts&) const = default;
};

// The line settings in force for the job.
struct LineFacts {
    int baudRate = 0;
    int dataBits = 8;
    int stopBits = 1;
    // Of the data bytes: "none", "odd", "even", "mark", "space".
    std::string parity = "none";
    // Of the address byte that selects a network number (its ninth bit):
    // "mark" on МЦП, "even" on МПИ; empty when no address byte is sent.
    std::string addressParity;
    std::string link = "rs232";  // "rs232", "irps", "modem"
    bool operator==(const LineFacts&) const = default;
};

struct PortFacts {
    std::string name;    // as chosen: "Com1", or a device path
    std::string device;  // what the open reached, "/dev/pts/3", "\\.\COM5"
    AdapterFacts adapter;
    LineFacts line;
    bool operator==(const PortFacts&) const = default;
};

struct ControllerFacts {
    int number = 0;
    int baudRate = 0;
    std::string protocol = "traditional";  // "traditional" | "ft12"
    int crcMode = 0;                       // FT1.2: 0, 1, 2
    std::string channel = "mcp";           // the line's channel: "mcp" | "mpi"
    int kitIndex = 0;
    std::string kitTitle;
    // The identification words A (40 1E) and B (41 1E) as read, and the
    // status word S0 S1; none when the job did not read them.
    std::optional<std::array<std::uint8_t, 4>> identification;
    std::optional<std::array<std::uint8_t, 2>> status;
    bool operator==(const ControllerFacts&) const = default;
};

// One buffer of the kit.
struct ChannelFacts {
    std::string tag;  // "mcp", "mpi", "serial" (the minimal kit's one buffer)
    // Its control parameter's channel: 0 for 40 04, 1 for 41 04.
    int controlChannel = 0;
    // As found (read by a read, or for the backup before a write; 128
    // bytes), the data bytes of the write request sent, as read back after
    // the write (128 bytes); none where the job did not move them.
    std::optional<std::vector<std::uint8_t>> before;
    std::optional<std::vector<std::uint8_t>> written;
    std::optional<std::vector<std::uint8_t>> after;
    // The control parameter's two bytes before the write and read back after.
    std::optional<std::array<std::uint8_t, 2>> flagBefore;
    std::optional<std::array<std::uint8_t, 2>> flagAfter;
    bool operator==(const ChannelFacts&) const = default;
};

// «МЦП», «МПИ», «последовательный канал».
std::string ChannelTitle(std::string_view tag);
// «40 04», «41 04».
std::string ControlParameterName(int controlChannel);
// Bit 4 of the control parameter's second byte: the buffer is used (written
// with lines).
bool FlagWithLines(const std::array<std::uint8_t, 2>& control);

// A buffer image's lines as the window shows them (UTF-8): the lines up to
// the 00 or FF that ends its content, the line under way at the end
// included, also when empty.
std::vector<std::string> BufferLines(const std::vector<std::uint8_t>& image);

struct ModemLineFacts {
    int number = 0;      // 1: the first line sent
    int listLine = 0;    // its line in the list, from 1
    std::string text;    // as sent
    std::string answer;  // the result code as received; empty: none came
    // "ok", "connect" (a dial answered CONNECT), "error", "other" (another
    // code), "none" (no result code).
    std::string verdict;
    bool operator==(const ModemLineFacts&) const = default;
};

struct ModemSettingFacts {
    std::string setting;         // "S7", "&C"
    std::optional<int> profile;  // none: the active settings; 0, 1: a stored profile
    int list = 0;
    std::optional<int> modem;  // none: not reported
    std::string verdict;       // "same", "differs", "unchecked"
    int line = 0;              // the list line that set it, from 1
    bool operator==(const ModemSettingFacts&) const = default;
};

struct ModemFacts {
    // The list file's name and SHA-256 (of the file, or of the list as it
    // stood in the window when it was edited: its lines in Windows-1251,
    // each followed by CR LF, as a save writes them); empty name: none.
    std::string listFile;
    std::string listSha256;
    std::vector<ModemLineFacts> lines;  // the lines a run sent
    std::string runSummary;
    bool checked = false;  // a check of the modem against the list ran
    std::vector<ModemSettingFacts> settings;
    std::string checkSummary;
    bool operator==(const ModemFacts&) const = default;
};

// What a controller job left the controller in.
struct ControllerLeft {
    bool touched = false;  // STOP or the copy into the reprogramming buffer went out
    bool stopped = false;  // reported itself stopped for the write
    bool cancelled = false;
    bool committed = false;  // the new buffers are in its non-volatile memory
    bool restarted = false;
    std::string text;
    bool operator==(const ControllerLeft&) const = default;
};

struct OutcomeFacts {
    std::string result = "ok";  // "ok", "error", "interrupted"
    // The command line's exit status for the job; none from the window.
    std::optional<int> status;
    // A controller job's result code (0, or the failure's code).
    std::optional<int> code;
    std::string text;  // what the operator was told
    std::optional<ControllerLeft> left;
    // What stopped an interrupted job: "SIGINT", "SIGTERM", "SIGHUP",
    // "Выход", "завершение программы".
    std::string stoppedBy;
    bool operator==(const OutcomeFacts&) const = default;
};

// The job's bytes in the exchange log's file: [from, to).
struct LogExtent {
    std::string file;
    std::uint64_t from = 0;
    std::uint64_t to = 0;
    std::string sha256;
    bool operator==(const LogExtent&) const = default;
};

struct Record {
    std::string programName;  // "HayesKvd", "hayeskvd-cli"
    std::string programVersion = kProgramVersion;
    // ISO 8601 to the millisecond: "2026-12-07T08:23:45.120Z",
    // "2026-12-07T11:23:45.120+03:00".
    std::string timeUtc;
    std::string timeLocal;
    std::string operatorName;
    JobKind job = JobKind::Read;
    PortFacts port;
    std::optional<ControllerFacts> controller;  // controller jobs
    std::vector<ChannelFacts> channels;
    std::optional<ModemFacts> modem;  // modem jobs
    OutcomeFacts outcome;
    std::optional<LogExtent> log;
    // The SHA-256 of the previous record's JSON file of the same device;
    // none for its first.
    std::optional<std::string> previous;
    // When the job ended (milliseconds since the epoch): names the files;
    // not stored (0 for a record read back).
    std::int64_t wallMs = 0;
    bool operator==(const Record&) const = default;
};

// timeUtc and timeLocal (with the local offset) of `wallMs`, and wallMs.
void StampTime(Record& record, std::int64_t wallMs);

// A port name as records compare it: "ComN" in that spelling whatever the
// case it was typed in; any other name as it is.
std::string NormalPortName(std::string_view name);

// The device a record is of, for its chain: a controller by its port and
// network number ("kvard Com1 5"), a modem by its port ("modem Com2").
std::string DeviceKey(const Record& record);
// How people name it: «КВАРД № 5 на Com1», «модем на Com2».
std::string DeviceTitle(const Record& record);

// The image that says what the channel holds after the job: as read by a
// read or a check, as read back after a write; nullptr when the job did not
// read it (a write without the read-back, one that failed before it).
const std::vector<std::uint8_t>* FinalImage(const Record& record, const ChannelFacts& channel);
const std::array<std::uint8_t, 2>* FinalFlag(const Record& record, const ChannelFacts& channel);

}  // namespace hk::records
