#pragma once
// One request/answer exchange with a КВАРД controller, in the framing chosen
// by link.Settings.Protocol (0 traditional, otherwise FT1.2), and the
// address-byte probe that selects one controller on a shared line.
//
// Buffers:
//  - request: byte 0 = N, bytes 1..N the request. The traditional framing
//    writes its check byte into byte N+1, so the span needs room for N+2.
//  - answer: receives `answerLen` data bytes; the traditional framing also
//    stores the check byte behind them, so it needs room for answerLen + 1
//    (answerLen alone on FT1.2). Nothing is ever stored past that.
// A request that does not fit its buffer or an FT1.2 frame (N > 253, or 251
// in CRC mode 1), or an answer span too small, gives kResultNotSent before
// anything is written to the port.
//
// Timing: the waits are limited in hundred-thousandths of a day (864 ms)
// measured on link.Clock; each limit is tested before the first read and
// after every read, so a wait can overrun by one read time-out. Where the
// bytes awaited need longer on the wire (11 bits per byte at the speed of
// Settings.SpeedIndex) than the traditional answer block's 4000 ms read or
// the FT1.2 body limit, that read or limit becomes their wire time plus
// 1000 ms (a 128-byte answer takes 4.73 s at 300 baud). The traditional
// exchange passes the job's checkpoint once at its end
// (link.View.ProcessMessages) and leaves the lines in the transmit state;
// the FT1.2 exchange does neither. Results are codes of protocol/Results.h;
// nothing is shown.

#include <cstdint>
#include <span>

#include "link/Port.h"
#include "protocol/Results.h"

namespace hk::protocol {

int ExchangeFrame(SerialLink& link, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
                  int answerLen);

int ExchangeTraditional(SerialLink& link, std::span<std::uint8_t> request,
                        std::span<std::uint8_t> answer, int answerLen);

int ExchangeFt12(SerialLink& link, std::span<std::uint8_t> request, std::span<std::uint8_t> answer,
                 int answerLen);

// Sends link.Settings.NetAddress as an address byte at `speedIndex` and waits
// up to 2 units (1728 ms, 100 ms per read) for the controller to return it.
// Leaves the port in data parity either way. Traditional framing with a
// network number above 0 only. Like a request, the probe first reads and
// drops what a failed exchange before it may still bring at that speed.
bool ProbeNetAddress(SerialLink& link, int speedIndex);

}  // namespace hk::protocol
