#pragma once
// What the soaks (soak_write, soak_modem) share: the port cut at the far
// end's word, a verdict kept over their runs, with the first violation for
// the report, and their command line.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <utility>

#include "sim/ForwardingLine.h"

namespace hk::bench {

// The port as the job sees it: the real line, cut (its far end gone) at the
// first call after the far end asked for it (`cutWanted` answers true once).
class CuttableLine final : public sim::ForwardingLine {
public:
    CuttableLine(SerialLine& inner, std::function<bool()> cutWanted, std::function<void()> cut)
        : ForwardingLine(inner), cutWanted_(std::move(cutWanted)), cut_(std::move(cut)) {}

protected:
    long DoWrite(const std::uint8_t* data, std::size_t count) override {
        CutIfWanted();
        return Gone(inner_.Write(data, count));
    }
    long DoRead(std::uint8_t* data, std::size_t count) override {
        CutIfWanted();
        return Gone(inner_.Read(data, count));
    }

private:
    void CutIfWanted() {
        if (cutWanted_()) cut_();
    }
    long Gone(long n) {
        if (inner_.HungUp()) MarkHungUp();
        return n;
    }
    std::function<bool()> cutWanted_;
    std::function<void()> cut_;
};

struct Verdict {
    // `unit` names one run in the report: "cycle 12: …", "run 7: …".
    explicit Verdict(const char* text, const char* unitName = "run") : what(text), unit(unitName) {}
    const char* what;
    const char* unit;
    int violations = 0;
    int checked = 0;
    std::string first;  // the first violation, for the report
    void Check(bool ok, int index, const std::string& detail) {
        ++checked;
        if (ok) return;
        if (violations++ == 0)
            first = std::string(unit) + " " + std::to_string(index) + ": " + detail;
    }
};

struct SoakOptions {
    int count = 0;  // runs or cycles
    bool virtualClock = false;
    unsigned seed = 0;
};

// `countOption`: "--runs" or "--cycles"; `options` holds the defaults. False,
// with the usage printed, on a word the soak does not know.
inline bool ReadSoakOptions(int argc, char* argv[], const char* countOption, SoakOptions& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], countOption) == 0 && i + 1 < argc) {
            options.count = std::max(1, std::atoi(argv[++i]));
        } else if (std::strcmp(argv[i], "--virtual") == 0) {
            options.virtualClock = true;
        } else if (std::strcmp(argv[i], "--seed") == 0 && i + 1 < argc) {
            options.seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else {
            std::fprintf(stderr, "usage: %s [%s N] [--virtual] [--seed S]\n", argv[0], countOption);
            return false;
        }
    }
    return true;
}

}  // namespace hk::bench
