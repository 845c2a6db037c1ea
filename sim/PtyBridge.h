#pragma once
// Serves a SimPeer on a pseudo-terminal in real time, for the demo and the
// end-to-end tests: the program opens the slave side as its serial port
// (through a ports/comN link), the peer sits on the master side.
// The line parameters the program set on its side are read back from the
// terminal settings as each byte arrives, so the peer sees the parity bit of
// an address byte as it would on a real line.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "sim/SimPeer.h"

namespace hk::sim {

class PtyBridge final : private PeerOutput {
public:
    explicit PtyBridge(SimPeer& peer) : peer_(peer) {}
    ~PtyBridge() override;
    PtyBridge(const PtyBridge&) = delete;
    PtyBridge& operator=(const PtyBridge&) = delete;

    // Creates the pseudo-terminal; false with a message on failure.
    bool Start(std::string& error);
    const std::string& SlavePath() const { return slavePath_; }
    // Makes `linkPath` a symlink to the slave (replacing an older link).
    bool LinkAs(const std::string& linkPath, std::string& error);

    int MasterFd() const { return master_; }
    // Reads what the program sent and hands each byte to the peer.
    void OnReadable();
    // Writes the peer's bytes that are due; returns ms to the next one, -1 if none.
    int FlushDue();

private:
    std::int64_t NowMs() override;
    void Send(const std::vector<std::uint8_t>& bytes, int delayMs, int spacingMs) override;
    LineParams CurrentParams() const;

    struct Due {
        std::int64_t atMs;
        std::uint8_t value;
    };
    SimPeer& peer_;
    int master_ = -1;
    int slave_ = -1;
    std::string slavePath_;
    std::vector<Due> due_;  // ordered by time
};

// Runs the bridges until `stop` becomes true (checked every 50 ms at most),
// calling `afterRound` (when given) after the bytes of each round have been
// taken and sent.
void ServeBridges(const std::vector<PtyBridge*>& bridges, const std::atomic<bool>& stop,
                  const std::function<void()>& afterRound = {});

// One far end on a pseudo-terminal of its own, served on a thread from
// construction until Stop() or destruction. With `linkPath`, the slave is
// also linked there (a ports/comN name). Stopping closes the pseudo-terminal:
// the program's port on it hangs up, as when a cable is pulled.
class ServedPty {
public:
    explicit ServedPty(SimPeer& peer, const std::string& linkPath = {});
    ~ServedPty();
    ServedPty(const ServedPty&) = delete;
    ServedPty& operator=(const ServedPty&) = delete;

    // False, with Error() saying why, when the pseudo-terminal or its link
    // could not be made; nothing is served then.
    bool Started() const { return started_; }
    const std::string& Error() const { return error_; }
    const std::string& SlavePath() const { return slavePath_; }
    void Stop();

private:
    std::unique_ptr<PtyBridge> bridge_;
    std::string slavePath_;
    std::string error_;
    bool started_ = false;
    std::atomic<bool> stop_{false};
    std::thread server_;
};

}  // namespace hk::sim
