#pragma once
// The network scan window's controls as designed (gui/DesignTable.h), row by
// row: the line, the range and speed with the start button, the controller
// under test with the time left, the progress bar, the table, the outcome and
// the buttons.

#include "gui/DesignTable.h"

namespace hk::design {

inline constexpr int kNetworkScanWidth = 640;
inline constexpr int kNetworkScanHeight = 440;

inline constexpr LaidOutControl kNetworkScanControls[] = {
    {"ScanLink", Kind::Label, 0},
    {nullptr, Kind::Label, 1, "Сетевые номера с"},
    {"FirstNumber", Kind::NumberBox, 1, nullptr, "Первый сетевой номер"},
    {nullptr, Kind::Label, 1, "по"},
    {"LastNumber", Kind::NumberBox, 1, nullptr, "Последний сетевой номер"},
    {nullptr, Kind::Label, 1, "Скорость"},
    {"ScanSpeed", Kind::ComboBox, 1, nullptr, "Скорость обмена"},
    {nullptr, Kind::Stretch, 1},
    {"StartScan", Kind::Button, 1, "Начать опрос"},
    {"UnderTest", Kind::Label, 2},
    {nullptr, Kind::Stretch, 2},
    {"TimeLeft", Kind::Label, 2},
    {"ScanProgress", Kind::ProgressBar, 3, nullptr, "Ход опроса сети"},
    {"ScanTable", Kind::Table, 4, nullptr, "Найденные КВАРД", "Номер|Скорость|Комплект|Состояние"},
    {"ScanStatus", Kind::Label, 5},
    {"SaveCsv", Kind::Button, 6, "Сохранить CSV..."},
    {"CopyTable", Kind::Button, 6, "Копировать"},
    {nullptr, Kind::Stretch, 6},
    {"CloseScan", Kind::Button, 6, "Закрыть"},
};

}  // namespace hk::design
