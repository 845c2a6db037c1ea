#pragma once
// A scripted controller dialog with the main window's two memos, and a world
// that puts a ControllerJob on a SimLine to the simulated controller on the
// virtual clock, with a settings file of its own.

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "device/ControllerJob.h"
#include "link/PortSettings.h"
#include "lists/MemoryLines.h"
#include "sim/ForwardingLine.h"
#include "sim/KvardController.h"
#include "sim/SimLine.h"
#include "support/ScriptPeer.h"
#include "support/ScriptedView.h"
#include "support/TempDir.h"

namespace hk::test {

// The port as the job sees it: the simulated line, except that the next
// `failWrites` writes fail as a broken port's would; `onWrite` sees every
// write before it goes out.
class FlakyLine final : public sim::ForwardingLine {
public:
    explicit FlakyLine(SerialLine& inner) : ForwardingLine(inner) {}
    int failWrites = 0;
    std::function<void(const std::vector<std::uint8_t>&)> onWrite;

protected:
    long DoWrite(const std::uint8_t* data, std::size_t count) override {
        if (onWrite) onWrite({data, data + count});
        if (failWrites > 0) {
            --failWrites;
            return -1;
        }
        return inner_.Write(data, count);
    }
};

class FakeControllerView : public device::ControllerView {
public:
    // ViewHooks: boxes and message passes go to the script.
    void ProcessMessages() override { script.ProcessMessages(); }
    bool Confirm(const std::string& text) override { return script.Confirm(text); }
    void ShowInformation(const std::string& text) override { script.ShowInformation(text); }
    void ShowError(const std::string& text) override { script.ShowError(text); }
    // DeviceView.
    void SetStatusText(const std::string& text) override { status.push_back(text); }
    void SetNumberLabel(const std::string& text) override { numberLabel = text; }
    void SetSpeedLabel(const std::string& text) override { speedLabel = text; }
    void ShowGauge(bool visible) override { gaugeShown = visible; }
    void SetGauge(int percent) override { gauge.push_back(percent); }
    // ControllerView: the operator's choice, as the test sets it.
    device::LinkChoice Choice() override { return choice; }
    void ShowFields(device::FieldsShown shown) override { fields = shown; }
    void SetNumberText(const std::string& text) override { choice.number = text; }
    void CloseDialog() override {
        ++closed;
        if (onClose) onClose();
    }
    void ShowRunning(bool on) override { running.push_back(on); }
    MemoLines& BufferMemo(int index) override { return index == 0 ? upper : lower; }
    bool ShowSpecialCharacters() override { return special; }

    bool HasStatus(const std::string& text) const {
        return std::find(status.begin(), status.end(), text) != status.end();
    }

    ScriptedView script;
    std::vector<std::string> status;
    std::string numberLabel, speedLabel;
    bool gaugeShown = false;
    std::vector<int> gauge;
    // The safe write's two steps are off unless a test asks for them.
    device::LinkChoice choice{.backup = false, .verify = false};
    bool special = false;
    device::FieldsShown fields{};
    int closed = 0;
    std::vector<bool> running;  // ShowRunning, in order
    std::function<void()> onClose;
    MemoryLines upper, lower;
};

// The dialog, set to find `options`' controller at its number and speed.
struct ControllerWorld {
    explicit ControllerWorld(sim::KvardOptions options = {}, bool read = true) : kvard(options) {
        line.Attach(&kvard);
        state.KitIndex = static_cast<std::uint8_t>(options.kit);
        state.ReadFromDevice = read;
        state.CfgFileName = dir.File(kSettingsFileName);
        state.DataDir = dir.Dir();
        TempDir::WriteAll(state.CfgFileName, std::vector<unsigned char>(8, 0));
        device::LinkChoice& c = view.choice;
        c.protocol = options.framing == sim::KvardFraming::Ft12 ? kFt12 : kTraditional;
        c.crcMode = options.crcMode;
        c.channel = options.channel;
        c.currentLoop = options.loopEcho;
        c.searchAllNumbers = false;
        c.number = std::to_string(options.netNumber);
        const auto baud = std::find(BaudRates.begin(), BaudRates.end(), options.baudRate);
        c.speedItem = static_cast<int>(baud - BaudRates.begin()) + 1;
        view.onClose = [this] { job.Closed(); };
        job.Opened();
    }
    std::vector<unsigned char> SettingsFile() const { return TempDir::ReadAll(state.CfgFileName); }
    // The request bytes (count byte omitted) the controller received with `code`.
    std::vector<std::vector<std::uint8_t>> Received(std::uint8_t code) const {
        std::vector<std::vector<std::uint8_t>> out;
        for (const auto& r : kvard.Requests())
            if (!r.bytes.empty() && r.bytes[0] == code) out.push_back(r.bytes);
        return out;
    }
    // How often `frame` (hexadecimal) was written in one piece.
    int Sent(const std::string& frame) const {
        return static_cast<int>(
            std::count_if(line.Events().begin(), line.Events().end(), [&](const sim::SimEvent& e) {
                return e.kind == sim::SimEvent::Kind::Write && HexText(e.bytes) == frame;
            }));
    }
    int Opens() const {
        return static_cast<int>(
            std::count_if(line.Events().begin(), line.Events().end(),
                          [](const auto& e) { return e.kind == sim::SimEvent::Kind::Open; }));
    }
    // Ticks of the dialog's timer until it closes (at most `limit`).
    int TickUntilClosed(int limit = 5) {
        for (int i = 1; i <= limit; ++i) {
            clock.Sleep(1000);
            job.Tick();
            if (view.closed > 0) return i;
        }
        return 0;
    }

    TempDir dir;
    VirtualClock clock{1000};
    sim::SimLine line{clock};
    sim::KvardController kvard;
    FlakyLine port{line};
    FakeControllerView view;
    SerialLink link{port, clock, view};
    MainState state;
    device::ControllerJob job{state, link, view};
};

}  // namespace hk::test
