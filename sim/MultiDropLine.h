#pragma once
// Several simulated controllers on one line, as on a multi-drop pair (МЦП or
// МПИ): every byte the workstation sends reaches all of them, and each
// answers only when it is selected (its number in an address byte, or in an
// FT1.2 frame's address field), so one pseudo-terminal serves them all.

#include <memory>
#include <vector>

#include "sim/KvardController.h"

namespace hk::sim {

class MultiDropLine final : public SimPeer {
public:
    // Adds a controller; give each its own network number (0 means "answer
    // to anything" and has no place on a shared line).
    KvardController& Add(const KvardOptions& options) {
        controllers_.push_back(std::make_unique<KvardController>(options));
        return *controllers_.back();
    }
    std::size_t Count() const { return controllers_.size(); }
    KvardController& At(std::size_t i) { return *controllers_.at(i); }

    void OnByte(std::uint8_t byte, const LineParams& params, PeerOutput& out) override {
        for (auto& c : controllers_) c->OnByte(byte, params, out);
    }

private:
    std::vector<std::unique_ptr<KvardController>> controllers_;
};

}  // namespace hk::sim
