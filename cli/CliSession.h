#pragma once
// One run of hayeskvd-cli: the sub-command on a port, through the same logic
// the windows drive (the link search, the controller dialog's job, the modem
// console), with the dialog's part played by preset answers. The port and
// the clock come from outside, so that tests run it on a simulated line.
//
// What the dialog would show goes to standard error as progress when that is
// a terminal (not with --quiet); the outcome goes to standard output, as
// text or as one JSON object with --json; a failure's reason always reaches
// standard error.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "adapter/AdapterCheck.h"
#include "cli/CliArguments.h"
#include "cli/JsonLine.h"
#include "device/PresetControllerView.h"
#include "link/Port.h"
#include "log/ExchangeLog.h"
#include "log/LoggedLink.h"
#include "modem/ModemCheck.h"
#include "records/Record.h"
#include "state/MainState.h"

namespace hk::device {
class ControllerJob;
struct KitLayout;
}  // namespace hk::device

namespace hk::records {
struct JobPlace;
}

namespace hk::cli {

// Where the window keeps its files: the settings file and port mapping, and
// the logs and backups.
struct CliPlaces {
    std::string settingsDir;
    std::string dataDir;
};

class CliSession {
public:
    // `interruption` gives 0, or the number of the signal that asks the job
    // to stop (base/Interruption.h); none: never stopped.
    CliSession(const CliArguments& arguments, SerialLine& line, Clock& clock,
               const CliPlaces& places, std::ostream& out, std::ostream& err, bool progress,
               std::function<int()> interruption = {});
    ~CliSession();
    CliSession(const CliSession&) = delete;
    CliSession& operator=(const CliSession&) = delete;

    // Runs the sub-command; returns the exit status.
    int Run();
    // The lines adapter-check opens (the program gives sim/SimulatedPorts.h,
    // so that the demo's simulated adapters open too); without one, the
    // system's serial ports.
    void SetLineMaker(adapter::LineMaker maker) { lineMaker_ = std::move(maker); }

private:
    enum class BufferJob { Read, Write };
    // Whether a list file with no lines will do.
    enum class EmptyList { Allowed, Refused };
    // The window's part and the console the modem sub-commands drive.
    class ModemSide;

    int Search();
    int Scan();
    // A read or a write, then its record.
    int ReadOrWrite(BufferJob what);
    int RunBufferJob(BufferJob what);
    // The --in files into the dialog's memos (or the buffers to clear): a
    // failure's exit status (the message given) when one is no list or too
    // long for its buffer.
    std::optional<int> ReadInFiles(const device::KitLayout& kit);
    // With --wait-key, the wait for the electronic key the job found
    // missing: the failure's exit status when it is not installed in time.
    std::optional<int> WaitForKey(device::ControllerJob& job);
    // The end of a read or a write whose job has run: the buffers or the
    // written result printed, or the failure.
    int ReadDone(device::ControllerJob& job, const device::KitLayout& kit);
    int WriteDone(device::ControllerJob& job);
    // modem-write and modem-verify, then their record.
    int ModemWrite();
    int WriteListToModem();
    int ModemView();
    int ModemVerify();
    int CheckModemAgainstList();

    // --- The records of the jobs (cli/CliRecords.cpp).
    // `records`: the records' folder listed, newest first.
    int Records();
    // `record-check FILE`: the record checked, then the controller it names
    // read again and compared with what the record says it was left with.
    int RecordCheck();
    // The record of the controller job just run, when it found its
    // controller, or of the modem job, when it reached the modem: written
    // unless --no-record. `status` is the job's exit status and stands; a
    // success whose record cannot be written becomes kExitRecordNotWritten.
    int RecordControllerJob(int status, BufferJob what);
    int RecordModemJob(int status, records::JobKind job);
    int Recorded(int status, records::Record record);
    // The program, the operator and the port of the job on the line.
    records::JobPlace RecordPlace() const;
    // Where records go and are read: --record, else the window's folder.
    std::string RecordFolder() const;
    // adapter-check (cli/AdapterCheckCommand.cpp).
    int AdapterCheck();
    // The modem's settings listing into the window's answers memo: until
    // its result code, a signal, a lost port, or the time the console's
    // settings view gives the answer.
    void ReceiveSettings(ModemSide& side);
    // The list file `path` into `lines`; a failure's exit status (the
    // message given) when the file does not open or is no list, or is empty
    // where that is refused.
    std::optional<int> ReadListOrFail(const std::string& path, std::vector<std::string>& lines,
                                      EmptyList empty);

    // The buffers read into --out1 and --out2, both files or neither: when
    // one cannot be written, the one written before it is put back as it
    // was. A failure's exit status (the message given), or none.
    std::optional<int> WriteOutFiles(int count);
    // The link choices of the arguments into the dialog's part.
    void ChooseLink();
    // Opens the port as the search does; false (with the message) when it will not.
    bool OpenForSearch();
    // The exit status of a controller job that did not end well.
    int JobFailure(const device::ControllerJob& job, const std::string& fallback);
    // At every checkpoint of a job: a signal that came is taken, once, by
    // `stop_` (the job's own way to stop).
    void Checkpoint();
    // A signal came and the job stopped for it: 128 + its number, with what
    // was done to the device in `what`.
    int Interrupted(const std::string& what);
    bool StopTaken() const { return signal_ != 0; }
    // A signal has come that the next checkpoint will take.
    bool StopComing() const { return signal_ == 0 && interruption_ && interruption_() != 0; }
    int Fail(int status, const std::string& message);
    // A failure's message on standard error, terminal or not.
    void Complain(const std::string& text);
    // The port did not open: the reason the job showed last.
    int PortNotOpened();
    // The port holds other settings than the job asked: that failure's exit
    // status (the message given); none while it holds what was asked.
    std::optional<int> FailIfSettingsRefused();
    void Finish(const Json& result, const std::string& text);
    void Say(const std::string& text);

    const CliArguments& args_;
    Clock& clock_;
    CliPlaces places_;
    std::ostream& out_;
    std::ostream& err_;
    bool progress_;
    device::PresetControllerView view_;
    // The link with the exchange log on its line, taken off when it ends.
    LoggedLink wired_;
    SerialLink& link_ = wired_.Link();
    ExchangeLog& log_ = wired_.Log();
    MainState state_;
    std::function<int()> interruption_;
    std::function<void()> stop_;   // how the job under way stops
    int signal_ = 0;               // the signal taken, 0 while none
    std::string privateSettings_;  // the settings file of a run without --save-settings
    // What the record of a job is made of: the job and its side, the check
    // of the modem, where the exchange log stood when it began, and the
    // last failure's message as printed.
    std::unique_ptr<device::ControllerJob> controllerJob_;
    std::optional<CheckResult> modemCheck_;
    LogPlace jobStart_;
    std::string lastMessage_;
    std::unique_ptr<ModemSide> modemSide_;
    adapter::LineMaker lineMaker_;
};

}  // namespace hk::cli
