#pragma once
// The records of a folder as the history shows them («Акты...» in the
// window, `hayeskvd-cli records`): filtered by port and network number,
// newest first; two records of one device compared; a record opened as its
// page, regenerated from its JSON so that what is shown is what the record
// says, with a warning above it when the record or its page does not hold.

#include <optional>
#include <string>
#include <vector>

#include "records/RecordFiles.h"

namespace hk::records {

// The record's facts can be shown (it may still have been edited).
bool Known(const RecordEntry& entry);

// The entries of port `port` (any spelling of "ComN"; empty: any port) and
// network number `number` (none: any; a modem has none), in their order.
// Files that are no record are kept only when nothing is filtered.
std::vector<const RecordEntry*> FilterRecords(const std::vector<RecordEntry>& entries,
                                              const std::string& port, std::optional<int> number);

// The ports the records name, each once, in the order first met.
std::vector<std::string> RecordPorts(const std::vector<RecordEntry>& entries);

// What a row of the history says of the outcome: «выполнено», «не
// выполнено», «прервано», or what is wrong with the file («не акт: …»,
// «изменён: …»).
std::string RowVerdict(const RecordEntry& entry);

// Why two records cannot be compared (Russian); empty when they can: both
// readable, of the same device.
std::string ComparisonRefusal(const RecordEntry& a, const RecordEntry& b);
// The two, the older first, as ComparisonHtml shows them.
std::string CompareEntries(const RecordEntry& a, const RecordEntry& b);

// The page of a record to show: RecordHtml of its facts, with a warning at
// the top when the record does not hold (CheckRecordFile: edited, its log
// or chain broken) or its HTML file is not the page of its facts. Empty
// when the file is no record (`why` says so).
std::string PageToShow(const RecordEntry& entry, std::string& why);

}  // namespace hk::records
