#pragma once
// The main window's controls as designed (gui/DesignTable.h), bounds on the
// window's panel.

#include <string_view>

#include "gui/DesignTable.h"

namespace hk::design {

inline constexpr Control kMainWindowControls[] = {
    {"SBtk", Kind::ToggleButton, 3, 3, 150, 25, "Модем для КВАРД",
     "Ввод и просмотр настроек Hayes-модема для КВАРД", nullptr},
    {"SBbuf", Kind::ToggleButton, 155, 3, 150, 25, "Настройка КВАРД",
     "Ввод и просмотр настроек Hayes-модема в буфере КВАРД", nullptr},
    // Not in the original design: the records of the jobs («Акт наладки»)
    // and the exchange log, between the mode buttons and "Помощь".
    {"RecordsButton", Kind::Button, 338, 3, 76, 25, "Акты...",
     "Акты наладки: что найдено, записано и проверено в каждом КВАРД и модеме", nullptr},
    {"LogButton", Kind::Button, 416, 3, 76, 25, "Журнал",
     "Журнал обмена: всё, что передано в порт и принято из него (Ctrl+L)", nullptr},
    {"SpeedButton1", Kind::Button, 495, 3, 75, 25, "Помощь", nullptr, nullptr},
    {"SBEx", Kind::ToggleButton, 573, 3, 75, 25, "Выход ", "Выход из программы", nullptr},
    {"Bevel1", Kind::Line, 0, 32, 654, 2, nullptr, nullptr, nullptr},
    {"CheckBox1", Kind::CheckBox, 388, 35, 97, 17, "Передача SMS", nullptr, nullptr},
    // Right-aligned with the upper memo rather than at 164: there its third
    // line ran into the channel caption of the controller layout.
    {"Label9", Kind::Label, 428, 35, 214, 39,
     "Ввод произвольных символов <LF>,<CR>;\n если не ввели, то добавляется <CR>\n"
     "после каждой строки ",
     nullptr, nullptr},
    {"Label1", Kind::TealLabel, 2, 45, 155, 13, "Стандартные настройки ", nullptr, nullptr},
    {"Label8", Kind::Label, 448, 48, 190, 17, "Версия 1.5 от 03/02/2006 г.", nullptr, nullptr},
    {"Label4", Kind::TealLabel, 60, 58, 92, 13, "Hayes-модема", nullptr, nullptr},
    {"Label5", Kind::TealLabel, 162, 58, 0, 13, "", nullptr, nullptr},
    {"Memo1", Kind::Memo, 162, 75, 480, 123, nullptr,
     "Просмотр и коррекция стандартных настроек Hayes-модема", "Список строк настройки модема"},
    {"Button1", Kind::Button, 2, 75, 158, 25, "Прочитать из файла",
     "Просмотр и изменение файла настроек Hayes-модема для КВАРД", nullptr},
    {"Button4", Kind::Button, 2, 100, 158, 25, "Сохранить в файле", nullptr, nullptr},
    {"Button2", Kind::Button, 2, 125, 158, 25, "Записать в модем", nullptr, nullptr},
    {"Bevel3", Kind::Frame, 2, 155, 110, 22, nullptr, nullptr, nullptr},
    // 107 wide rather than 104: in Tahoma (Windows' face where Arial is
    // missing, and Wine's) the caption needs 106.
    {"Label3", Kind::Label, 4, 157, 107, 13, "Количество звонков", nullptr, nullptr},
    {"SpinEdit1", Kind::SpinEdit, 112, 155, 49, 22, nullptr, "Ввод количества звонков",
     "Количество звонков"},
    {"CheckBox2", Kind::CheckBox, 4, 180, 157, 17, "Показать спец. символы", nullptr, nullptr},
    {"Bevel2", Kind::Line, 0, 200, 654, 2, nullptr, nullptr, nullptr},
    {"Label2", Kind::TealLabel, 2, 210, 125, 13, "Текущие настройки", nullptr, nullptr},
    {"Label7", Kind::TealLabel, 60, 224, 92, 13, "Hayes-модема", nullptr, nullptr},
    {"Label6", Kind::TealLabel, 162, 224, 0, 13, "", nullptr, nullptr},
    {"Memo2", Kind::Memo, 162, 240, 482, 127, nullptr, "Просмотр ответов Hayes-модема",
     "Ответы модема"},
    {"Button3", Kind::Button, 2, 240, 158, 25, "Прсмотр текущих настроек ...",
     "Просмотр текущих настроек Hayes-модема", nullptr},
    {"Button6", Kind::Button, 2, 265, 158, 25, "Сохранить в файле", nullptr, nullptr},
    {"Button5", Kind::Button, 2, 290, 158, 25, "Ввод АТ - команды", "Ввод AT-команды в Hayes-модем",
     nullptr},
    {"Edit1", Kind::Edit, 4, 317, 156, 21, nullptr, nullptr, "Команда модему"},
    // Not in the original design: the check of what the modem holds against
    // the list, in the modem layout's free corner under the command field
    // (where the controller layout has "Прочитать из КВАРД").
    {"CheckModemButton", Kind::Button, 2, 342, 158, 25, "Проверить модем",
     "Сравнить настройки, которые хранит модем, со списком (ATSn? и AT&V)", nullptr},
    {"CheckAfterRunBox", Kind::CheckBox, 4, 369, 157, 17, "Проверять после записи",
     "Проверять модем по списку после каждой записи в модем", nullptr},
    {"Bevel5", Kind::Line, 0, 366, 654, 2, nullptr, nullptr, nullptr},
    {"Button7", Kind::Button, 2, 370, 158, 25, "Прочитать из КВАРД", nullptr, nullptr},
    {"Button8", Kind::Button, 2, 395, 158, 25, "Записать в КВАРД", nullptr, nullptr},
};

// The main window's design row of a component, nullptr when there is none.
constexpr const Control* Find(std::string_view name) { return Find(kMainWindowControls, name); }

}  // namespace hk::design
