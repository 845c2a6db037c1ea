#pragma once
// Where the program finds its own files and keeps the operator's.
//
// Portable (the build's bin/ folder of ./run.sh, or any folder the program
// was copied to): everything lies beside the executable, as it always has:
// the help, the example lists, the settings file "HmK.Cfg", the port mapping
// "ports.conf" with the ports/ links, and the logs and backups.
//
// Installed (cmake --install, the Debian package): the executable lies in
// <prefix>/bin/ and its read-only files in <prefix>/share/hayeskvd/ (the
// help, the example lists, where the file dialogs start). The program cannot
// write there, so the settings file, the port mapping and the ports/ links go
// to the user's configuration folder, $XDG_CONFIG_HOME/hayeskvd/ (by default
// ~/.config/hayeskvd/), and the logs and backups to the user's data folder,
// $XDG_DATA_HOME/hayeskvd/ (by default ~/.local/share/hayeskvd/).
//
// Portable in a folder the program may not write to (unpacked under
// "Program Files", a read-only share): the help and the example lists stay
// there, the operator's files go to the user's folders as when installed; on
// Windows the settings to %APPDATA%\hayeskvd\ and the logs and backups to
// %LOCALAPPDATA%\hayeskvd\.
//
// GUI-free, so that every front end finds the same files.
//
// The program is installed exactly when its executable's folder is named
// bin/ and <that folder>/../share/hayeskvd/ holds the help: the layout the
// install step makes, wherever its prefix. Every folder ends with a
// separator; on Windows every separator is '\', as the operator reads paths.

#include <functional>
#include <string>

namespace hk {

inline constexpr const char* kInstalledShareFolder = "share/hayeskvd/";
inline constexpr const char* kHelpFileName = "HayesKvd.html";

struct ProgramPlaces {
    bool installed = false;
    bool userFolders = false;   // the operator's files lie in the user's folders
    std::string programFolder;  // help, example lists, where the file dialogs start
    std::string settingsDir;    // HmK.Cfg, ports.conf, ports/
    std::string dataDir;        // logs, backups, preferences
};

// Reads one environment variable as UTF-8: empty when unset (on Windows
// through the UTF-16 environment, so a user folder with Cyrillic letters
// comes whole).
using Environment = std::function<std::string(const char* name)>;
std::string SystemEnvironment(const char* name);

// Whether the program may create and write files in `folder`: a file is
// made there and removed. Files already there are not looked at: a
// write-protected settings file leaves the folder the program's own.
using FolderWritable = std::function<bool(const std::string& folder)>;
bool FolderIsWritable(const std::string& folder);

// `folder` is the executable's folder, or a program folder this function
// gave before (<prefix>/share/hayeskvd/): both give the same places, so the
// program folder can be handed on in place of the executable's.
ProgramPlaces LocateProgramPlaces(const std::string& folder,
                                  const Environment& env = SystemEnvironment,
                                  const FolderWritable& writable = FolderIsWritable);

// Creates the settings and data folders when they are the user's (the
// portable ones exist). Nothing is reported: a folder that cannot be made shows later, in
// the message of the first write that needs it.
void MakeOperatorFolders(const ProgramPlaces& places);

}  // namespace hk
