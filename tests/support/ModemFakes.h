#pragma once
// Stand-ins for the main window's side of the modem console and of the
// controller's buffer lists, and a world that puts a ModemConsole on a
// SimLine with the virtual clock.

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "device/ControllerLists.h"
#include "link/Port.h"
#include "modem/ModemConsole.h"
#include "sim/SimLine.h"
#include "support/ScriptedView.h"

namespace hk::test {

class FakeMemo : public MemoLines {
public:
    int Count() const override { return static_cast<int>(lines.size()); }
    std::string Line(int i) const override { return lines.at(static_cast<std::size_t>(i)); }
    void SetLine(int i, const std::string& l) override {
        lines.at(static_cast<std::size_t>(i)) = l;
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

class FakeWindow : public ModemWindow, public device::BufferListWindow {
public:
    MemoLines& ListMemo() override { return list; }
    MemoLines& AnswersMemo() override { return answers; }
    bool ShowSpecialCharacters() override { return specialCharacters; }
    std::string CommandText() override { return command; }
    void ShowCommandField(bool visible) override { commandFieldVisible = visible; }
    void FocusCommandField() override { ++commandFieldFocused; }
    std::string RingCountText() override { return ringText; }
    void SetRingCount(int value) override { ringText = std::to_string(value); }
    // The dialogs answer with `fileName` once (empty: cancelled).
    std::optional<std::string> OpenListDialog(std::string_view filter) override {
        return Answer(std::string(filter));
    }
    std::optional<std::string> SaveListDialog(std::string_view filter,
                                              std::string_view ext) override {
        return Answer(std::string(filter) + " / " + std::string(ext));
    }
    // The buffer lists see the same memos and dialogs; the command field
    // closes as their dialog opens.
    MemoLines& FirstBuffer() override { return list; }
    MemoLines& SecondBuffer() override { return answers; }
    std::optional<std::string> ChooseListToLoad(std::string_view filter) override {
        commandFieldVisible = false;
        return OpenListDialog(filter);
    }
    std::optional<std::string> ChooseListToSave(std::string_view filter,
                                                std::string_view ext) override {
        commandFieldVisible = false;
        return SaveListDialog(filter, ext);
    }
    bool ShowPortDialog() override {
        ++portDialogs;
        return portDialog ? portDialog() : false;
    }
    void IdleHandlerChanged(bool installed) override { idleChanges.push_back(installed); }
    void ShowRunStatus(const std::string& text) override {
        statusTexts.push_back(text);
        if (clock) statusAtMs.push_back(clock->NowMs());
    }
    void MarkRefusedLine(int index) override { marks.push_back(index); }
    void ClearLineMarks() override {
        marks.clear();
        ++markClears;
    }
    void RunEnded(bool completed) override { runEnds.push_back(completed); }
    void MarkDifferingLine(int index) override { differing.push_back(index); }
    void ClearDifferingLineMarks() override { differing.clear(); }
    // The status text shown now.
    std::string Status() const { return statusTexts.empty() ? std::string() : statusTexts.back(); }

    FakeMemo list, answers;
    bool specialCharacters = false;
    std::string command;
    bool commandFieldVisible = false;
    int commandFieldFocused = 0;
    std::string ringText = "0";
    std::string fileName;
    std::vector<std::string> dialogs;  // filter (and extension) of each file dialog
    std::function<bool()> portDialog;
    int portDialogs = 0;
    std::vector<bool> idleChanges;
    std::vector<std::string> statusTexts;  // every status text shown, in order
    std::vector<int> marks;                // the list lines marked as refused
    int markClears = 0;
    std::vector<bool> runEnds;   // each run's end: completed or not
    std::vector<int> differing;  // the list lines marked by the last check
    Clock* clock = nullptr;      // when set, the time of every status text
    std::vector<std::int64_t> statusAtMs;

private:
    std::optional<std::string> Answer(std::string shown) {
        dialogs.push_back(std::move(shown));
        std::string name;
        name.swap(fileName);
        if (name.empty()) return std::nullopt;
        return name;
    }
};

inline std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

// A console in modem mode on an open SimLine with the virtual clock.
struct ModemWorld {
    ModemWorld() {
        state.WorkMode = kModemWork;
        state.ModemMode = true;
        state.PortReady = true;
        line.Open("Com2");
        window.answers.clock = &clock;
        window.clock = &clock;
    }
    // Polls as the job thread's idle work does until `done` holds; false when
    // `maxMs` of virtual time pass first.
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
    bool RunEnds() {
        return IdleUntil([&] { return !console.SendingList(); });
    }
    // The bytes of each write call.
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
