#pragma once
// A file written whole or not at all, so that a reader never sees half of it.

#include <string>

namespace hk {

// Writes `bytes` into `path` (UTF-8) whole or not at all: into a temporary
// file beside it, then renamed over it. False, with the system's reason in
// `error`, when that fails; the temporary file is removed then.
bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace hk
