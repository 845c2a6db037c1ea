#pragma once
// The port routines every serial user calls, and the unit-level state of the
// serial link: the settings record, the one port and its open flag.
//
// Time-outs in force by phase (the constant of one read call):
//   after OpenPort 2000 ms; traditional start and verdict 1000 ms, answer
//   block 4000 ms; FT1.2 header 1000 ms, body 2000/5000 ms; address probe and
//   echo test 100 ms; AT lines and modem answers 20 ms.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/Clock.h"
#include "link/Deadline.h"
#include "link/ExchangeNotes.h"
#include "link/PortSettings.h"
#include "link/SerialLine.h"
#include "link/ViewHooks.h"

namespace hk {

// Baud rate per speed index.
inline constexpr std::array<std::int32_t, 10> BaudRates = {300,  600,   1200,  2400,  4800,
                                                           9600, 19200, 38400, 57600, 115200};

enum LinkKinds : std::int8_t { kLinkRs232 = 0, kLinkLoop = 1, kLinkLoopEcho = 2, kLinkModem = 3 };

// After an exchange that ended without a good answer, its answer may still
// come: within `window` on the link's clock, what arrives at `baudRate`
// (and, on FT1.2, from network number `netAddress`) before the next request
// is taken for that late answer and discarded (protocol/Exchange.h).
struct LateAnswerGuard {
    std::optional<hk::Deadline> window;  // none: no exchange's answer is awaited
    std::int32_t baudRate = 0;
    int netAddress = -1;  // -1: any (the traditional framing carries none)
};

// Unit-level state of the serial link, made together with its exchange log
// (log/LoggedLink.h) and passed by reference to everything that talks to the
// port. Like every record of the program's state, its fields carry the
// system's names in PascalCase.
struct SerialLink {
    SerialLink(SerialLine& line, hk::Clock& clock, ViewHooks& view)
        : PortHandle(line), Clock(clock), View(view) {}

    TPortSettings Settings{};
    bool PortOpen = false;
    SerialLine& PortHandle;
    // The time line of every wait and pause on this link.
    hk::Clock& Clock;
    // The job's checkpoint, and the three message boxes.
    ViewHooks& View;
    // The exchange log, when one is kept: the exchanges add their decoded
    // lines to it (the bytes reach it through the line's traffic tap).
    ExchangeNotes* Log = nullptr;
    // Set by an exchange that failed, kept until the next one; OpenPort
    // clears it.
    LateAnswerGuard LateAnswers{};
    // The error box's text of the last OpenPort that failed with one, empty
    // after an opening that succeeded: a program that reports the failure
    // later takes it from here.
    std::string OpenFailure;
    // The operator has been told in this run that the settings file is
    // write-protected (link/SettingsStore.h): it is not said again.
    bool SettingsProtectionTold = false;
};

// Whether the port is set for the address byte of the multi-drop line
// (its parity bit marks the address) or for the data bytes that follow it.
enum class AddressMode : bool { Off = false, On = true };

inline constexpr const char* kOpenPortErrorText = "Ошибка открытия последовательного порта ";

// The message shown once a port's far end has gone (SerialLine::HungUp).
std::string PortGoneText(const std::string& portName);

// (Re)opens the port by its list name, sets speed, parity and time-outs and
// puts DTR/RTS into the idle state of Settings.LinkKind. A port already open
// is closed first, also when it is the same port. A failure with a system
// error code shows the error box ("Ошибка открытия последовательного порта "
// and the name; then, each on a line of its own, what went wrong and what to
// do when the line knows it (SerialLine::OpenFailureAdvice) and the system's
// reason); the result is PortOpen. A port that does not hold the line
// settings asked for (SerialLine::SettingsRefused) is closed again after the
// same box with what it refused instead of the system's reason.
bool OpenPort(SerialLink& link, const std::string& portName, int speedIndex,
              AddressMode addressMode);

// Speed, 8 data bits, parity and stop bits of the open port. AddressMode::On
// selects address parity in the address-byte mode (NetAddress != 0 on the
// traditional protocol): mark/space on channel 0, even/odd on channel 1.
// False when the line does not hold them (read back after the change): the
// caller ends its job with SerialLine::RefusedSettingsText().
bool SetPortSpeed(SerialLink& link, AddressMode addressMode, int speedIndex);

// Total read time-out = seconds x 1000 when seconds > 0, else milliseconds;
// writes may take 500 ms per byte.
void SetPortTimeouts(SerialLink& link, int seconds, int milliseconds);

// Changes only the total read time-out constant (the address probe and the
// echo test); the other time-out fields stay as they are.
void SetReadTimeoutConstant(SerialLink& link, int milliseconds);

// Modem-control lines around one transmission, by link kind.
void LineToSend(SerialLink& link);
void LineToReceive(SerialLink& link);

}  // namespace hk
