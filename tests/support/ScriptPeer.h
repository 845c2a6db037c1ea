#pragma once
// Helpers of the controller-link tests: bytes as hexadecimal text, and a far
// end that answers by script (after so many bytes received, send a reply),
// records each byte with its line parameters and can echo like a loop.

#include <cstdio>
#include <deque>
#include <sstream>
#include <string>
#include <vector>

#include "sim/SimPeer.h"

namespace hk::test {

inline std::vector<std::uint8_t> Hex(const std::string& text) {
    std::vector<std::uint8_t> out;
    std::istringstream in(text);
    for (std::string w; in >> w;)
        out.push_back(static_cast<std::uint8_t>(std::stoul(w, nullptr, 16)));
    return out;
}

inline std::string HexText(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    char buf[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, out.empty() ? "%02X" : " %02X", b);
        out += buf;
    }
    return out;
}

class ScriptPeer : public sim::SimPeer {
public:
    struct Step {
        std::size_t after;  // bytes received since the previous step
        std::vector<std::uint8_t> reply;
        int delayMs = 5;
        int spacingMs = 1;
    };
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override {
        received.push_back({byte, params});
        if (echo) out.Send({byte}, 1);
        if (steps.empty() || ++count_ < steps.front().after) return;
        out.Send(steps.front().reply, steps.front().delayMs, steps.front().spacingMs);
        steps.pop_front();
        count_ = 0;
    }
    struct Byte {
        std::uint8_t value;
        LineParams params;
    };
    std::deque<Step> steps;
    std::vector<Byte> received;
    bool echo = false;

private:
    std::size_t count_ = 0;
};

}  // namespace hk::test
