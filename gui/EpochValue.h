#pragma once
// A value a job on the job thread reads from the window (an operator's
// choice), fetched on the window thread at its first read after a
// checkpoint and kept until the next one.

#include <optional>

#include "gui/JobThread.h"

namespace hk {

template <class T>
class EpochValue {
public:
    template <class Fetch>
    const T& Get(JobThread& jobs, Fetch fetch) {
        if (!value_ || epoch_ != jobs.Epoch()) {
            value_ = jobs.OnWindow(fetch);
            epoch_ = jobs.Epoch();
        }
        return *value_;
    }

private:
    std::optional<T> value_;
    std::uint64_t epoch_ = 0;
};

}  // namespace hk
