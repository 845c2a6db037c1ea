#pragma once
// Walks the recorded calls of an exchange in order while a fuzz target
// replays the exchange's rules: each step names the call the rules demand
// next (its kind, size, read time-out and starting moment) and fails the run
// when the exchange made another.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "fuzz/support/RecordingLine.h"
#include "fuzz/support/Require.h"

namespace hk::fuzz {

class CallWalk {
public:
    explicit CallWalk(const std::vector<LineCall>& calls) : calls_(calls) {}

    bool AtEnd() const { return next_ >= calls_.size(); }

    // The next call: a read of `count` bytes under a `budgetMs` time-out,
    // made at `atMs`.
    const LineCall& Read(std::size_t count, std::int64_t budgetMs, std::int64_t atMs) {
        FUZZ_REQUIRE(!AtEnd(), "the exchange ended where its rules demand another read");
        const LineCall& c = calls_[next_++];
        FUZZ_REQUIRE(c.kind == LineCall::Kind::Read, "a write where the rules demand a read");
        FUZZ_REQUIRE(c.requested == count, "a read of another size than the rules demand");
        FUZZ_REQUIRE(c.readBudgetMs == budgetMs, "a read under another time-out than the rules");
        FUZZ_REQUIRE(c.startMs == atMs, "a read at another moment than the rules demand");
        FUZZ_REQUIRE(
            c.result == static_cast<long>(c.bytes.size()) || (c.result < 0 && c.bytes.empty()),
            "a read's record is inconsistent");
        return c;
    }

    // The next call: a write of exactly `bytes`, made at `atMs`; it wrote
    // them all, or failed.
    const LineCall& Write(std::span<const std::uint8_t> bytes, std::int64_t atMs) {
        FUZZ_REQUIRE(!AtEnd(), "the exchange ended where its rules demand a write");
        const LineCall& c = calls_[next_++];
        FUZZ_REQUIRE(c.kind == LineCall::Kind::Write, "a read where the rules demand a write");
        FUZZ_REQUIRE(std::equal(c.bytes.begin(), c.bytes.end(), bytes.begin(), bytes.end()),
                     "the bytes written differ from the frame the rules give");
        FUZZ_REQUIRE(c.startMs == atMs, "a write at another moment than the rules demand");
        FUZZ_REQUIRE(c.result == static_cast<long>(c.bytes.size()) || c.result < 0,
                     "a write on the simulated line was cut short");
        return c;
    }

private:
    const std::vector<LineCall>& calls_;
    std::size_t next_ = 0;
};

}  // namespace hk::fuzz
