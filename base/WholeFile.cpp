#include "base/WholeFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "base/Utf8Path.h"

namespace hk {

bool WriteWholeFile(const std::string& path, const std::string& bytes, std::string& error) {
    const std::filesystem::path target = PathFromUtf8(path);
    std::filesystem::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            error = std::strerror(errno);
            return false;
        }
        out << bytes;
        out.flush();
        if (!out) {
            error = std::strerror(errno);
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, target, ec);
    if (ec) {
        error = ec.message();
        std::filesystem::remove(temporary, ec);
        return false;
    }
    return true;
}

}  // namespace hk
