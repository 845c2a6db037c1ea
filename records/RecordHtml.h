#pragma once
// A record as a page for people: one self-contained HTML file (no external
// files, UTF-8, prints on A4), in Russian. At the top the device and the
// outcome in one sentence, then the facts (time, operator, port and line,
// controller), each channel's buffer side by side as found and as it was
// left with the changed lines marked, a modem's lines and settings, and the
// hashes at the bottom. The window shows it, prints it and saves it as PDF
// with Qt's own text document; a browser shows it as well.

#include <string>

#include "records/Record.h"

namespace hk::records {

// `jsonSha256` is the SHA-256 of the record's JSON file, shown among the
// hashes (empty: left out).
std::string RecordHtml(const Record& record, const std::string& jsonSha256);

// Two records of one device, the older first: what changed on it from one
// visit to the next, channel by channel (the buffers each record says the
// controller was left with), or for a modem the settings and lines.
std::string ComparisonHtml(const Record& older, const Record& newer);

// «КВАРД № 5 на Com1, запись в КВАРД 07.12.2026 11:23: выполнено. Записано
// и проверено: буферы совпадают с записанным.»
std::string OutcomeSentence(const Record& record);

// `text` with &, <, > and " written as HTML entities.
std::string HtmlEscaped(const std::string& text);

}  // namespace hk::records
