#pragma once
// The main window's mode state and the start-up names, in one plain struct
// owned by the application object (no globals): every test builds its own.

#include <cstdint>
#include <string>

namespace hk {

struct MainState {
    int WorkMode = 0;  // 0 none, 2 modem mode, 3 controller mode
    bool ModemMode = false;
    bool PortReady = false;
    bool ReadFromDevice = false;
    bool ClearBuffer1 = false;
    bool ClearBuffer2 = false;
    bool SavedDigitAnswers = false;
    std::uint8_t KitIndex = 2;  // replaced by the stored kit at start
    bool TraceBytes = false;

    std::string ProgramDir;   // with trailing separator
    std::string CfgFileName;  // ProgramDir + "HmK.Cfg"
    std::string HelpFileName;
};

}  // namespace hk
