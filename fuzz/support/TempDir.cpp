#include "fuzz/support/TempDir.h"

#include <stdlib.h>

#include <cstdio>
#include <stdexcept>

namespace hk::fuzz {

TempDir::TempDir() {
    std::string name = (std::filesystem::temp_directory_path() / "hk-fuzz-XXXXXX").string();
    if (!::mkdtemp(name.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = name;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempDir::WriteAll(const std::string& file, std::span<const std::uint8_t> bytes) {
    std::FILE* f = std::fopen(file.c_str(), "wb");
    if (!f) throw std::runtime_error("cannot create " + file);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok) throw std::runtime_error("cannot write " + file);
}

std::vector<std::uint8_t> TempDir::ReadAll(const std::string& file) {
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return bytes;
    std::uint8_t chunk[4096];
    std::size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes.insert(bytes.end(), chunk, chunk + n);
    std::fclose(f);
    return bytes;
}

}  // namespace hk::fuzz
