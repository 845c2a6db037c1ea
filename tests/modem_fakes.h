#pragma once
// Stand-ins for the main window's side of the modem console: memos as line
// vectors, scripted file dialogs and port dialog, and a world that puts a
// ModemConsole on a SimLine with the virtual clock.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/Port.h"
#include "modem/ModemConsole.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"

namespace hk::test {

class FakeMemo : public MemoLines {
public:
    int Count() const override { return static_cast<int>(lines.size()); }
    std::string Line(int index) const override { return lines.at(static_cast<std::size_t>(index)); }
    void SetLine(int index, const std::string& line) override {
        lines.at(static_cast<std::size_t>(index)) = line;
    }
    void AddLine(const std::string& line) override {
        lines.push_back(line);
        if (clock) addedAtMs.push_back(clock->NowMs());
    }
    void Clear() override { lines.clear(); }
    void SetFocus() override { ++focused; }

    std::vector<std::string> lines;
    int focused = 0;
    Clock* clock = nullptr;  // when set, the time of every added line
    std::vector<std::int64_t> addedAtMs;
};

class FakeWindow : public ModemWindow {
public:
    MemoLines& Memo1() override { return memo1; }
    MemoLines& Memo2() override { return memo2; }
    bool CheckBox2Checked() override { return checkBox2; }
    std::string Edit1Text() override { return edit1; }
    void ShowCommandEdit(bool visible) override { editVisible = visible; }
    void FocusCommandEdit() override { ++editFocused; }
    std::string RingCountText() override { return ringText; }
    void SetRingCount(int value) override { ringText = std::to_string(value); }
    std::optional<std::string> OpenListDialog(std::string_view filter) override {
        openFilters.emplace_back(filter);
        return Next(openAnswers);
    }
    std::optional<std::string> SaveListDialog(std::string_view filter,
                                              std::string_view ext) override {
        saveFilters.emplace_back(std::string(filter) + " / " + std::string(ext));
        return Next(saveAnswers);
    }
    bool ShowPortDialog() override {
        ++portDialogs;
        return portDialog ? portDialog() : false;
    }
    void IdleHandlerChanged(bool installed) override { idleChanges.push_back(installed); }

    FakeMemo memo1, memo2;
    bool checkBox2 = false;
    std::string edit1;
    bool editVisible = false;
    int editFocused = 0;
    std::string ringText = "0";
    std::deque<std::optional<std::string>> openAnswers, saveAnswers;  // empty: cancelled
    std::vector<std::string> openFilters, saveFilters;
    std::function<bool()> portDialog;
    int portDialogs = 0;
    std::vector<bool> idleChanges;

private:
    static std::optional<std::string> Next(std::deque<std::optional<std::string>>& q) {
        if (q.empty()) return std::nullopt;
        auto a = q.front();
        q.pop_front();
        return a;
    }
};

inline std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A console in modem mode on an open SimLine with the virtual clock.
struct ModemWorld {
    ModemWorld() {
        state.WorkMode = 2;
        state.ModemMode = true;
        state.PortReady = true;
        line.Open("Com2");
        link.PortOpen = true;
        window.memo2.clock = &clock;
    }

    // Polls as the window's idle timer does until `done` holds or `maxMs` of
    // virtual time have passed; false on the time limit.
    bool IdleUntil(const std::function<bool()>& done, std::int64_t maxMs = 60'000) {
        const std::int64_t end = clock.NowMs() + maxMs;
        while (!done()) {
            if (clock.NowMs() >= end) return false;
            console.ModemIdle();
        }
        return true;
    }
    void IdleFor(std::int64_t ms) {
        const std::int64_t end = clock.NowMs() + ms;
        IdleUntil([&] { return clock.NowMs() >= end; }, ms + 1);
    }

    // The byte strings written, one per write call.
    std::vector<std::string> Writes() const {
        std::vector<std::string> out;
        for (const auto& e : line.Events())
            if (e.kind == sim::SimEvent::Kind::Write)
                out.emplace_back(e.bytes.begin(), e.bytes.end());
        return out;
    }

    VirtualClock clock{10'000};
    sim::SimLine line{clock};
    ScriptedView view;
    SerialLink link{line, clock, view};
    MainState state;
    FakeWindow window;
    ModemConsole console{state, link, window};
};

}  // namespace hk::test
