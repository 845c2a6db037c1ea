#pragma once
// What the simulated devices hold, as lines a script reads: kvard-sim writes
// them to its --state file whenever they change, so that a test driving the
// real program from outside (the Windows build under Wine) checks what a
// controller committed and what a modem took, as in-process tests ask the
// objects themselves.
//
//   controller <number> kit <0..3> baud <speed> restarts <count of 08 requests>
//   buffer <number> <index> <the buffer's stored bytes in hexadecimal>
//   modem commands <command lines taken> echo <0|1> verbose <0|1>
//   modem active <S0..S37, comma-separated>
//   modem stored <S0..S37 of the stored profile>

#include <string>

#include "sim/HayesModem.h"
#include "sim/KvardController.h"

namespace hk::sim {

std::string DescribeController(const KvardController& controller);
std::string DescribeModem(const HayesModem& modem);

}  // namespace hk::sim
