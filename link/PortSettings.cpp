#include "link/PortSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "link/FileError.h"

namespace hk {

FileError FileError::FromErrno() {
    const int code = errno;
    return FileError(std::strerror(code), code);
}

void ReadSettings(TPortSettings& settings, const std::string& fileName) {
    if (std::FILE* f = std::fopen(fileName.c_str(), "rb")) {
        unsigned char image[sizeof(TPortSettings)];
        const std::size_t got = std::fread(image, 1, sizeof image, f);
        std::fclose(f);
        std::memcpy(&settings, image, got);
        return;
    }
    // Missing, locked or unreadable: create it from the record in memory.
    if (std::FILE* f = std::fopen(fileName.c_str(), "wb")) {
        std::fwrite(&settings, sizeof settings, 1, f);
        std::fclose(f);
    }
}

void WriteSettings(const TPortSettings& settings, const std::string& fileName) {
    std::FILE* f = std::fopen(fileName.c_str(), "r+b");  // existing file, not truncated
    if (!f) throw FileError::FromErrno();
    errno = 0;
    const bool written = std::fwrite(&settings, sizeof settings, 1, f) == 1;
    const bool flushed = std::fflush(f) == 0;
    const int code = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !flushed || !closed) {
        if (code != 0) errno = code;
        if (errno == 0) errno = EIO;
        throw FileError::FromErrno();
    }
}

}  // namespace hk
