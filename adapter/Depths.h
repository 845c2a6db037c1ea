#pragma once
// The three depths of the adapter check (adapter/AdapterCheck.h), each in a
// file of its own, and what they share: the way a step learns that it is to
// stop or that a port went away, the line settings by their usual names
// ("8M1"), and what each depth found for the adapter's kept verdict.

#include <optional>
#include <string>
#include <vector>

#include "adapter/AdapterCheck.h"

namespace hk::adapter::detail {

// What the depths found, for the verdict kept with the adapter.
struct Findings {
    bool markSpaceRefused = false;
    std::optional<MarkSpaceFinding> loopback;  // MARK/SPACE as the loopback saw it
    std::optional<MarkSpaceFinding> peer;      // as the second adapter saw it
    std::optional<int> switchLateMs;
    std::optional<int> switchLateChars;
    std::optional<int> marginMs;
    std::optional<double> marginChars;
    bool drainEarly = false;
};

// Why the check ended before its last step.
enum class Ending { None, Stopped, PortGone, NoWiring };

// The means every step shares.
class Steps {
public:
    explicit Steps(CheckContext& context) : context_(context) {}

    // False once the check is to end: the operator asked (Stopped), or it
    // ended already.
    bool Go();
    // False (PortGone, with the port's message) when `line`'s far end has gone.
    bool Alive(SerialLine& line, const std::string& portName);
    // The check ends: nothing came back where the wiring should carry it.
    void NoWiring(const std::string& message);
    // The check ends: a port did not open or went away (`message` says which).
    void PortFailed(const std::string& message);
    void Progress(const std::string& text) const { context_.progress(text); }
    Clock& Time() const { return context_.clock; }
    void Sleep(int ms) const {
        if (ms > 0) context_.clock.Sleep(ms);
    }
    std::int64_t Now() const { return context_.clock.NowMs(); }
    // After a change of settings, before what is not about the change
    // itself: a driver that takes a change late has taken it by then.
    void Settle() const { Sleep(kSettleMs); }
    static constexpr int kSettleMs = 100;

    Ending Ended() const { return ending_; }
    const std::string& Message() const { return message_; }

private:
    CheckContext& context_;
    Ending ending_ = Ending::None;
    std::string message_;
};

LineParams Setting(int baudRate, int dataBits, Parity parity, StopBits stopBits = StopBits::One);
// "8M1", and with the speed "9600 8M1".
std::string FormText(const LineParams& params);
std::string SettingText(const LineParams& params);
// "MARK", "SPACE", "EVEN", "ODD", "NONE".
const char* ParityName(Parity parity);
// One character's time at these settings, in milliseconds.
double CharacterMs(const LineParams& params);
// The parity bit of `value`'s `bits` data bits under `parity`.
int ParityBitOf(Parity parity, std::uint8_t value, int bits);
// A read of up to `count` bytes that waits at most `limitMs` for them all.
std::vector<std::uint8_t> ReadFor(SerialLine& line, std::size_t count, int limitMs);
// "13 мс = 0,4 символа".
std::string TimeText(double ms, double characterMs);

DepthResult ReadBack(SerialLine& line, const std::string& portName, Steps& steps,
                     Findings& found);
DepthResult Loopback(SerialLine& line, const std::string& portName, int baudRate, Steps& steps,
                     Findings& found);
DepthResult Peer(SerialLine& line, const std::string& portName, SerialLine& peer,
                 const std::string& peerName, int baudRate, Steps& steps, Findings& found);

}  // namespace hk::adapter::detail
