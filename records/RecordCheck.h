#pragma once
// Whether a record file is what this program wrote and still proves what it
// says: a record of our schema, every derived value (the images' hashes and
// lines, the differences, record_sha256) true to its facts, the exchange
// log's bytes it names unchanged where the log is still there, and its
// place in its device's chain in the folder it lies in: the record it names
// as previous is there, and the device's next record names it.
//
// What the chain can show: a record edited or removed after the device's
// next record was written. An edit that also rewrote record_sha256 of the
// newest record of a device is found only by that device's next record.

#include <string>
#include <vector>

#include "records/Record.h"

namespace hk::records {

enum class RecordFault {
    None,
    Unreadable,   // the file cannot be read
    NotJson,      // not JSON
    OtherSchema,  // JSON of another kind
    NotARecord,   // our schema, a field missing
    Edited,       // a value does not match the record's facts
    LogDiffers,   // the exchange log's bytes are not those the record names
    ChainBroken,  // the previous record is not there, or the next names another
};

struct RecordVerdict {
    RecordFault fault = RecordFault::None;
    std::string message;  // Russian: what does not hold; empty when all does
    Record record;        // the facts, as far as they were read
    std::string sha256;   // of the file
    // What could not be checked, and why (the log file removed after its 30
    // days); each a sentence.
    std::vector<std::string> notes;

    bool Holds() const { return fault == RecordFault::None; }
    // The record's facts can be taken (its chain or log may still fail).
    bool Readable() const {
        return fault == RecordFault::None || fault == RecordFault::LogDiffers ||
               fault == RecordFault::ChainBroken;
    }
};

RecordVerdict CheckRecordFile(const std::string& jsonFile);

}  // namespace hk::records
