#pragma once
// The system's files as the serial-device code reads them (/dev, /sys,
// /proc), inside a tree at `root` for tests (recorded trees), or the running
// system's own when `root` is empty.

#include <filesystem>
#include <string>

namespace hk {

// `system` ("/dev/ttyS0") inside the tree at `root`.
std::filesystem::path InTree(const std::string& root, const std::string& system);

// Follows links inside the tree (the system's by-id links and ports/ links
// are relative or absolute; absolute ones are taken inside the tree), at
// most 16 of them.
std::filesystem::path ResolveInTree(const std::string& root, std::filesystem::path p);

}  // namespace hk
