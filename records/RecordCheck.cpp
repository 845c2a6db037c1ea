#include "records/RecordCheck.h"

#include <algorithm>
#include <filesystem>

#include "base/Utf8Path.h"
#include "records/RecordFiles.h"
#include "records/RecordJson.h"
#include "records/Sha256.h"

namespace hk::records {
namespace {

RecordFault FaultOf(ReadProblem problem) {
    switch (problem) {
        case ReadProblem::NotJson:
            return RecordFault::NotJson;
        case ReadProblem::OtherSchema:
            return RecordFault::OtherSchema;
        case ReadProblem::NotARecord:
            return RecordFault::NotARecord;
        case ReadProblem::Edited:
            return RecordFault::Edited;
        case ReadProblem::None:
            break;
    }
    return RecordFault::None;
}

bool Readable(const RecordEntry& e) {
    return e.problem == ReadProblem::None || e.problem == ReadProblem::Edited;
}

std::string FileName(const std::string& path) {
    return Utf8FromPath(PathFromUtf8(path).filename());
}

// The log's bytes the record names, where the log file is still there.
void CheckLog(RecordVerdict& v) {
    const LogExtent& log = *v.record.log;
    const auto bytes = ReadFileBytes(log.file);
    if (!bytes) {
        v.notes.push_back("Журнал обмена «" + log.file +
                          "» не найден (журналы хранятся 30 дней): его байты не проверены.");
        return;
    }
    if (log.to > bytes->size() || log.from > log.to ||
        Sha256Hex(std::string_view(*bytes).substr(log.from, log.to - log.from)) != log.sha256) {
        v.fault = RecordFault::LogDiffers;
        v.message = "байты " + std::to_string(log.from) + "–" + std::to_string(log.to) +
                    " журнала обмена «" + log.file + "» не те, что назвал акт: журнал изменён";
    }
}

// The record's place in its device's chain, among the records of its folder.
void CheckChain(RecordVerdict& v, const std::string& jsonFile) {
    const std::string folder = Utf8FromPath(PathFromUtf8(jsonFile).parent_path());
    const std::vector<RecordEntry> entries = ListRecords(folder.empty() ? "." : folder);
    const std::string key = DeviceKey(v.record);
    std::vector<const RecordEntry*> device;
    for (const RecordEntry& e : entries)
        if (Readable(e) && e.sha256 != v.sha256 && DeviceKey(e.record) == key) device.push_back(&e);
    if (v.record.previous) {
        const auto named = std::find_if(entries.begin(), entries.end(), [&](const RecordEntry& e) {
            return e.sha256 == *v.record.previous;
        });
        if (named == entries.end()) {
            v.fault = RecordFault::ChainBroken;
            v.message = "предыдущий акт этого устройства (SHA-256 " + *v.record.previous +
                        ") в папке «" + folder + "» не найден: он удалён или изменён";
            return;
        }
        if (!Readable(*named) || DeviceKey(named->record) != key) {
            v.fault = RecordFault::ChainBroken;
            v.message = "акт, названный предыдущим («" + FileName(named->json) +
                        "»), не акт этого устройства";
            return;
        }
    } else {
        for (const RecordEntry* e : device)
            if (e->record.timeUtc < v.record.timeUtc) {
                v.fault = RecordFault::ChainBroken;
                v.message = "акт назван первым для " + DeviceTitle(v.record) +
                            ", но в папке есть более ранний: «" + FileName(e->json) + "»";
                return;
            }
    }
    const bool named = std::any_of(device.begin(), device.end(), [&](const RecordEntry* e) {
        return e->record.previous == v.sha256;
    });
    if (named) return;
    for (const RecordEntry* e : device)
        if (e->record.timeUtc > v.record.timeUtc) {
            v.fault = RecordFault::ChainBroken;
            v.message = "следующий акт этого устройства («" + FileName(e->json) +
                        "») называет предыдущим другой файл: этот акт изменён или подменён "
                        "после него";
            return;
        }
}

}  // namespace

RecordVerdict CheckRecordFile(const std::string& jsonFile) {
    RecordVerdict v;
    const auto bytes = ReadFileBytes(jsonFile);
    if (!bytes) {
        v.fault = RecordFault::Unreadable;
        v.message = "файл «" + jsonFile + "» не читается";
        return v;
    }
    v.sha256 = Sha256Hex(*bytes);
    ReadRecord read = ReadRecordJson(*bytes);
    v.record = std::move(read.record);
    if (read.problem != ReadProblem::None) {
        v.fault = FaultOf(read.problem);
        v.message = std::move(read.message);
        return v;
    }
    if (v.record.log) CheckLog(v);
    if (v.fault != RecordFault::None) return v;
    CheckChain(v, jsonFile);
    return v;
}

}  // namespace hk::records
