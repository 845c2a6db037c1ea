#pragma once
// What the operator chose for a controller run, as one value: the port, the
// link and its framing, the network number or the search for it, the speed,
// the password and the safe write's two steps. The controller dialog
// produces it from its fields, the command line from its arguments and the
// network scan window from a row; the job takes it as it stands.

#include <cstdint>
#include <string>

#include "link/PortSettings.h"

namespace hk::device {

struct LinkChoice {
    // "Номер СОМ-порта": item 0.. and its text ("Com1" ...).
    int port = 0;
    std::string portName = "Com1";
    // "Протокол обмена" and, on FT1.2, "Контрольная сумма CRC" (0..2).
    ProtocolKind protocol = kTraditional;
    int crcMode = 0;
    // "Вид связи с КВАРД": "ИРПС" rather than "Rs-232".
    bool currentLoop = false;
    // "Канал обмена": 0 "МЦП ", 1 "МПИ ".
    int channel = 0;
    // "Подбор сетевого номера", else the number as typed, in Hex or decimal.
    bool searchAllNumbers = true;
    std::string number{};
    bool hexView = false;
    // "Скорость обмена": 0 "Подбор", 1..7 one speed (300 ... 19200 baud).
    int speedItem = 0;
    // "Пароль доступа" as typed (hexadecimal digits), or empty.
    std::string password{};
    // The safe write: a backup before, a read-back after.
    bool backup = true;
    bool verify = true;

    bool operator==(const LinkChoice&) const = default;
};

}  // namespace hk::device
