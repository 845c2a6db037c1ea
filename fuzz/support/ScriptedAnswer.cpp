#include "fuzz/support/ScriptedAnswer.h"

namespace hk::fuzz {

void ScriptedAnswer::Start(sim::SimLine& line) {
    for (const AnswerChunk& c : chunks_)
        if (c.afterWritten == 0) line.Inject(c.bytes, c.delayMs, c.spacingMs);
}

void ScriptedAnswer::OnByte(std::uint8_t byte, const LineParams&, sim::PeerOutput& out) {
    ++written_;
    if (echoWritten_) out.Send({byte});
    for (const AnswerChunk& c : chunks_)
        if (c.afterWritten == written_) out.Send(c.bytes, c.delayMs, c.spacingMs);
}

}  // namespace hk::fuzz
