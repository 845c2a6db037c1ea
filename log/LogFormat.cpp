#include "log/LogFormat.h"

#include <cstdio>

#include "base/LocalTime.h"

namespace hk {
namespace {

constexpr std::size_t kBytesColumn = 48;  // the line parameters start here

char ParityLetter(Parity p) {
    switch (p) {
        case Parity::Odd:
            return 'O';
        case Parity::Even:
            return 'E';
        case Parity::Mark:
            return 'M';
        case Parity::Space:
            return 'S';
        case Parity::None:
            break;
    }
    return 'N';
}

std::string SinceJob(std::int64_t ms) {
    char text[32];
    std::snprintf(text, sizeof text, "+%lld.%03lld", static_cast<long long>(ms / 1000),
                  static_cast<long long>(ms % 1000));
    return text;
}

}  // namespace

std::string LineParamsText(const LineParams& p) {
    return std::to_string(p.BaudRate) + " " + std::to_string(p.ByteSize) + ParityLetter(p.Parity) +
           (p.StopBits == StopBits::Two ? "2" : "1");
}

std::string FormatLogEntry(const LogEntry& e) {
    std::string line = LocalTimeText(e.wallMs);
    if (e.kind == LogEntry::Kind::Job) return line + "  ===== " + e.text + " =====";
    std::string since = SinceJob(e.sinceJobMs);
    line += "  ";
    line += since;
    line.append(since.size() < 9 ? 9 - since.size() : 1, ' ');
    switch (e.kind) {
        case LogEntry::Kind::Sent:
        case LogEntry::Kind::Received: {
            std::string bytes = (e.kind == LogEntry::Kind::Sent ? "→ " : "← ") + e.text;
            // The arrows take three bytes in UTF-8 but one column on screen.
            const std::size_t columns = bytes.size() - 2;
            if (columns < kBytesColumn) bytes.append(kBytesColumn - columns, ' ');
            return line + bytes + "  " + LineParamsText(e.params);
        }
        default:
            return line + "  " + e.text;
    }
}

}  // namespace hk
