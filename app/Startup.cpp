#include "app/Startup.h"

#include "base/ProgramPlaces.h"

namespace hk {
namespace {
constexpr int kStartSpeedIndex = 4;  // 4800 baud until a dialog re-reads the file
}

void RunStartupSteps(MainState& state, SerialLink& link, const std::string& programDir) {
    const ProgramPlaces places = LocateProgramPlaces(programDir);
    MakeOperatorFolders(places);
    state.ProgramDir = places.programFolder;
    state.HelpFileName = places.programFolder + kHelpFileName;
    state.CfgFileName = places.settingsDir + kSettingsFileName;
    state.DataDir = places.dataDir;
    ReadSettings(link.Settings, state.CfgFileName);
    state.KitIndex = static_cast<std::uint8_t>(link.Settings.Kit);
    link.Settings.SpeedIndex = kStartSpeedIndex;
    link.PortOpen = false;
}

}  // namespace hk
