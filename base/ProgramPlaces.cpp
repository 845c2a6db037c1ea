#include "base/ProgramPlaces.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "base/TextForm.h"
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
    if (const std::string home = env("HOME"); !home.empty()) return WithTrailingSeparator(home);
    std::error_code ec;
    return WithTrailingSeparator(GenericUtf8FromPath(fs::temp_directory_path(ec)));
}

// $name when it is set to an absolute path (the XDG rule), else HOME/fallback.
std::string XdgDir(const Environment& env, const char* name, const char* fallback) {
    if (const std::string dir = env(name); !dir.empty() && dir[0] == '/')
        return WithTrailingSeparator(dir);
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

// The user's own folders for the operator's files.
void TakeUserFolders(ProgramPlaces& places, const Environment& env) {
    places.userFolders = true;
#ifdef _WIN32
    const std::string roaming = env("APPDATA");
    const std::string local = env("LOCALAPPDATA");
    // Windows' own separator, as the user sees these folders named.
    const auto inside = [](std::string folder) {
        if (folder.back() != '\\' && folder.back() != '/') folder += '\\';
        return folder + "hayeskvd\\";
    };
    if (!roaming.empty()) {
        places.settingsDir = inside(roaming);
        places.dataDir = inside(local.empty() ? roaming : local);
        return;
    }
#endif
    places.settingsDir = XdgDir(env, "XDG_CONFIG_HOME", ".config/") + kFolderName;
    places.dataDir = XdgDir(env, "XDG_DATA_HOME", ".local/share/") + kFolderName;
}

}  // namespace

bool FolderIsWritable(const std::string& folder) {
    // The folder alone decides: a write-protected settings file in a folder
    // the program may write to is that file's own matter (the settings are
    // not kept), not a reason to leave the folder and the port mapping
    // beside it.
    const std::string dir = WithTrailingSeparator(folder);
    std::error_code ec;
    const std::string probe = dir + "HayesKvd.write-probe";
    std::FILE* f = OpenFileUtf8(probe, "wb");
    if (!f) return false;
    std::fclose(f);
    fs::remove(PathFromUtf8(probe), ec);
    return true;
}

std::string SystemEnvironment(const char* name) {
#ifdef _WIN32
    const std::wstring wide = PathFromUtf8(name).wstring();
    const wchar_t* value = ::_wgetenv(wide.c_str());
    return value ? Utf8FromPath(std::filesystem::path(value)) : std::string();
#else
    const char* value = std::getenv(name);
    return value ? value : std::string();
#endif
}

namespace {

ProgramPlaces FindPlaces(const std::string& dir, const Environment& env,
                         const FolderWritable& writable) {
    ProgramPlaces places;
    std::string share =
        EndsWith(dir, std::string("/") + kInstalledShareFolder) ? dir : InstalledShareOf(dir);
    if (share.empty()) {
        places.programFolder = places.settingsDir = places.dataDir = dir;
        if (!writable(dir)) TakeUserFolders(places, env);
        return places;
    }
    places.installed = true;
    places.programFolder = share;
    TakeUserFolders(places, env);
    return places;
}

}  // namespace

ProgramPlaces LocateProgramPlaces(const std::string& folder, const Environment& env,
                                  const FolderWritable& writable) {
    // The layout is read with '/' between the parts (Qt and the command line
    // give the executable's folder so); the places come out with the
    // system's own separators, as every message shows them to the operator.
    std::string dir = WithTrailingSeparator(folder);
    if (kWindowsForm) std::replace(dir.begin(), dir.end(), '\\', '/');
    ProgramPlaces places = FindPlaces(dir, env, writable);
    for (std::string* place : {&places.programFolder, &places.settingsDir, &places.dataDir})
        *place = ShownPath(std::move(*place));
    return places;
}

void MakeOperatorFolders(const ProgramPlaces& places) {
    if (!places.userFolders) return;
    std::error_code ec;
    fs::create_directories(PathFromUtf8(places.settingsDir), ec);
    fs::create_directories(PathFromUtf8(places.dataDir), ec);
}

}  // namespace hk
