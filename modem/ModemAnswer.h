#pragma once
// A Hayes modem's answer to one command line, taken apart: the lines of
// information text it holds and its result code. Whatever the modem's
// settings: with echo (the command line comes back first, ended by its
// carriage return), without; with word answers (information text and the
// code framed by CR LF), with digit answers (information text ended by
// CR LF, the code digits ended by a carriage return alone).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "modem/ResultCodes.h"

namespace hk {

struct ModemAnswer {
    // Every line ended by a line feed, in order, but the result code: the
    // echo and a digit code end with a carriage return alone. Empty lines
    // are left out.
    std::vector<std::string> info;
    ResultCodeReader code;
};

// `bytes`: everything the modem sent after the command, as it arrived.
ModemAnswer TakeAnswerApart(std::string_view bytes);

// The value in the answer to "ATSn?": the first information line of one to
// three digits ("060", or "60"), or one that names the register ("S07:060",
// "S7=60"). None when the answer holds no such line.
std::optional<int> RegisterValue(const ModemAnswer& answer, int reg);

}  // namespace hk
