#include "base/Utf8Path.h"

namespace hk {

namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view name) {
#ifdef _WIN32
    try {
        return fs::path(std::u8string(name.begin(), name.end()));
    } catch (const std::exception&) {
        // Not UTF-8 (no name the program makes): the system's own reading.
        return fs::path(std::string(name));
    }
#else
    return fs::path(std::string(name));
#endif
}

std::string Utf8FromPath(const fs::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

std::string GenericUtf8FromPath(const fs::path& path) {
#ifdef _WIN32
    const std::u8string text = path.generic_u8string();
    return std::string(text.begin(), text.end());
#else
    return path.generic_string();
#endif
}

std::FILE* OpenFileUtf8(const std::string& name, const char* mode) {
#ifdef _WIN32
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(PathFromUtf8(name).c_str(), wideMode.c_str());
#else
    return std::fopen(name.c_str(), mode);
#endif
}

std::string WithTrailingSeparator(std::string dir) {
    if (dir.empty() || dir.back() == '/') return dir;
#ifdef _WIN32
    if (dir.back() == '\\') return dir;
#endif
    return dir + '/';
}

}  // namespace hk
