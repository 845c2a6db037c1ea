#include "base/ProgramPlaces.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/Utf8Path.h"

namespace hk {
namespace {

namespace fs = std::filesystem;

constexpr const char* kFolderName = "hayeskvd/";

bool EndsWith(const std::string& s, const std::string& tail) {
    return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// The user's home; without HOME (no login session) the temporary folder.
std::string HomeDir(const Environment& env) {
    if (const char* home = env("HOME"); home && *home) return WithTrailingSeparator(home);
    std::error_code ec;
    return WithTrailingSeparator(GenericUtf8FromPath(fs::temp_directory_path(ec)));
}

// $name when it is set to an absolute path (the XDG rule), else HOME/fallback.
std::string XdgDir(const Environment& env, const char* name, const char* fallback) {
    if (const char* dir = env(name); dir && dir[0] == '/') return WithTrailingSeparator(dir);
    return HomeDir(env) + fallback;
}

// <prefix>/share/hayeskvd/ of an executable in <prefix>/bin/, or empty.
std::string InstalledShareOf(const std::string& exeDir) {
    if (!EndsWith(exeDir, "/bin/")) return {};
    const std::string prefix = exeDir.substr(0, exeDir.size() - 4);
    const std::string share = prefix + kInstalledShareFolder;
    std::error_code ec;
    return fs::is_regular_file(PathFromUtf8(share + kHelpFileName), ec) ? share : std::string();
}

}  // namespace

const char* SystemEnvironment(const char* name) { return std::getenv(name); }

ProgramPlaces LocateProgramPlaces(const std::string& folder, const Environment& env) {
    ProgramPlaces places;
    const std::string dir = WithTrailingSeparator(folder);
    std::string share =
        EndsWith(dir, std::string("/") + kInstalledShareFolder) ? dir : InstalledShareOf(dir);
    if (share.empty()) {
        places.programFolder = places.settingsDir = places.dataDir = dir;
        return places;
    }
    places.installed = true;
    places.programFolder = share;
    places.settingsDir = XdgDir(env, "XDG_CONFIG_HOME", ".config/") + kFolderName;
    places.dataDir = XdgDir(env, "XDG_DATA_HOME", ".local/share/") + kFolderName;
    return places;
}

void MakeOperatorFolders(const ProgramPlaces& places) {
    if (!places.installed) return;
    std::error_code ec;
    fs::create_directories(PathFromUtf8(places.settingsDir), ec);
    fs::create_directories(PathFromUtf8(places.dataDir), ec);
}

}  // namespace hk
