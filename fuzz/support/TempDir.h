#pragma once
// A fresh folder of one test case in the system's temporary folder, removed
// with everything in it when the case ends.

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace hk::fuzz {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string File(const std::string& name) const { return (path_ / name).string(); }

    // Replaces the file's content with `bytes`.
    static void WriteAll(const std::string& file, std::span<const std::uint8_t> bytes);
    // The file's bytes; empty when it cannot be read.
    static std::vector<std::uint8_t> ReadAll(const std::string& file);

private:
    std::filesystem::path path_;
};

}  // namespace hk::fuzz
