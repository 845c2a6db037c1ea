#pragma once
// The records' folder: records/ in the data folder (beside the program, or
// the user's data folder when installed, as backups/ and logs/), or another
// the operator chose. A record is two files with one stem, named after the
// device, the local date and time and the job:
//
//   kvard-Com1-5-2026-12-07-11-23-45-write.json   .html
//   modem-Com2-2026-12-07-11-24-02-modem-write.json   .html
//
// Each file is written whole or not at all (a temporary file beside it,
// then linked to its name), and never replaces another: a stem taken
// already gets "-2", "-3" … . Either both files are there or neither.

#include <optional>
#include <string>
#include <vector>

#include "records/Record.h"
#include "records/RecordJson.h"

namespace hk::records {

// "<dataDir>records/".
std::string DefaultRecordFolder(const std::string& dataDir);

// The stem the record's files are named after (no folder, no suffix).
std::string RecordStem(const Record& record);

struct WrittenFiles {
    std::string json;
    std::string html;
    std::string sha256;  // of the JSON file: what the device's next record names
};

struct WriteResult {
    std::optional<WrittenFiles> files;
    // Why nothing was written (Russian, naming the folder or file and ending
    // with the system's message); empty when written.
    std::string problem;
};

// Links `record` to the newest record of the same device in `folder`
// (record.previous) and writes its JSON and HTML there; the folder is made
// when missing. `record.wallMs` names the files.
WriteResult WriteRecord(const std::string& folder, Record& record);

// A file of the folder that may be a record.
struct RecordEntry {
    std::string json;    // the JSON file
    std::string html;    // the HTML file beside it, empty when there is none
    std::string sha256;  // of the JSON file's bytes
    ReadProblem problem = ReadProblem::None;
    std::string message;  // what is wrong with it, Russian; empty when nothing
    Record record;        // its facts, as far as they were read
};

// Every *.json file of `folder`, newest record first (by its UTC time; files
// that are no record last, by name). Nothing when the folder is not there.
std::vector<RecordEntry> ListRecords(const std::string& folder);

// The SHA-256 of the newest record file in `entries` whose facts name the
// device `deviceKey`; none when it has no record there yet. Records that
// cannot be read are not part of any chain.
std::optional<std::string> NewestOfDevice(const std::vector<RecordEntry>& entries,
                                          const std::string& deviceKey);

// The whole bytes of a file; none when it cannot be read.
std::optional<std::string> ReadFileBytes(const std::string& path);

}  // namespace hk::records
