#include "records/RecordHtml.h"

#include <algorithm>

#include "base/Utf8Path.h"
#include "records/Hex.h"
#include "records/LineDiff.h"
#include "records/Sha256.h"

namespace hk::records {
namespace {

constexpr const char* kStyle =
    "@page { size: A4; margin: 15mm; }\n"
    "body { font-family: 'Liberation Sans', Arial, sans-serif; font-size: 10pt; color: #000; "
    "max-width: 180mm; }\n"
    "h1 { font-size: 15pt; margin: 0 0 6pt 0; }\n"
    "h2 { font-size: 12pt; margin: 12pt 0 4pt 0; }\n"
    "p.outcome { font-size: 11pt; margin: 0 0 8pt 0; }\n"
    "table { border-collapse: collapse; width: 100%; margin: 0 0 4pt 0; }\n"
    "th, td { border: 1px solid #999; padding: 2pt 4pt; vertical-align: top; text-align: left; }\n"
    "th { background-color: #eeeeee; }\n"
    "td.n { width: 6%; text-align: right; color: #555; }\n"
    "td.line { font-family: 'Liberation Mono', 'Courier New', monospace; white-space: pre; }\n"
    "td.changed { background-color: #ffd9a0; }\n"
    "td.key { width: 28%; }\n"
    "span.ok { color: #0a6b0a; font-weight: bold; }\n"
    "span.bad { color: #b00000; font-weight: bold; }\n"
    "td.hash, span.hash { font-family: 'Liberation Mono', 'Courier New', monospace; "
    "font-size: 8pt; }\n"
    "p.note { color: #444; font-size: 9pt; }\n";

std::string Cell(const std::string& text, const char* kind = nullptr) {
    std::string cell = kind ? std::string("<td class=\"") + kind + "\">" : std::string("<td>");
    return cell + HtmlEscaped(text) + "</td>";
}

std::string Row(const std::string& key, const std::string& value) {
    return "<tr>" + Cell(key, "key") + Cell(value) + "</tr>\n";
}

// "07.12.2026 11:23:45" of "2026-12-07T11:23:45+03:00".
std::string ShownTime(const std::string& iso) {
    if (iso.size() < 19) return iso;
    return iso.substr(8, 2) + "." + iso.substr(5, 2) + "." + iso.substr(0, 4) + " " +
           iso.substr(11, 8);
}

std::string Verdict(const std::string& result) {
    if (result == "ok") return "выполнено";
    if (result == "interrupted") return "прервано";
    return "не выполнено";
}

std::string VerdictSpan(const std::string& result) {
    return std::string("<span class=\"") + (result == "ok" ? "ok" : "bad") + "\">" +
           Verdict(result) + "</span>";
}

std::string ParityText(const LineFacts& line) {
    std::string text = std::to_string(line.baudRate) + " бод, " + std::to_string(line.dataBits) +
                       " бит данных, чётность " + line.parity + ", стоп-битов " +
                       std::to_string(line.stopBits);
    if (!line.addressParity.empty())
        text +=
            "; адресный байт сетевого номера с чётностью " + line.addressParity + " (девятый бит)";
    return text + "; связь " + line.link;
}

std::string AdapterText(const PortFacts& port) {
    std::vector<std::string> parts;
    if (!port.adapter.name.empty()) parts.push_back(port.adapter.name);
    if (!port.adapter.device.empty() && port.adapter.device != port.device)
        parts.push_back(port.adapter.device);
    if (!port.adapter.stablePath.empty()) parts.push_back(port.adapter.stablePath);
    if (!port.adapter.driver.empty()) parts.push_back("драйвер " + port.adapter.driver);
    if (!port.adapter.usb.empty()) parts.push_back("USB " + port.adapter.usb);
    if (!port.adapter.serial.empty()) parts.push_back("серийный номер " + port.adapter.serial);
    if (port.adapter.interfaceNumber > 0)
        parts.push_back("порт " + std::to_string(port.adapter.interfaceNumber + 1) + " адаптера");
    std::string text;
    for (const std::string& p : parts) text += (text.empty() ? "" : ", ") + p;
    if (text.empty()) text = "система не сообщает";
    return text + "; " +
           (port.adapter.check.empty() ? std::string("адаптер не проверялся") : port.adapter.check);
}

std::string FlagText(const std::optional<std::array<std::uint8_t, 2>>& flag) {
    if (!flag) return "не читался";
    return std::string(FlagWithLines(*flag) ? "буфер со строками" : "буфер не используется") +
           " (" + HexOf(*flag) + ")";
}

// One column of lines per image, side by side, the lines in the difference
// between the first and the last column marked.
std::string SideBySide(
    const std::vector<std::pair<std::string, std::vector<std::string>>>& columns) {
    std::string html = "<table>\n<tr><th>№</th>";
    for (const auto& [title, lines] : columns) html += "<th>" + HtmlEscaped(title) + "</th>";
    html += "</tr>\n";
    std::vector<std::vector<bool>> marks(columns.size());
    if (columns.size() >= 2) {
        const ChangedLines changed = MarkChanges(columns.front().second, columns.back().second);
        marks.front() = changed.from;
        marks.back() = changed.to;
    }
    std::size_t rows = 0;
    for (const auto& column : columns) rows = std::max(rows, column.second.size());
    for (std::size_t i = 0; i < rows; ++i) {
        html += "<tr><td class=\"n\">" + std::to_string(i + 1) + "</td>";
        for (std::size_t c = 0; c < columns.size(); ++c) {
            const auto& lines = columns[c].second;
            const bool marked = i < marks[c].size() && marks[c][i];
            html +=
                Cell(i < lines.size() ? lines[i] : std::string(), marked ? "line changed" : "line");
        }
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

std::string ChannelSection(const Record& record, const ChannelFacts& c) {
    std::string html = "<h2>Канал " + HtmlEscaped(ChannelTitle(c.tag)) + "</h2>\n";
    std::vector<std::pair<std::string, std::vector<std::string>>> columns;
    const bool write = record.job == JobKind::Write;
    if (c.before)
        columns.emplace_back(write ? "До записи (резервная копия)" : "Прочитано",
                             BufferLines(*c.before));
    if (write && c.after)
        columns.emplace_back("После записи (прочитано обратно)", BufferLines(*c.after));
    else if (write && c.written)
        columns.emplace_back("Отправлено (обратно не прочитано)", BufferLines(*c.written));
    if (columns.empty()) return html + "<p class=\"note\">Буфер не читался и не записывался.</p>\n";
    html += SideBySide(columns);
    if (write && c.before && (c.after || c.written)) {
        const auto changes =
            DiffLines(BufferLines(*c.before), BufferLines(c.after ? *c.after : *c.written));
        html += "<p class=\"note\">" +
                (changes.empty() ? std::string("Строки не изменились.")
                                 : "Изменённые строки выделены (удалено или добавлено строк: " +
                                       std::to_string(changes.size()) + ").") +
                "</p>\n";
    }
    if (c.flagBefore || c.flagAfter)
        html += "<p>Флаг буфера (параметр " + ControlParameterName(c.controlChannel) + "): до — " +
                HtmlEscaped(FlagText(c.flagBefore)) + ", после — " +
                HtmlEscaped(FlagText(c.flagAfter)) + ".</p>\n";
    return html;
}

std::string ModemSection(const ModemFacts& m) {
    std::string html;
    if (!m.lines.empty()) {
        html +=
            "<h2>Строки, переданные модему</h2>\n<table>\n<tr><th>№</th><th>Строка "
            "списка</th><th>Строка</th><th>Ответ</th><th>Итог</th></tr>\n";
        for (const ModemLineFacts& l : m.lines)
            html += "<tr><td class=\"n\">" + std::to_string(l.number) + "</td>" +
                    Cell(std::to_string(l.listLine)) + Cell(l.text, "line") +
                    Cell(l.answer.empty() ? "нет кода результата" : l.answer) + Cell(l.verdict) +
                    "</tr>\n";
        html += "</table>\n<p>" + HtmlEscaped(m.runSummary) + "</p>\n";
    }
    if (m.checked) {
        html +=
            "<h2>Настройки модема по списку</h2>\n<table>\n<tr><th>Настройка</th><th>В "
            "списке</th><th>В модеме</th><th>Итог</th><th>Строка списка</th></tr>\n";
        for (const ModemSettingFacts& s : m.settings) {
            const std::string name =
                s.profile ? s.setting + " в профиле " + std::to_string(*s.profile) : s.setting;
            const char* verdict = s.verdict == "same"      ? "совпадает"
                                  : s.verdict == "differs" ? "отличается"
                                                           : "не проверено";
            html += "<tr>" + Cell(name) + Cell(std::to_string(s.list)) +
                    Cell(s.modem ? std::to_string(*s.modem) : "не сообщил") +
                    (s.verdict == "differs" ? Cell(verdict, "changed") : Cell(verdict)) +
                    Cell(std::to_string(s.line)) + "</tr>\n";
        }
        html += "</table>\n<p>" + HtmlEscaped(m.checkSummary) + "</p>\n";
    }
    return html;
}

std::string HashRow(const std::string& what, const std::string& hash) {
    return "<tr>" + Cell(what, "key") + Cell(hash, "hash") + "</tr>\n";
}

std::string Hashes(const Record& record, const std::string& jsonSha256) {
    std::string rows;
    for (const ChannelFacts& c : record.channels) {
        const std::string channel = ChannelTitle(c.tag);
        if (c.before) rows += HashRow(channel + ", как найден", Sha256Hex(*c.before));
        if (c.written) rows += HashRow(channel + ", отправлено", Sha256Hex(*c.written));
        if (c.after) rows += HashRow(channel + ", прочитано после записи", Sha256Hex(*c.after));
    }
    if (record.modem && !record.modem->listSha256.empty())
        rows += HashRow("Список " + record.modem->listFile, record.modem->listSha256);
    if (record.log) {
        // The file by its name (the JSON names it whole).
        const std::string name = Utf8FromPath(PathFromUtf8(record.log->file).filename());
        rows += HashRow("Журнал обмена " + name + ", байты " + std::to_string(record.log->from) +
                            "–" + std::to_string(record.log->to),
                        record.log->sha256);
    }
    rows += HashRow("Предыдущий акт этого устройства",
                    record.previous ? *record.previous : "нет: это первый акт");
    if (!jsonSha256.empty()) rows += HashRow("Этот акт (файл JSON)", jsonSha256);
    return "<h2>Хеши SHA-256</h2>\n<table>\n" + rows + "</table>\n";
}

std::string Facts(const Record& record) {
    std::string rows;
    rows += Row("Время", ShownTime(record.timeLocal) + " (UTC " + ShownTime(record.timeUtc) + ")");
    rows += Row("Наладчик", record.operatorName.empty() ? "не известен" : record.operatorName);
    rows += Row("Программа", record.programName + " " + record.programVersion);
    rows += Row("Порт",
                record.port.name +
                    (record.port.device.empty() ? std::string() : " (" + record.port.device + ")"));
    rows += Row("Адаптер", AdapterText(record.port));
    rows += Row("Линия", ParityText(record.port.line));
    if (record.controller) {
        const ControllerFacts& c = *record.controller;
        rows += Row("КВАРД", "сетевой номер " + std::to_string(c.number) + ", " +
                                 std::to_string(c.baudRate) + " бод, протокол " +
                                 (c.protocol == "ft12" ? "FT1.2, CRC " + std::to_string(c.crcMode)
                                                       : std::string("традиционный")) +
                                 ", канал " + ChannelTitle(c.channel));
        rows += Row("Комплект", c.kitTitle);
        rows += Row("Идентификация", c.identification
                                         ? HexOf(std::span(*c.identification).first(2)) + " " +
                                               HexOf(std::span(*c.identification).last(2))
                                         : std::string("не читалась"));
        rows += Row("Слово состояния", c.status ? HexOf(*c.status) : std::string("не читалось"));
    }
    if (record.modem && !record.modem->listFile.empty())
        rows += Row("Список", record.modem->listFile);
    if (record.outcome.left) rows += Row("КВАРД оставлен", record.outcome.left->text);
    if (record.outcome.code) rows += Row("Код результата", std::to_string(*record.outcome.code));
    if (record.outcome.status)
        rows += Row("Код завершения hayeskvd-cli", std::to_string(*record.outcome.status));
    if (!record.outcome.stoppedBy.empty()) rows += Row("Прервано", record.outcome.stoppedBy);
    return "<table>\n" + rows + "</table>\n";
}

std::string Page(const std::string& title, const std::string& body) {
    return "<!DOCTYPE html>\n<html lang=\"ru\">\n<head>\n<meta charset=\"utf-8\">\n<title>" +
           HtmlEscaped(title) + "</title>\n<style>\n" + kStyle + "</style>\n</head>\n<body>\n" +
           body + "</body>\n</html>\n";
}

std::string Capitalised(std::string text) {
    // The job titles begin with a Cyrillic small letter (two bytes in UTF-8).
    static const std::pair<const char*, const char*> kFirst[] = {
        {"ч", "Ч"}, {"з", "З"}, {"п", "П"}, {"с", "С"}};
    for (const auto& [small, capital] : kFirst)
        if (text.starts_with(small)) return capital + text.substr(std::string(small).size());
    return text;
}

}  // namespace

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string OutcomeSentence(const Record& record) {
    std::string text = DeviceTitle(record) + ", " + JobTitle(record.job) + " " +
                       ShownTime(record.timeLocal) + ": " + Verdict(record.outcome.result);
    if (!record.outcome.text.empty()) text += ". " + record.outcome.text;
    if (!text.ends_with('.')) text += '.';
    return text;
}

std::string RecordHtml(const Record& record, const std::string& jsonSha256) {
    std::string body = "<h1>Акт наладки: " + HtmlEscaped(DeviceTitle(record)) + "</h1>\n";
    std::string sentence = OutcomeSentence(record);
    // The verdict stands out: the sentence with it coloured.
    const std::string verdict = ": " + Verdict(record.outcome.result);
    const std::size_t at = sentence.find(verdict);
    std::string shown = HtmlEscaped(sentence);
    if (at != std::string::npos)
        shown = HtmlEscaped(sentence.substr(0, at)) + ": " + VerdictSpan(record.outcome.result) +
                HtmlEscaped(sentence.substr(at + verdict.size()));
    body += "<p class=\"outcome\">" + shown + "</p>\n";
    body += Facts(record);
    for (const ChannelFacts& c : record.channels) body += ChannelSection(record, c);
    if (record.modem) body += ModemSection(*record.modem);
    body += Hashes(record, jsonSha256);
    return Page("Акт наладки: " + DeviceTitle(record) + ", " + ShownTime(record.timeLocal), body);
}

std::string ComparisonHtml(const Record& older, const Record& newer) {
    std::string body = "<h1>Что изменилось: " + HtmlEscaped(DeviceTitle(newer)) + "</h1>\n";
    body += "<p class=\"outcome\">" +
            HtmlEscaped(Capitalised(JobTitle(older.job)) + " " + ShownTime(older.timeLocal) + " (" +
                        Verdict(older.outcome.result) + ") и " + JobTitle(newer.job) + " " +
                        ShownTime(newer.timeLocal) + " (" + Verdict(newer.outcome.result) + ").") +
            "</p>\n";
    int changedChannels = 0;
    for (const ChannelFacts& n : newer.channels) {
        const auto o = std::find_if(older.channels.begin(), older.channels.end(),
                                    [&](const ChannelFacts& c) { return c.tag == n.tag; });
        body += "<h2>Канал " + HtmlEscaped(ChannelTitle(n.tag)) + "</h2>\n";
        const std::vector<std::uint8_t>* from =
            o != older.channels.end() ? FinalImage(older, *o) : nullptr;
        const std::vector<std::uint8_t>* to = FinalImage(newer, n);
        if (!from || !to) {
            body += "<p class=\"note\">В " + std::string(!from ? "первом" : "втором") +
                    " акте нет прочитанного содержимого этого канала: сравнивать не с чем.</p>\n";
            continue;
        }
        const auto fromLines = BufferLines(*from), toLines = BufferLines(*to);
        const auto changes = DiffLines(fromLines, toLines);
        if (!changes.empty()) ++changedChannels;
        body += SideBySide(
            {{ShownTime(older.timeLocal), fromLines}, {ShownTime(newer.timeLocal), toLines}});
        body += "<p class=\"note\">" +
                std::string(changes.empty()
                                ? "Строки те же."
                                : "Изменённые строки выделены (удалено или добавлено строк: " +
                                      std::to_string(changes.size()) + ").") +
                (*from != *to && changes.empty() ? " Байты за концом списка отличаются." : "") +
                "</p>\n";
    }
    if (newer.modem && older.modem) {
        body += "<h2>Модем</h2>\n";
        body += "<p>Первый акт: " + HtmlEscaped(older.outcome.text) + "</p>\n";
        body += "<p>Второй акт: " + HtmlEscaped(newer.outcome.text) + "</p>\n";
        body += ModemSection(*newer.modem);
    }
    if (!newer.channels.empty())
        body += "<p>" +
                std::string(changedChannels == 0
                                ? "Каналы не изменились."
                                : "Изменились каналы: " + std::to_string(changedChannels) + ".") +
                "</p>\n";
    return Page("Сравнение актов: " + DeviceTitle(newer), body);
}

}  // namespace hk::records
