#pragma once
// The far end of a controller exchange as a fuzz input scripts it: chunks of
// bytes, each released when the workstation has written a chosen number of
// bytes (0: before the exchange starts), arriving after a delay with a
// spacing between bytes. Optionally it also returns every byte written at
// once, as a current loop with echo does.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/SimLine.h"
#include "sim/SimPeer.h"

namespace hk::fuzz {

struct AnswerChunk {
    std::size_t afterWritten = 0;  // released when this many bytes have been written
    int delayMs = 0;
    int spacingMs = 0;
    std::vector<std::uint8_t> bytes;
};

class ScriptedAnswer final : public sim::SimPeer {
public:
    ScriptedAnswer(const std::vector<AnswerChunk>& chunks, bool echoWritten)
        : chunks_(chunks), echoWritten_(echoWritten) {}

    // Queues the chunks that are due before anything is written.
    void Start(sim::SimLine& line);
    void OnByte(std::uint8_t byte, const LineParams& params, sim::PeerOutput& out) override;

private:
    const std::vector<AnswerChunk>& chunks_;
    bool echoWritten_;
    std::size_t written_ = 0;
};

}  // namespace hk::fuzz
