#include "link/LogFormat.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace hk {
namespace {

constexpr std::size_t kBytesColumn = 48;  // the line parameters start here

std::tm LocalTm(std::int64_t wallMs) {
    const std::time_t seconds = static_cast<std::time_t>(wallMs / 1000);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &seconds);
#else
    localtime_r(&seconds, &tm);
#endif
    return tm;
}

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

std::int64_t SystemWallMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

std::string LocalTimeText(std::int64_t wallMs) {
    const std::tm tm = LocalTm(wallMs);
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d.%03d", tm.tm_hour, tm.tm_min, tm.tm_sec,
                  static_cast<int>(((wallMs % 1000) + 1000) % 1000));
    return text;
}

std::string LocalDateText(std::int64_t wallMs) {
    const std::tm tm = LocalTm(wallMs);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", tm.tm_year + 1900, tm.tm_mon + 1,
                  tm.tm_mday);
    return text;
}

std::string LineParamsText(const LineParams& p) {
    return std::to_string(p.BaudRate) + " " + std::to_string(p.ByteSize) + ParityLetter(p.parity) +
           (p.stopBits == StopBits::Two ? "2" : "1");
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
