#pragma once
// The windows as the controller exchange sees them, counting what it asks
// for: the exchange lets window messages run at fixed points and never shows
// a box, and a fuzz target checks both.

#include <string>

#include "link/ViewHooks.h"

namespace hk::fuzz {

class CountingView final : public ViewHooks {
public:
    void ProcessMessages() override { ++messagePasses; }
    bool Confirm(const std::string&) override {
        ++boxes;
        return false;
    }
    void ShowInformation(const std::string&) override { ++boxes; }
    void ShowError(const std::string&) override { ++boxes; }

    int messagePasses = 0;
    int boxes = 0;
};

}  // namespace hk::fuzz
