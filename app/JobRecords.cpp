#include "app/JobRecords.h"

#include "base/LocalTime.h"
#include "ports/KeptAdapterChecks.h"
#include "records/RecordBuild.h"
#include "records/RecordFiles.h"

namespace hk {
namespace {

// The window's program name in every record it writes; the adapter's kept
// check is read from `keptFile` (HayesKvd.ini).
records::JobPlace PlaceOf(const SerialLink& link, const std::string& operatorName,
                          const std::string& keptFile) {
    records::JobPlace place;
    place.programName = records::kWindowProgram;
    place.operatorName = operatorName;
    place.port = records::PortFactsOf(link.PortHandle.Name(), link.PortHandle, keptFile);
    return place;
}

}  // namespace

void JobRecords::SetFolder(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(mutex_);
    folder_ = folder;
}

std::string JobRecords::Folder() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return folder_.empty() ? records::DefaultRecordFolder(state_.DataDir) : folder_;
}

void JobRecords::SetOperator(const std::string& name) {
    const std::lock_guard<std::mutex> lock(mutex_);
    operator_ = name;
}

std::string JobRecords::Operator() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return operator_;
}

std::string JobRecords::LastWritten() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    return lastWritten_;
}

void JobRecords::JobBegins() { start_ = log_.Place(); }

void JobRecords::ControllerRunEnded(const device::ControllerOutcome& outcome) {
    // No controller answered (nothing was touched), or a write waits for
    // the key: its record follows the write.
    if (!outcome.found || outcome.keyWait) return;
    records::ControllerJobFacts facts;
    facts.job = state_.ReadFromDevice ? records::JobKind::Read : records::JobKind::Write;
    facts.kitIndex = state_.KitIndex;
    facts.settings = link_.Settings;
    records::Record record =
        records::ControllerRecord(PlaceOf(link_, Operator(), state_.DataDir + kKeptChoicesFileName), facts, outcome, SystemWallMs());
    if (ending_ && record.outcome.result == "interrupted")
        record.outcome.stoppedBy = "завершение программы";
    Write(std::move(record));
}

void JobRecords::ModemJobBegins(const std::string& listFile, std::vector<std::string> list) {
    JobBegins();
    listFile_ = listFile;
    list_ = std::move(list);
}

void JobRecords::ModemRunEnded(const RunReport& run) {
    if (run.Lines().empty()) return;  // nothing reached the modem
    records::ModemJobFacts facts{records::JobKind::ModemWrite, listFile_,
                                 records::ListSha256(list_)};
    records::Record record =
        records::ModemRecord(PlaceOf(link_, Operator(), state_.DataDir + kKeptChoicesFileName), facts, &run, nullptr, SystemWallMs());
    record.port.line = records::LineOf(link_.PortHandle.HeldParams(), kLinkRs232);
    if (ending_ && !run.Completed()) {
        record.outcome.result = "interrupted";
        record.outcome.stoppedBy = "завершение программы";
    }
    Write(std::move(record));
}

void JobRecords::ModemCheckEnded(const CheckResult& check) {
    // Only a check that asked the modem something.
    if (check.outcome == CheckOutcome::NotStarted ||
        check.outcome == CheckOutcome::NothingToCheck || check.outcome == CheckOutcome::QuietModem)
        return;
    records::ModemJobFacts facts{records::JobKind::ModemCheck, listFile_,
                                 records::ListSha256(list_)};
    records::Record record =
        records::ModemRecord(PlaceOf(link_, Operator(), state_.DataDir + kKeptChoicesFileName), facts, nullptr, &check, SystemWallMs());
    record.port.line = records::LineOf(link_.PortHandle.HeldParams(), kLinkRs232);
    if (ending_ && record.outcome.result == "interrupted")
        record.outcome.stoppedBy = "завершение программы";
    Write(std::move(record));
}

void JobRecords::Write(records::Record record) {
    record.log = records::LogExtentBetween(start_, log_.Place());
    const std::string folder = Folder();
    const records::WriteResult written = records::WriteRecord(folder, record);
    if (written.files) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            lastWritten_ = written.files->json;
        }
        if (link_.Log) link_.Log->Note("Акт наладки записан: " + written.files->json);
        return;
    }
    const std::string text =
        "Акт наладки не записан: " + written.problem +
        ". Сама работа от этого не изменилась; папку актов можно сменить в окне "
        "«Акты...»";
    if (link_.Log) link_.Log->Note(text);
    if (tell_) tell_(text);
}

}  // namespace hk
