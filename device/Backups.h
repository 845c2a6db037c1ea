#pragma once
// The controller's modem buffers as they were before a write, kept as list
// files (Windows-1251, CR LF, the format the window loads and saves) in a
// backups folder: one file a buffer, named after the network number, the
// local date and time and the channel, e.g. "kvard-5-2026-12-07-11-23-45-mcp.n3".
// Restoring is the ordinary path: load the files into the memos and write.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "device/KitBuffers.h"

namespace hk::device {

// The buffers of one kit as read: 128 bytes each (and room for the check byte).
using BufferReads = std::array<std::array<std::uint8_t, kBufferBytes + 1>, 2>;

// "mcp", "mpi" or "serial" for a buffer of kit `kitIndex`.
std::string ChannelTag(int kitIndex, const KitBuffer& buffer);

// The file name of a buffer's backup (no folder).
std::string BackupFileName(int netNumber, std::int64_t wallMs, const std::string& channelTag);

// Saves every buffer of `kit` into `folder` (created when missing) and
// returns the file names. Throws hk::FileError naming the file when one
// cannot be written.
std::vector<std::string> SaveBackup(const std::string& folder, int kitIndex, int netNumber,
                                    std::int64_t wallMs, const BufferReads& reads);

}  // namespace hk::device
