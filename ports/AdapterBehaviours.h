#pragma once
// What is publicly known of some adapters and drivers: whether they send
// mark/space parity (the ninth bit of the controller's address byte), clear
// the setting (the read-back after each change names it), or keep it and
// send something else; and whether their drain waits until the last byte has
// left the chip. A table of data (AdapterBehaviours.cpp, each row with its
// source); the port's hint gets a warning from it where one applies. An
// adapter the table does not know gets no warning: only the adapter check
// can tell.

#include <string>

#include "ports/AdapterIdentity.h"

namespace hk {

enum class MarkSpaceSupport {
    Unknown,
    Sent,       // the driver sets it and the chip sends it
    Cleared,    // the driver clears it: the read-back names the refusal
    Ignored,    // the driver keeps the setting and the chip sends no mark/space
    NotSent,    // the driver sends no parity bit at all, whatever it holds
};

enum class DrainWait {
    Unknown,
    Waits,    // the drain waits for the chip's transmitter to be empty
    Returns,  // the drain returns once the chip has the bytes
};

struct AdapterBehaviour {
    MarkSpaceSupport markSpace = MarkSpaceSupport::Unknown;
    DrainWait drain = DrainWait::Unknown;
    // The warning of the port's hint, in Russian; empty when the behaviour
    // needs none.
    std::string warning;
};

// What the table says of `identity`; Unknown for both when it has no row.
AdapterBehaviour KnownBehaviour(const AdapterIdentity& identity);

// The kernel version "6.1.0-18-amd64" as major × 1000 + minor (6001); 0
// when it is no version.
int KernelVersionNumber(const std::string& release);

}  // namespace hk
