#pragma once
// The window program's records («Акт наладки»): after every controller read
// or write that found its controller, every run of the list into the modem
// and every check of the modem, the record of the job goes into the records'
// folder (records/RecordFiles.h). Called on the job thread, where the jobs
// run: before a job begins (where the exchange log stands) and when it has
// ended (its outcome). A record that cannot be written is said through
// `tell` (the main window's status bar) and changes nothing of the job.
//
// The folder and the operator's name are set from the window thread (the
// «Акты...» window) and read on the job thread: each under this object's
// own lock.

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "device/ControllerOutcome.h"
#include "link/Port.h"
#include "log/ExchangeLog.h"
#include "modem/ModemCheck.h"
#include "modem/RunReport.h"
#include "records/Record.h"
#include "state/MainState.h"

namespace hk {

class JobRecords {
public:
    JobRecords(MainState& state, SerialLink& link, ExchangeLog& log)
        : state_(state), link_(link), log_(log) {}

    // --- The window's settings (any thread).
    // Where records go; empty: records/ in the data folder.
    void SetFolder(const std::string& folder);
    std::string Folder() const;
    // The operator's name; empty: the system's user.
    void SetOperator(const std::string& name);
    std::string Operator() const;
    // How a record that could not be written is said (called on the job
    // thread; the window posts it to itself).
    void SetTell(std::function<void(const std::string&)> tell) { tell_ = std::move(tell); }
    // The program is ending: a job stopped now was stopped by that.
    void SetEnding() { ending_ = true; }

    // --- On the job thread.
    // A job on the line is about to begin.
    void JobBegins();
    // A run of "Подбор" has returned: a read or a write that found its
    // controller gets its record (a run waiting for the electronic key
    // does not yet: its write follows).
    void ControllerRunEnded(const device::ControllerOutcome& outcome);
    // A run of the list or a check of the modem begins, with the list as it
    // stands (Windows-1251 lines) and the file it came from.
    void ModemJobBegins(const std::string& listFile, std::vector<std::string> list);
    void ModemRunEnded(const RunReport& run);
    void ModemCheckEnded(const CheckResult& check);

    // The last record written (its JSON file), empty when none was.
    std::string LastWritten() const;

private:
    void Write(records::Record record);

    MainState& state_;
    SerialLink& link_;
    ExchangeLog& log_;
    std::function<void(const std::string&)> tell_;
    std::atomic<bool> ending_ = false;
    // Job thread only.
    LogPlace start_;
    std::string listFile_;
    std::vector<std::string> list_;
    // Under the lock.
    mutable std::mutex mutex_;
    std::string folder_;
    std::string operator_;
    std::string lastWritten_;
};

}  // namespace hk
