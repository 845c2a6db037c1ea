#pragma once
// The controller dialog's controls as designed (gui/DesignTable.h), bounds
// on the dialog. The dialog is 40 pixels taller than designed: the rows of
// the safe write's two check boxes lie between the channel and the result
// frame. Panel2 lies on the right edge, so that narrowing the dialog for the
// basic kit removes it. A row under the buttons holds «Акты...»: beside
// "Журнал" the narrowed dialog has no room for it.

#include "gui/DesignTable.h"

namespace hk::design {

inline constexpr int kControllerDialogWidth = 528;
inline constexpr int kControllerDialogHeight = 486;
inline constexpr int kControllerButtonsTop = 424;

// One control a row, as the designer lists them.
// clang-format off
inline constexpr Control kControllerDialogControls[] = {
    {"CheckBox1", Kind::CheckBox, 8, 6, 160, 18, "Подбор сетевого номера", nullptr, nullptr,
     {.selected = 1}},
    // Not in the original design: the network inventory, beside the search.
    {"ScanButton", Kind::Button, 170, 3, 92, 24, "Опрос сети...", nullptr, nullptr,
     {.description = "Найти все КВАРД на линии: их номера, скорости, комплекты и состояние"}},
    {"Bevel1", Kind::Frame, 8, 28, 254, 72, nullptr, nullptr, nullptr},
    // Wider than designed (112): Windows' style keeps 8 pixels either side of
    // a group's title, which then needs 127 pixels in Arial and 133 in
    // Tahoma. The number field, narrower, still holds three digits at ease.
    {"RadioGroup1", Kind::RadioGroup, 14, 32, 134, 62, "Вид сетевого номера", nullptr, nullptr,
     {.items = "Hex|Dec", .selected = 1}},
    {"Label1", Kind::Label, 154, 38, 100, 14, "Сетевой номер", nullptr, nullptr},
    {"Edit1", Kind::Edit, 154, 56, 100, 22, nullptr, nullptr, "Сетевой номер"},
    {"Bevel2", Kind::Frame, 8, 104, 254, 54, nullptr, nullptr, nullptr},
    {"Label2", Kind::Label, 14, 108, 200, 14, "Скорость обмена", nullptr, nullptr},
    {"ComboBox1", Kind::ComboBox, 14, 126, 240, 24, nullptr, nullptr, "Скорость обмена",
     {.items = "Подбор|    300 бод|    600 бод|  1200 бод|  2400 бод|  4800 бод|  9600 бод|"
               "19200 бод"}},
    {"Label8", Kind::Label, 8, 168, 120, 14, "Пароль доступа", nullptr, nullptr},
    {"Edit2", Kind::Edit, 134, 164, 128, 22, nullptr, nullptr, "Пароль доступа"},
    {"RG2", Kind::RadioGroup, 8, 192, 124, 64, "Номер СОМ-порта", nullptr, nullptr,
     {.items = "Com1|Com2|Com3|Com4", .columns = 2, .selected = 1}},
    {"RadioGroup2", Kind::RadioGroup, 138, 192, 124, 64, "Вид связи с КВАРД", nullptr, nullptr,
     {.items = "Rs-232|ИРПС", .selected = 0}},
    {"RG3", Kind::RadioGroup, 8, 260, 254, 44, "Канал обмена", nullptr, nullptr,
     {.items = "МЦП |МПИ ", .columns = 2, .selected = 0}},
    {"Panel2", Kind::Panel, 270, 6, 250, 298, nullptr, nullptr, nullptr},
    {"Rprot", Kind::RadioGroup, 6, 4, 238, 62, "Протокол обмена", nullptr, nullptr,
     {.items = "Традиционный|FT1.2", .parent = "Panel2", .selected = 0}},
    // The long item runs over two lines: on one it would not fit the panel.
    {"RCRC", Kind::RadioGroup, 6, 72, 238, 104, "Контрольная сумма CRC", nullptr, nullptr,
     {.items = "не расчитывается|расчит. и передается\nдополнительно в данных|"
               "пердается вместо КС и конца кадра",
      .parent = "Panel2", .selected = 0, .hidden = true}},
    {"BackupBox", Kind::CheckBox, 8, 308, 254, 18, "Резервная копия перед записью", nullptr,
     nullptr,
     {.description = "Перед записью прочитать буферы КВАРД и сохранить их в папке backups"}},
    {"VerifyBox", Kind::CheckBox, 8, 326, 254, 18, "Проверка записанного чтением", nullptr,
     nullptr, {.description = "После записи прочитать буферы КВАРД и сравнить с записанным"}},
    {"Bevel3", Kind::Frame, 8, 350, kControllerDialogWidth - 16, 44, nullptr, nullptr, nullptr},
    {"Label3", Kind::Label, 16, 354, 300, 16, "", nullptr, nullptr},
    {"Label4", Kind::Label, 16, 373, 300, 16, "", nullptr, nullptr},
    {"Bevel6", Kind::Frame, 6, 398, kControllerDialogWidth - 12, 22, nullptr, nullptr, nullptr,
     {.hidden = true}},
    {"Gg1", Kind::ProgressBar, 8, 400, kControllerDialogWidth - 16, 18, nullptr, nullptr,
     "Ход записи в КВАРД", {.hidden = true}},
    {"Button1", Kind::Button, kControllerDialogWidth - 8 - 90 - 8 - 90, kControllerButtonsTop, 90,
     26, "Подбор", nullptr, nullptr},
    {"Button2", Kind::Button, kControllerDialogWidth - 8 - 90, kControllerButtonsTop, 90, 26,
     "Выход", nullptr, nullptr},
    {"LogButton", Kind::Button, 8, kControllerButtonsTop, 64, 26, "Журнал", nullptr, nullptr,
     {.description = "Журнал обмена: всё, что передано в порт и принято из него (Ctrl+L)"}},
    {"RecordsButton", Kind::Button, 8, kControllerButtonsTop + 28, 64, 26, "Акты...", nullptr,
     nullptr,
     {.description = "Акты наладки: что найдено, записано и проверено в каждом КВАРД"}},
};
// clang-format on

}  // namespace hk::design
