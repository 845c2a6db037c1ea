#pragma once
// A serial line in front of another that records every write and read call:
// what was asked, what came back, when it started and ended on the clock and
// the read time-out in force. The exchange targets replay the controller
// exchange's rules over this record, step by step. It can also fail every
// write and read from a chosen call on at once, as a port does whose adapter
// has been pulled.

#include <cstdint>
#include <vector>

#include "link/Clock.h"
#include "link/SerialLine.h"
#include "sim/ForwardingLine.h"

namespace hk::fuzz {

struct LineCall {
    enum class Kind { Write, Read };
    Kind kind = Kind::Read;
    std::size_t requested = 0;        // bytes asked to write or read
    std::vector<std::uint8_t> bytes;  // bytes to write, or bytes read
    long result = 0;
    std::int64_t startMs = 0;
    std::int64_t endMs = 0;
    std::int64_t readBudgetMs = 0;  // total read time-out of this call
    bool operator==(const LineCall&) const = default;
};

class RecordingLine final : public sim::ForwardingLine {
public:
    RecordingLine(SerialLine& inner, Clock& clock) : ForwardingLine(inner), clock_(clock) {}

    const std::vector<LineCall>& Calls() const { return calls_; }
    // Writes and reads fail (-1, at once) from call number `call` on,
    // counting from 1; 0: never.
    void FailFromCall(std::size_t call) { failFrom_ = call; }

protected:
    long DoWrite(const std::uint8_t* data, std::size_t count) override;
    long DoRead(std::uint8_t* data, std::size_t count) override;

private:
    Clock& clock_;
    std::vector<LineCall> calls_;
    std::size_t failFrom_ = 0;

    bool Failing() const { return failFrom_ > 0 && calls_.size() + 1 >= failFrom_; }
};

}  // namespace hk::fuzz
