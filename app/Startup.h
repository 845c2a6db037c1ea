#pragma once
// The creation steps of the main window that do not touch a widget: where
// the settings and help files lie, the stored settings, the kit.

#include <string>

#include "base/ProgramPlaces.h"
#include "link/Port.h"
#include "state/MainState.h"

namespace hk {

// `programDir` is the program's folder with the trailing separator: the
// executable's own, or the installed program's share folder
// (base/ProgramPlaces.h), which also decides where the settings file and the
// data folder lie. In this order: help file name, CfgFileName, DataDir (the
// installed program's folders are created), ReadSettings, KitIndex :=
// Settings.Kit, Settings.SpeedIndex := 4 (in memory only), PortOpen := false.
void RunStartupSteps(MainState& state, SerialLink& link, const std::string& programDir);

}  // namespace hk
