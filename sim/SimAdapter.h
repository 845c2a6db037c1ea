#pragma once
// A simulated USB serial adapter at the serial-line seam: each byte written
// leaves as its frame — start bit, data bits, parity bit, stop bits — at
// the speed in force, one bit after the other, and the receiving end (the
// same adapter through a loopback plug, another one through a null-modem
// cable) samples that bit stream as a UART does: it finds the start bit's
// edge and reads each bit in its middle with its own settings. So a receiver
// at 8N1 reads the parity bit of a 7-bit frame as its eighth data bit, a
// frame without its parity bit is a bit shorter, and one whose parity bit is
// wrong is marked when the receiver checks parity.
//
// It can behave as the faulty adapters of the field do (AdapterFaults): a
// chip that sends no parity bit while the driver reports the setting held,
// one that sends SPACE or ODD/EVEN for MARK/SPACE, a driver that clears
// mark/space (so the read-back names it), a change of settings that reaches
// the chip late, and a drain that returns once the chip has the bytes (they
// then go out with whatever setting the chip holds when their turn comes).
//
// Time runs on the line's Clock: a VirtualClock in tests (a read or a
// write moves it), the real one in the demo (a read or a write waits). All
// its work happens in the calls of the one thread that uses the lines.

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/SerialLine.h"

namespace hk::sim {

struct AdapterFaults {
    bool dropParity = false;      // the chip sends (and expects) no parity bit
    bool spaceForMark = false;    // the chip sends SPACE when MARK is held
    bool oddForMark = false;      // the chip sends ODD for MARK and EVEN for SPACE
    bool clearMarkSpace = false;  // the driver holds ODD/EVEN when MARK/SPACE is asked
    int lateSwitchMs = 0;         // a change of settings reaches the chip this late
    bool earlyDrain = false;      // a write returns as soon as the chip has its bytes
    int sendDelayMs = 0;          // from a write to its first bit on the line
};

// The faults named by the words of the demo's description file
// (ports/SimulatedAdapterFile.h): "drop-parity", "space-for-mark",
// "odd-for-mark", "clear-mark-space", "late-switch:MS", "early-drain",
// "send-delay:MS". False, with the word in `unknown`, for one it does not know.
bool ParseAdapterFaults(const std::vector<std::string>& words, AdapterFaults& faults,
                        std::string& unknown);

class SimAdapterLine final : public SerialLine {
public:
    explicit SimAdapterLine(Clock& clock, AdapterFaults faults = {});
    ~SimAdapterLine() override;
    SimAdapterLine(const SimAdapterLine&) = delete;
    SimAdapterLine& operator=(const SimAdapterLine&) = delete;

    // A loopback plug: this adapter's TX joined to its own RX.
    void PlugLoopback();
    // A null-modem cable: each one's TX joined to the other's RX.
    static void JoinNullModem(SimAdapterLine& a, SimAdapterLine& b);
    // Nothing on the connector any more.
    void Unplug();

    // Open() fails with `errorCode` (a port busy or missing).
    void RefuseOpen(int errorCode) { refusal_ = errorCode; }
    // The adapter is pulled out: every call fails at once until it is opened again.
    void HangUp() { gone_ = true; }
    // Called once when the line goes (the demo's cable list forgets it).
    void OnDestroyed(std::function<void()> hook) { destroyed_ = std::move(hook); }

    bool IsOpen() const override { return open_; }
    const AdapterFaults& Faults() const { return faults_; }

protected:
    std::string DeviceText() const override { return "simulated adapter"; }
    bool DoOpen(const std::string& portName) override;
    void DoClose() override;
    bool DoGetParams(LineParams& params) override;
    bool DoSetParams(const LineParams& params) override;
    bool DoSetDtr(bool) override { return open_; }
    bool DoSetRts(bool) override { return open_; }
    bool DoPurgeRx() override;
    bool DoSetParityCheck(bool on) override;
    long DoWrite(const std::uint8_t* data, std::size_t count) override;
    long DoRead(std::uint8_t* data, std::size_t count) override;

private:
    // One frame on the wire: its bits (0 or 1) from the start bit on.
    struct Frame {
        double startMs;
        double bitMs;
        std::vector<std::uint8_t> bits;
        double EndMs() const { return startMs + bitMs * static_cast<double>(bits.size()); }
    };
    // The chip's settings from a moment on.
    struct ChipSettings {
        double fromMs;
        LineParams params;
    };
    struct Queued {
        double readyMs;
        std::uint8_t value;
    };
    // A byte the receiver has taken.
    struct Received {
        double atMs;
        std::uint8_t value;
        bool parityError;
        bool framingError;
    };

    double NowMs() const { return static_cast<double>(clock_.NowMs()); }
    // What the chip really does with the settings the driver holds.
    LineParams ChipParams(LineParams held) const;
    const LineParams& ChipAt(double atMs) const;
    // The frames of the queued bytes that start before `untilMs`, put on
    // the wire towards the receiving end.
    void Transmit(double untilMs);
    // When the next queued byte would start; a very large number when none is queued.
    double NextStartMs() const;
    // The line's level at `atMs` on the wire into this adapter's receiver.
    int LevelAt(double atMs) const;
    // Takes every character whose stop bit the receiver has sampled by
    // `untilMs`; returns when the receiver next needs to look again.
    double Receive(double untilMs);
    // The bytes a read hands out for `r`, with the parity marks when checked.
    void Deliver(const Received& r, std::deque<std::uint8_t>& out) const;
    // Moves the clock on to `atMs` (rounded up to the next millisecond).
    void WaitUntil(double atMs);

    Clock& clock_;
    AdapterFaults faults_;
    SimAdapterLine* txTo_ = nullptr;    // whose receiver this one's TX reaches
    SimAdapterLine* rxFrom_ = nullptr;  // whose TX reaches this one's receiver
    std::function<void()> destroyed_;
    int refusal_ = 0;
    bool open_ = false;
    bool gone_ = false;
    bool parityCheck_ = false;
    LineParams held_{};
    std::vector<ChipSettings> chip_;
    std::deque<Queued> queued_;
    double txFreeMs_ = 0;        // when the transmitter is done with its last frame
    std::vector<Frame> wireIn_;  // frames towards this adapter's receiver, by start
    std::size_t firstFrame_ = 0;  // the first frame the receiver may still need
    double rxCursorMs_ = 0;      // the receiver hunts for a start bit from here
    std::deque<Received> received_;
    std::deque<std::uint8_t> readable_;  // delivered to reads, not yet read
};

}  // namespace hk::sim
