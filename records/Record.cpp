#include "records/Record.h"

#include <cstdio>
#include <ctime>

#include "base/Windows1251.h"
#include "device/KitBuffers.h"
#include "lists/MemoryLines.h"
#include "ports/PortNames.h"

namespace hk::records {
namespace {

struct JobRow {
    JobKind job;
    const char* name;
    const char* title;
};

constexpr JobRow kJobs[] = {
    {JobKind::Read, "read", "чтение КВАРД"},
    {JobKind::Write, "write", "запись в КВАРД"},
    {JobKind::ModemWrite, "modem-write", "запись в модем"},
    {JobKind::ModemCheck, "modem-check", "проверка модема"},
    {JobKind::SiteCheck, "site-check", "сверка со списками"},
};

std::tm Broken(std::int64_t wallMs, bool local) {
    const auto seconds = static_cast<std::time_t>(wallMs / 1000);
    std::tm tm{};
#ifdef _WIN32
    if (local)
        localtime_s(&tm, &seconds);
    else
        gmtime_s(&tm, &seconds);
#else
    if (local)
        localtime_r(&seconds, &tm);
    else
        gmtime_r(&seconds, &tm);
#endif
    return tm;
}

// With milliseconds: two records of one device in one second still sort in
// the order they were written, and their chain with them.
std::string DateTimeText(const std::tm& tm, int milliseconds) {
    char text[80];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", tm.tm_year + 1900,
                  tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, milliseconds);
    return text;
}

// Minutes the local time is ahead of UTC at that moment.
int OffsetMinutes(const std::tm& local, const std::tm& utc) {
    int days = local.tm_yday - utc.tm_yday;
    if (local.tm_year != utc.tm_year) days = local.tm_year > utc.tm_year ? 1 : -1;
    return days * 24 * 60 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

}  // namespace

const char* JobName(JobKind job) {
    for (const JobRow& row : kJobs)
        if (row.job == job) return row.name;
    return "";
}

std::optional<JobKind> JobOfName(std::string_view name) {
    for (const JobRow& row : kJobs)
        if (name == row.name) return row.job;
    return std::nullopt;
}

const char* JobTitle(JobKind job) {
    for (const JobRow& row : kJobs)
        if (row.job == job) return row.title;
    return "";
}

bool ControllerJob(JobKind job) {
    return job == JobKind::Read || job == JobKind::Write || job == JobKind::SiteCheck;
}

std::string ChannelTitle(std::string_view tag) {
    if (tag == "mcp") return "МЦП";
    if (tag == "mpi") return "МПИ";
    if (tag == "serial") return "последовательный канал";
    return std::string(tag);
}

std::string ControlParameterName(int controlChannel) {
    return controlChannel == 0 ? "40 04" : "41 04";
}

bool FlagWithLines(const std::array<std::uint8_t, 2>& control) { return (control[1] & 0x10) != 0; }

std::vector<std::string> BufferLines(const std::vector<std::uint8_t>& image) {
    MemoryLines memo;
    device::DecodeBuffer(image, memo, device::LineEnds::Hidden);
    std::vector<std::string> lines;
    lines.reserve(memo.lines.size());
    for (const std::string& line : memo.lines) lines.push_back(Utf8FromWindows1251(line));
    return lines;
}

void StampTime(Record& record, std::int64_t wallMs) {
    record.wallMs = wallMs;
    const std::tm utc = Broken(wallMs, false);
    const std::tm local = Broken(wallMs, true);
    const int milliseconds = static_cast<int>(wallMs % 1000);
    record.timeUtc = DateTimeText(utc, milliseconds) + "Z";
    const int offset = OffsetMinutes(local, utc);
    const int magnitude = offset < 0 ? -offset : offset;
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    record.timeLocal = DateTimeText(local, milliseconds) + zone;
}

std::string NormalPortName(std::string_view name) {
    const int number = ComPortNumber(std::string(name));
    return number > 0 ? "Com" + std::to_string(number) : std::string(name);
}

std::string DeviceKey(const Record& record) {
    const std::string port = NormalPortName(record.port.name);
    if (record.controller) return "kvard " + port + " " + std::to_string(record.controller->number);
    return "modem " + port;
}

std::string DeviceTitle(const Record& record) {
    const std::string port = NormalPortName(record.port.name);
    if (record.controller)
        return "КВАРД № " + std::to_string(record.controller->number) + " на " + port;
    return "модем на " + port;
}

const std::vector<std::uint8_t>* FinalImage(const Record& record, const ChannelFacts& channel) {
    const auto& image = record.job == JobKind::Write ? channel.after : channel.before;
    return image ? &*image : nullptr;
}

const std::array<std::uint8_t, 2>* FinalFlag(const Record& record, const ChannelFacts& channel) {
    const auto& flag = record.job == JobKind::Write ? channel.flagAfter : channel.flagBefore;
    return flag ? &*flag : nullptr;
}

}  // namespace hk::records
