#pragma once
// The creation steps of the main window that do not touch a widget: where
// the settings and help files lie, the stored settings, the kit.

#include <string>

#include "link/Port.h"
#include "state/MainState.h"

namespace hk {

inline constexpr const char* kHelpFileName = "HayesKvd.html";

// `programDir` is the directory of the program's own executable, with the
// trailing separator. In this order: help file name, CfgFileName, DataDir,
// ReadSettings, KitIndex := Settings.Kit, Settings.SpeedIndex := 4 (in
// memory only), PortOpen := false.
void RunStartupSteps(MainState& state, SerialLink& link, const std::string& programDir);

}  // namespace hk
