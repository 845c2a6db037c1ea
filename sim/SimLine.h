#pragma once
// An in-process serial line on the virtual clock. It records every call in
// order (open, close, line parameters, time-outs, DTR/RTS, purges, writes and
// reads with their times) and every byte written with the parameters in
// force, so tests can assert exact sequences. A SimPeer may be attached as
// the far end; bytes it sends arrive at their scheduled virtual moments.
//
// Timing: a write takes the wire time of its bytes at the line parameters in
// force (the real line drains before a write returns), each byte reaching the
// peer at its own moment; a read of n bytes advances the clock to the arrival
// of the n-th byte, or by the whole total time-out when fewer come.
//
// A byte the peer sent at one speed and read after the line has changed to
// another reads as 00, as a framing error does on a real line.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "sim/SimPeer.h"

namespace hk::sim {

struct SimEvent {
    enum class Kind { Open, Close, SetParams, SetTimeouts, Dtr, Rts, PurgeRx, Write, Read };
    explicit SimEvent(Kind k) : kind(k) {}
    Kind kind;
    std::int64_t atMs = 0;
    std::string name;                 // Open
    LineParams params{};              // SetParams, Write, Read: in force
    CommTimeouts timeouts{};          // SetTimeouts
    bool level = false;               // Dtr, Rts
    std::vector<std::uint8_t> bytes;  // Write, Read
};

struct WrittenByte {
    std::uint8_t value;
    LineParams params;
    std::int64_t atMs;
};

class SimLine final : public SerialLine, private PeerOutput {
public:
    explicit SimLine(VirtualClock& clock) : clock_(clock) {}

    void Attach(SimPeer* peer) { peer_ = peer; }
    // Makes Open() of `portName` fail with `errorCode` (0: fail silently).
    void RefuseOpen(const std::string& portName, int errorCode) { refused_[portName] = errorCode; }
    // The far end goes away (an adapter pulled out): reads and writes fail
    // at once and the line reports HungUp() until it is opened again.
    void HangUp() { gone_ = true; }
    // Queues bytes from the far end without a peer (read at any speed).
    void Inject(const std::vector<std::uint8_t>& bytes, int delayMs = 0, int spacingMs = 0) {
        Queue(bytes, delayMs, spacingMs, 0);
    }
    // The line's driver has no mark/space parity: it clears the choice
    // (CMSPAR) and keeps odd/even, as some USB adapters do, and says nothing.
    void LackMarkSpaceParity() { noMarkSpace_ = true; }

    bool IsOpen() const override { return open_; }
    const std::vector<SimEvent>& Events() const { return events_; }
    const std::vector<WrittenByte>& Written() const { return written_; }
    std::vector<std::uint8_t> WrittenBytes() const;
    void ClearLog() {
        events_.clear();
        written_.clear();
    }
    bool Dtr() const { return dtr_; }
    bool Rts() const { return rts_; }
    const LineParams& Params() const { return params_; }
    const CommTimeouts& Timeouts() const { return timeouts_; }
    std::size_t Pending() const { return incoming_.size(); }

protected:
    bool DoOpen(const std::string& portName) override;
    void DoClose() override;
    bool DoGetParams(LineParams& params) override;
    bool DoSetParams(const LineParams& params) override;
    bool DoSetTimeouts(const CommTimeouts& timeouts) override;
    bool DoSetDtr(bool on) override;
    bool DoSetRts(bool on) override;
    bool DoPurgeRx() override;
    long DoWrite(const std::uint8_t* data, std::size_t count) override;
    long DoRead(std::uint8_t* data, std::size_t count) override;

private:
    std::int64_t NowMs() override { return clock_.NowMs(); }
    void Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) override;
    void Queue(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs,
               std::int32_t baudRate);
    void Log(SimEvent e);

    struct Arrival {
        std::int64_t atMs;
        std::uint8_t value;
        std::int32_t baudRate;  // sent at; 0: readable at any speed
    };

    VirtualClock& clock_;
    SimPeer* peer_ = nullptr;
    std::map<std::string, int> refused_;
    bool open_ = false;
    bool gone_ = false;
    bool noMarkSpace_ = false;
    bool dtr_ = false;
    bool rts_ = false;
    LineParams params_{};
    std::deque<Arrival> incoming_;  // ordered by arrival
    std::vector<SimEvent> events_;
    std::vector<WrittenByte> written_;
};

}  // namespace hk::sim
