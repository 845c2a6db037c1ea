#pragma once
// The main window's part of the modem side, for the command line: the list
// and the answers in memory, the port opened at the speed of --speed when
// the run asks for it, the run's progress to standard error.

#include <functional>
#include <string>

#include "link/Port.h"
#include "lists/MemoryLines.h"
#include "modem/ModemWindow.h"
#include "state/MainState.h"

namespace hk::cli {

class CliModemWindow final : public ModemWindow {
public:
    CliModemWindow(SerialLink& link, MainState& state, std::string port, int speedIndex,
                   std::function<void(const std::string&)> progress)
        : link_(link),
          state_(state),
          port_(std::move(port)),
          speedIndex_(speedIndex),
          progress_(std::move(progress)) {}

    MemoryLines list, answers;
    bool receiving = false;  // the answer receiver is installed

    MemoLines& ListMemo() override { return list; }
    MemoLines& AnswersMemo() override { return answers; }
    bool ShowSpecialCharacters() override { return false; }
    std::string CommandText() override { return {}; }
    void ShowCommandField(bool) override {}
    void FocusCommandField() override {}
    std::string RingCountText() override { return "0"; }
    void SetRingCount(int) override {}
    std::optional<std::string> OpenListDialog(std::string_view) override { return std::nullopt; }
    std::optional<std::string> SaveListDialog(std::string_view, std::string_view) override {
        return std::nullopt;
    }
    // As the port dialog's OK: a modem link at the chosen speed.
    bool ShowPortDialog() override {
        link_.Settings.NetAddress = 0;
        link_.Settings.LinkKind = kLinkModem;
        return state_.PortReady = OpenPort(link_, port_, speedIndex_, AddressMode::On);
    }
    void IdleHandlerChanged(bool installed) override { receiving = installed; }
    void ShowRunStatus(const std::string& text) override {
        if (progress_ && !text.empty()) progress_(text);
    }

private:
    SerialLink& link_;
    MainState& state_;
    std::string port_;
    int speedIndex_;
    std::function<void(const std::string&)> progress_;
};

}  // namespace hk::cli
