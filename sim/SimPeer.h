#pragma once
// A simulated far end of the serial line (a Hayes modem, a КВАРД controller).
// It sees each byte the workstation sends together with the line parameters
// in force when the byte left (parity shows the address bit), and answers
// through a PeerOutput. The same peer runs in-process on a SimLine (tests,
// virtual clock) and over a pseudo-terminal (the demo, real time).

#include <cstdint>
#include <vector>

#include "link/SerialLine.h"

namespace hk::sim {

class PeerOutput {
public:
    virtual ~PeerOutput() = default;
    // Milliseconds on the line's time line.
    virtual std::int64_t NowMs() = 0;
    // Bytes towards the workstation: the first arrives after `delayMs`, the
    // following ones `spacingMs` apart.
    virtual void Send(const std::vector<std::uint8_t>& bytes, int delayMs = 0,
                      int spacingMs = 0) = 0;
};

class SimPeer {
public:
    virtual ~SimPeer() = default;
    virtual void OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) = 0;
    // Time passes on the line: bytes the peer sends of its own accord (a
    // modem ringing, noise on the line) up to `untilMs` are handed to `out`
    // now, each with its delay. Called before every read and by the
    // pseudo-terminal's loop.
    virtual void Tick(std::int64_t untilMs, PeerOutput& out) {
        (void)untilMs;
        (void)out;
    }
    // DTR/RTS as the workstation set them.
    virtual void OnControlLines(bool dtr, bool rts, PeerOutput& out) {
        (void)dtr;
        (void)rts;
        (void)out;
    }
};

}  // namespace hk::sim
