#pragma once
// «Проверка адаптера»: whether a USB serial adapter really sends the ninth
// bit (mark/space parity) the controller's address byte needs, and switches
// it when asked. Three depths, each a deeper wiring:
//
//  1. Read-back (no wiring): every line setting the controller side uses
//     (each of its speeds; 8 data bits without parity and one or two stop
//     bits, with MARK, SPACE, EVEN, ODD) is set and read back; what the
//     adapter does not hold is named.
//  2. Loopback plug (TX joined to RX on the adapter): a known block goes out
//     and comes back at each parity, its bytes checked and its time taken
//     against the block without parity: a frame with a parity bit is 11
//     bits, without 10, so an adapter that drops the bit shows 10 % less
//     time. Then the controller's address sequence (address byte with MARK,
//     the 50 ms pause, the switch to SPACE) at each controller speed: when
//     the address byte came back against the switch, in milliseconds and in
//     characters. It says what a loopback cannot see.
//  3. A second adapter through a null-modem cable: 7-bit frames with each
//     parity read at 8N1, so the parity bit shows as the eighth data bit,
//     both ways; then the address sequence with the second adapter checking
//     parity (errors marked), so MARK and SPACE are verified bit for bit
//     and a late switch shows as data bytes still carrying the address bit.
//
// Each depth runs the read-back first. The result is a value: rows with a
// verdict each («передаёт», «не передаёт», «заменяет на ODD», «переключение
// 18 мс = 2 символа»), one summary line, and what is kept for the adapter
// (ports/KeptAdapterChecks.h). Every wait is bounded; the check asks `stop`
// between its steps and ends there when told, keeping nothing.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "ports/AdapterIdentity.h"
#include "ports/KeptAdapterChecks.h"

namespace hk::adapter {

// Makes a line for a port name, not yet opened (the system's port, or the
// demo's simulated adapter: sim/SimulatedPorts.h).
using LineMaker = std::function<std::unique_ptr<SerialLine>(const std::string& portName)>;

struct CheckRequest {
    std::string port;  // "Com3"
    CheckDepth depth = CheckDepth::ReadBack;
    std::string peerPort;  // the second adapter (CheckDepth::Peer)
    int baudRate = 9600;   // the loopback's blocks and the second adapter's frames
};

// How the check ended.
enum class CheckOutcome {
    Passed,      // everything checked is as the controller needs it
    Faulty,      // the adapter does not send or hold what the controller needs
    NoWiring,    // nothing came back: no loopback plug, no cable, or a dead peer
    PortFailed,  // a port did not open, or went away during the check
    Stopped,     // stopped by the operator or a signal
};

struct CheckRow {
    std::string setting;  // "8M1", "адресный байт, 300 бод"
    std::string word;     // for scripts: "passes", "refused", "not-sent", "as-space", …
    std::string text;     // «передаёт»
    bool ok = true;
    // A row of the second adapter's own sending (the way back): it says
    // nothing of the adapter under check.
    bool aboutPeer = false;
};

struct DepthResult {
    CheckDepth depth = CheckDepth::ReadBack;
    std::string title;  // «Чтение настроек»
    std::vector<CheckRow> rows;
    std::vector<std::string> notes;  // what the depth cannot see, what it measured
};

struct AdapterReport {
    CheckOutcome outcome = CheckOutcome::PortFailed;
    CheckRequest request;
    AdapterIdentity identity;
    std::vector<DepthResult> depths;
    std::string summary;  // one line
    std::string message;  // why it ended without a verdict (PortFailed, NoWiring, Stopped)
    // What is kept for the adapter: only a check that came to a verdict.
    std::optional<KeptAdapterCheck> kept;

    bool Verdict() const {
        return outcome == CheckOutcome::Passed || outcome == CheckOutcome::Faulty;
    }
    // Every depth's rows and notes, then the summary: the text the window
    // and the command line show.
    std::string Text() const;
};

// What the check needs besides the request: lines, time, today's date, and
// the operator's stop and the progress it shows.
struct CheckContext {
    LineMaker makeLine;
    Clock& clock;
    std::string date;                                   // "2026-12-08"
    std::function<bool()> stop = [] { return false; };  // asked between steps
    std::function<void(const std::string&)> progress = [](const std::string&) {};
};

AdapterReport CheckAdapter(const CheckRequest& request, const AdapterIdentity& identity,
                           CheckContext& context);

// The speeds of the controller side (300 … 19200 baud).
const std::vector<int>& ControllerBaudRates();

}  // namespace hk::adapter
