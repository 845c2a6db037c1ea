#include "device/Backups.h"

#include <cstdio>
#include <filesystem>

#include "base/LocalTime.h"
#include "base/Utf8Path.h"
#include "lists/ListFiles.h"
#include "lists/MemoryLines.h"

namespace hk::device {

std::string ChannelTag(int kitIndex, const KitBuffer& buffer) {
    if (kitIndex == 1) return "serial";
    return buffer.channel == 0 ? "mcp" : "mpi";
}

std::string BackupFileName(int netNumber, std::int64_t wallMs, const std::string& channelTag) {
    // "HH:MM:SS.mmm" of the time of day, as a file name allows it.
    std::string time = LocalTimeText(wallMs).substr(0, 8);
    for (char& c : time)
        if (c == ':') c = '-';
    return "kvard-" + std::to_string(netNumber) + "-" + LocalDateText(wallMs) + "-" + time + "-" +
           channelTag + ".n3";
}

std::vector<std::string> SaveBackup(const std::string& folder, int kitIndex, int netNumber,
                                    std::int64_t wallMs, const BufferReads& reads) {
    std::error_code ec;
    std::filesystem::create_directories(PathFromUtf8(folder), ec);
    const KitLayout& kit = KitBuffersOf(kitIndex);
    std::vector<std::string> names;
    for (int i = 0; i < kit.count; ++i) {
        const auto k = static_cast<std::size_t>(i);
        MemoryLines lines;
        DecodeBuffer(std::span(reads[k]).first(kBufferBytes), lines, LineEnds::Hidden);
        const std::string name =
            BackupFileName(netNumber, wallMs, ChannelTag(kitIndex, kit.buffers[k]));
        WriteListFile(WithTrailingSeparator(folder) + name, lines.lines);
        names.push_back(name);
    }
    return names;
}

}  // namespace hk::device
