#include "records/RecordHistory.h"

#include <algorithm>

#include "records/RecordCheck.h"
#include "records/RecordHtml.h"

namespace hk::records {

bool Known(const RecordEntry& entry) {
    return entry.problem == ReadProblem::None || entry.problem == ReadProblem::Edited;
}

std::vector<const RecordEntry*> FilterRecords(const std::vector<RecordEntry>& entries,
                                              const std::string& port, std::optional<int> number) {
    const std::string wanted = port.empty() ? std::string() : NormalPortName(port);
    std::vector<const RecordEntry*> kept;
    for (const RecordEntry& e : entries) {
        if (!Known(e)) {
            if (wanted.empty() && !number) kept.push_back(&e);
            continue;
        }
        if (!wanted.empty() && NormalPortName(e.record.port.name) != wanted) continue;
        if (number && (!e.record.controller || e.record.controller->number != *number)) continue;
        kept.push_back(&e);
    }
    return kept;
}

std::vector<std::string> RecordPorts(const std::vector<RecordEntry>& entries) {
    std::vector<std::string> ports;
    for (const RecordEntry& e : entries) {
        if (!Known(e)) continue;
        const std::string port = NormalPortName(e.record.port.name);
        if (std::find(ports.begin(), ports.end(), port) == ports.end()) ports.push_back(port);
    }
    return ports;
}

std::string RowVerdict(const RecordEntry& entry) {
    if (entry.problem == ReadProblem::Edited) return "изменён: " + entry.message;
    if (!Known(entry)) return "не акт: " + entry.message;
    if (entry.record.outcome.result == "ok") return "выполнено";
    if (entry.record.outcome.result == "interrupted") return "прервано";
    return "не выполнено";
}

std::string ComparisonRefusal(const RecordEntry& a, const RecordEntry& b) {
    if (!Known(a) || !Known(b)) return "Сравниваются только акты: один из файлов не акт наладки";
    if (DeviceKey(a.record) != DeviceKey(b.record))
        return "Сравниваются акты одного устройства: это " + DeviceTitle(a.record) + " и " +
               DeviceTitle(b.record);
    return {};
}

std::string CompareEntries(const RecordEntry& a, const RecordEntry& b) {
    const bool aFirst = a.record.timeUtc < b.record.timeUtc ||
                        (a.record.timeUtc == b.record.timeUtc && a.json < b.json);
    const RecordEntry& older = aFirst ? a : b;
    const RecordEntry& newer = aFirst ? b : a;
    std::string page = ComparisonHtml(older.record, newer.record);
    for (const RecordEntry* e : {&older, &newer}) {
        if (e->problem != ReadProblem::Edited) continue;
        const std::string warning = "<p style=\"color:#b00000; font-weight:bold\">Внимание: " +
                                    HtmlEscaped(e->json + ": " + e->message) + "</p>\n";
        page.insert(page.find("<h1>"), warning);
    }
    return page;
}

std::string PageToShow(const RecordEntry& entry, std::string& why) {
    if (!Known(entry)) {
        why = "«" + entry.json + "» не акт наладки: " + entry.message;
        return {};
    }
    std::vector<std::string> warnings;
    const RecordVerdict verdict = CheckRecordFile(entry.json);
    if (!verdict.Holds()) warnings.push_back("акт не доказателен: " + verdict.message);
    for (const std::string& note : verdict.notes) warnings.push_back(note);
    std::string page = RecordHtml(entry.record, entry.sha256);
    if (entry.html.empty())
        warnings.push_back("HTML-файла акта нет: страница составлена по его JSON");
    else if (ReadFileBytes(entry.html) != page)
        warnings.push_back(
            "HTML-файл акта не совпадает с его JSON (изменён): показано то, что "
            "говорит JSON");
    std::string banner;
    for (const std::string& w : warnings)
        banner +=
            "<p style=\"color:#b00000; font-weight:bold\">Внимание: " + HtmlEscaped(w) + "</p>\n";
    const std::size_t heading = page.find("<h1>");
    if (!banner.empty()) page.insert(heading == std::string::npos ? 0 : heading, banner);
    return page;
}

}  // namespace hk::records
