#pragma once
// What the benchmark programs share: a view without windows, the modem list
// the runs write, and a scratch folder of their own.

#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "link/ViewHooks.h"

namespace hk::bench {

// Questions are answered No; an error box goes to standard error.
class NoWindows : public ViewHooks {
public:
    void ProcessMessages() override {}
    bool Confirm(const std::string&) override { return false; }
    void ShowInformation(const std::string&) override {}
    void ShowError(const std::string& text) override {
        std::fprintf(stderr, "error box: %s\n", text.c_str());
    }
};

// Twenty lines an operator would write into a modem.
inline const std::vector<std::string> kModemList = {
    "AT&F",    "ATE1V1Q0", "ATX4",     "ATM1L2",   "AT&C1",    "AT&D2",  "ATS0=2",
    "ATS7=60", "ATS9=6",   "ATS10=20", "ATS11=95", "ATS12=50", "ATS6=2", "ATS8=2",
    "AT&K3",   "ATS0?",    "ATI4",     "AT&V",     "ATS0=3",   "AT&W"};

// A fresh folder /tmp/<prefix>-XXXXXX with its ports/ folder; a folder that
// cannot be made ends the program with the system's reason.
inline std::filesystem::path MakeScratchFolder(const std::string& prefix) {
    std::string pattern = "/tmp/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) {
        std::perror("mkdtemp");
        std::exit(1);
    }
    std::filesystem::create_directories(std::filesystem::path(pattern) / "ports");
    return pattern;
}

// The scratch folder for one run, removed at its end.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& prefix) : path(MakeScratchFolder(prefix)) {}
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    // With a trailing separator, as the program keeps its folders.
    std::string Dir() const { return path.string() + "/"; }

    const std::filesystem::path path;
};

}  // namespace hk::bench
