#include "link/PortSettings.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "base/FileError.h"
#include "base/Utf8Path.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace hk {

FileError FileError::FromErrno() {
    const int code = errno;
    return FileError(std::strerror(code), code);
}

void ReadSettings(TPortSettings& settings, const std::string& fileName) {
    if (std::FILE* f = OpenFileUtf8(fileName, "rb")) {
        unsigned char image[sizeof(TPortSettings)];
        const std::size_t got = std::fread(image, 1, sizeof image, f);
        std::fclose(f);
        std::memcpy(&settings, image, got);
        return;
    }
    // Missing, locked or unreadable: create it from the record in memory.
    if (std::FILE* f = OpenFileUtf8(fileName, "wb")) {
        std::fwrite(&settings, sizeof settings, 1, f);
        std::fclose(f);
    }
}

namespace {

// The settings file could not be stored: which file, what to do, then the
// system's own text.
[[noreturn]] void StoreRefused(const std::string& fileName, int code) {
    throw FileError("Настройки не сохранены в файл «" + fileName + "»: " + std::strerror(code) +
                        ". Проверьте, что файл есть рядом с программой и доступен для записи.",
                    code);
}

}  // namespace

void WriteSettings(const TPortSettings& settings, const std::string& fileName) {
    // The existing file, opened for writing only and not truncated: a file
    // the user may write but not read is stored all the same, and bytes past
    // the eighth stay as they are.
#ifdef _WIN32
    const int fd = ::_wopen(PathFromUtf8(fileName).c_str(), _O_WRONLY | _O_BINARY);
#else
    const int fd = ::open(fileName.c_str(), O_WRONLY | O_CLOEXEC);
#endif
    if (fd < 0) StoreRefused(fileName, errno);
    const auto* image = reinterpret_cast<const char*>(&settings);
    std::size_t done = 0;
    int code = 0;
    while (done < sizeof settings) {
#ifdef _WIN32
        const int n = ::_write(fd, image + done, static_cast<unsigned>(sizeof settings - done));
#else
        const ssize_t n = ::write(fd, image + done, sizeof settings - done);
#endif
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        code = n < 0 ? errno : EIO;
        break;
    }
#ifdef _WIN32
    if (::_close(fd) != 0 && code == 0) code = errno;
#else
    if (::close(fd) != 0 && code == 0) code = errno;
#endif
    if (code != 0) StoreRefused(fileName, code);
}

}  // namespace hk
