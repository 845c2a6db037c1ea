#include "fuzz/support/RecordingLine.h"

namespace hk::fuzz {

long RecordingLine::DoWrite(const std::uint8_t* data, std::size_t count) {
    LineCall call;
    call.kind = LineCall::Kind::Write;
    call.requested = count;
    call.bytes.assign(data, data + count);
    call.startMs = clock_.NowMs();
    call.result = Failing() ? -1 : inner_.Write(data, count);
    call.endMs = clock_.NowMs();
    calls_.push_back(std::move(call));
    return calls_.back().result;
}

long RecordingLine::DoRead(std::uint8_t* data, std::size_t count) {
    LineCall call;
    call.kind = LineCall::Kind::Read;
    call.requested = count;
    call.readBudgetMs =
        std::int64_t{timeouts_.ReadTotalTimeoutMultiplier} * static_cast<std::int64_t>(count) +
        timeouts_.ReadTotalTimeoutConstant;
    call.startMs = clock_.NowMs();
    call.result = Failing() ? -1 : inner_.Read(data, count);
    call.endMs = clock_.NowMs();
    if (call.result > 0) call.bytes.assign(data, data + call.result);
    calls_.push_back(std::move(call));
    return calls_.back().result;
}

}  // namespace hk::fuzz
