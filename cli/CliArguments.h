#pragma once
// The command line of hayeskvd-cli: the sub-command and its options, read
// with CLI11 into one plain value. Everything an option can get wrong is
// found here, before a port is opened.

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace hk::cli {

// Exit statuses scripts rely on.
enum ExitStatus : int {
    kExitOk = 0,
    kExitFailed = 1,        // anything not named below
    kExitBadArguments = 2,  // an option, a list file or a buffer too long: nothing sent
    kExitPortNotOpened = 3,
    kExitNoController = 4,
    kExitKitMismatch = 5,
    kExitExchangeFailed = 6,  // a refused or failed exchange; the result code is printed
    kExitVerifyMismatch = 7,
    kExitKeyMissing = 8,
    kExitModemRefused = 9,  // the modem answered ERROR to a line
    kExitModemSilent = 10,  // the modem did not answer within the time limit
    kExitBackupFailed = 11,
    kExitSettingsNotSaved = 12,
    kExitModemDiffers = 13,  // the modem holds a setting otherwise than the list
    // The job's record could not be written (the job itself succeeded: a
    // failed job keeps its own status).
    kExitRecordNotWritten = 14,
    // record-check: the record is no JSON, of another schema, edited, or its
    // log or chain does not hold.
    kExitRecordInvalid = 15,
    kExitAdapterFaulty = 16,  // adapter-check: the adapter does not send or hold what is needed
    kExitNoWiring = 17,       // adapter-check: nothing came back (no loopback plug, no cable)
    // 128 + the signal's number: the job was stopped by SIGINT (130),
    // SIGTERM (143) or SIGHUP (129) and ended as "Выход" ends it.
    kExitInterrupted = 128,
};

struct CliArguments {
    // search, read, write, modem-write, modem-view, modem-verify, scan,
    // records, record-check, adapter-check
    std::string command;
    bool help = false;
    bool version = false;

    std::string port;
    // LINK
    int protocol = 0;  // 0 traditional, 1 FT1.2
    int crcMode = 0;
    bool currentLoop = false;
    int channel = 0;
    std::optional<int> number;      // none: every number
    std::optional<int> speedIndex;  // none: every speed of the search
    // scan: a range of numbers
    std::optional<int> firstNumber, lastNumber;

    std::optional<int> kit;
    std::array<std::string, 2> outFiles;
    std::array<std::string, 2> inFiles;
    std::array<bool, 2> clear{};
    std::string password;
    bool restart = false;
    std::optional<int> waitKeySeconds;
    bool backup = true;
    bool verify = true;
    std::string backupDir;  // where the backup goes, instead of the window's folder

    // modem-write, modem-view, modem-verify
    std::string listFile;
    bool checkModem = false;            // modem-write --verify: the check after the run
    std::optional<int> silenceSeconds;  // a modem silent this long fails the job

    // The job's record («Акт наладки»): into this folder instead of the
    // window's, or none at all; records and record-check read this folder.
    std::string recordDir;
    bool record = true;
    std::string recordFile;  // record-check: the record's JSON file
    // adapter-check: the loopback plug, or a second adapter's port
    bool loopback = false;
    std::string peerPort;

    bool json = false;
    bool quiet = false;
    bool saveSettings = false;
    std::string logFile;
    std::string csvFile;
};

struct ParseResult {
    CliArguments arguments;
    std::string error;  // Russian; empty when the line is sound
};

ParseResult ParseArguments(const std::vector<std::string>& words);

// The speed index of a speed in baud ("9600"), or none.
std::optional<int> SpeedIndexOf(const std::string& baud);

}  // namespace hk::cli
