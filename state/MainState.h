#pragma once
// The main window's mode state and the start-up names, in one plain struct
// owned by the application object (no globals): every test builds its own.
//
// It lives in its own folder because both sides of the program read and set
// it: the modem side (modem/) and the controller side (device/). Neither may
// include the window layer above them, and neither owns the other.
//
// The window sets the mode flags while a job on the job thread reads them
// (and a job sets a few of them back): each flag is an atomic of its own.
// The folders are set once at start-up, before any job runs.

#include <atomic>
#include <cstdint>
#include <string>

namespace hk {

// Which side the main window's function buttons act for: none before a mode
// button was pressed, the modem ("Модем для КВАРД") or the controller
// ("Настройка КВАРД"). Compared by these names only.
enum WorkModes : int { kNoMode = 0, kModemWork = 2, kControllerWork = 3 };

struct MainState {
    std::atomic<WorkModes> WorkMode = kNoMode;
    // The modem side is active: the ring count shows, a loaded list sets it,
    // and the port dialog asks for the speed afresh.
    std::atomic<bool> ModemMode = false;
    // A port has been opened through a dialog for the next exchanges.
    std::atomic<bool> PortReady = false;
    // The next controller dialog reads the buffers (true) or writes them.
    std::atomic<bool> ReadFromDevice = false;
    // "Очистить" was chosen for the first (upper) or second (lower) channel:
    // the next write empties that buffer instead of writing the memo.
    std::atomic<bool> ClearBuffer1 = false;
    std::atomic<bool> ClearBuffer2 = false;
    // The modem's digit-answer flag, kept while settings are viewed or a
    // command is typed; a run takes it back.
    std::atomic<bool> SavedDigitAnswers = false;
    // The chosen controller kit 0..3; replaced by the stored kit at start.
    std::atomic<std::uint8_t> KitIndex = 2;
    // The byte trace of encoded lines into the lower memo.
    std::atomic<bool> TraceBytes = false;

    std::string ProgramDir;   // with trailing separator
    std::string CfgFileName;  // ProgramDir + "HmK.Cfg"
    std::string HelpFileName;
    // Where the program keeps what it writes besides the settings file: the
    // exchange logs, the controller backups and the dialog preferences. The
    // program's own folder in the portable build. With trailing separator.
    std::string DataDir;
    // Where a write's backup goes; empty: "backups/" in DataDir.
    std::string BackupDir;
};

}  // namespace hk
