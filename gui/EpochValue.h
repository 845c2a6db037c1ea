#pragma once
// A value a job on the job thread reads from the window (an operator's
// choice), fetched on the window thread at its first read after a
// checkpoint and kept until the next one.

#include <optional>
#include <utility>

#include "gui/JobThread.h"

namespace hk {

template <class T>
class EpochValue {
public:
    template <class Fetch>
    const T& Get(JobThread& jobs, Fetch fetch) {
        if (!value_ || epoch_ != jobs.Epoch()) {
            value_ = jobs.OnWindow(fetch);
            // The fetch itself moves the epoch on: what was fetched holds
            // from here.
            epoch_ = jobs.Epoch();
        }
        return *value_;
    }
    // The value fetched since the last checkpoint, to be changed with what
    // the job itself wrote to the window; null when none was fetched.
    T* Kept(const JobThread& jobs) { return value_ && epoch_ == jobs.Epoch() ? &*value_ : nullptr; }
    // What the job made the window hold, kept as if fetched now.
    void Set(const JobThread& jobs, T value) {
        value_ = std::move(value);
        epoch_ = jobs.Epoch();
    }

private:
    std::optional<T> value_;
    std::uint64_t epoch_ = 0;
};

}  // namespace hk
