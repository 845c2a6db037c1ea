#pragma once
// One entry of the exchange log and the line it is shown and stored as.
//
//   11:23:45.123  +0.412  → 05                        9600 8N2
//   11:23:45.125  +0.414  ← 04                        9600 8N2
//   11:23:45.130  +0.419    Статус: традиционный: запрос 01 40 00 — ...
//   11:23:44.711  ===== Подбор: запись в КВАРД, Com1 =====
//
// The local time of day to the millisecond, the time since the job started
// (exchange clock), the direction, the bytes in hex and the line parameters
// in force: speed, data bits, parity (N, O, E, M, S) and stop bits, so that
// an address byte sent with mark parity reads "8M1" beside the "8S1" of the
// data bytes.

#include <cstdint>
#include <string>

#include "link/SerialLine.h"

namespace hk {

struct LogEntry {
    enum class Kind { Job, Note, Sent, Received };
    Kind kind = Kind::Note;
    std::int64_t wallMs = 0;      // milliseconds since the epoch
    std::int64_t sinceJobMs = 0;  // on the exchange clock, since the job started
    std::string text;             // UTF-8: the note or title, or the bytes in hex
    LineParams params{};          // Sent, Received
};

// "9600 8M1".
std::string LineParamsText(const LineParams& params);

// The entry as one line of text (UTF-8, no line end).
std::string FormatLogEntry(const LogEntry& entry);

}  // namespace hk
