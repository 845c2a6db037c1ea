#pragma once
// A record as JSON, the form for machines ("schema": "hayeskvd-record/1"):
//
//   schema, program {name, version}, time_utc, time_local, operator, job,
//   port {name, device, adapter {device, by_id, name, driver},
//         line {baud, data_bits, stop_bits, parity, address_parity, link}},
//   controller {number, speed, protocol, crc, channel, kit {index, title},
//               identification {a, b}, status {s0, s1}}         (or null)
//   channels [{channel, title, control_parameter,
//              before | written | after: {hex, bytes, sha256, lines} or null,
//              flag_before | flag_after: {hex, with_lines} or null,
//              difference [{change: "removed" | "added", line, text}]}]
//   modem {list {file, sha256}, lines [{number, list_line, text, answer,
//          verdict}], summary, check {settings [...], summary} or null}
//                                                                (or null)
//   outcome {result, status, code, text, controller {touched, stopped,
//            cancelled, committed, restarted, text} or null, stopped_by},
//   log {file, from, to, sha256} or null,
//   previous: the SHA-256 of the device's previous record file, or null,
//   record_sha256: the SHA-256 of this object written on one line without
//                  this field (so that an edit shows).
//
// A record read back is taken only when it is exactly what this program
// makes of the facts it holds: the images' hashes and lines, the
// difference and record_sha256 are recomputed and compared.

#include <string>
#include <string_view>

#include "records/Record.h"

namespace hk::records {

// The file's text: indented, UTF-8, ending with a line feed.
std::string RecordJsonText(const Record& record);

enum class ReadProblem {
    None,
    NotJson,      // no JSON text at all
    OtherSchema,  // JSON, but no "schema" of ours
    NotARecord,   // our schema, but a field missing or of another kind
    Edited,       // a derived value or record_sha256 does not match its facts
};

struct ReadRecord {
    ReadProblem problem = ReadProblem::None;
    std::string message;  // Russian, what is wrong; empty when none
    Record record;        // the facts (as far as they were read)
};

// Reads the text of a record file; `record.wallMs` stays 0.
ReadRecord ReadRecordJson(std::string_view text);

}  // namespace hk::records
