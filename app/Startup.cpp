#include "app/Startup.h"

namespace hk {
namespace {
constexpr int kStartSpeedIndex = 4;  // 4800 baud until a dialog re-reads the file
}

void RunStartupSteps(MainState& state, SerialLink& link, const std::string& programDir) {
    state.ProgramDir = programDir;
    state.HelpFileName = programDir + kHelpFileName;
    state.CfgFileName = programDir + kSettingsFileName;
    state.DataDir = programDir;
    ReadSettings(link.Settings, state.CfgFileName);
    state.KitIndex = static_cast<std::uint8_t>(link.Settings.Kit);
    link.Settings.SpeedIndex = kStartSpeedIndex;
    link.PortOpen = false;
}

}  // namespace hk
