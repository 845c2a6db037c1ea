// The read-back: every line setting of the controller side, set and read
// back, with what the adapter held instead.

#include "adapter/Depths.h"

namespace hk::adapter::detail {
namespace {

struct Form {
    Parity parity;
    StopBits stopBits;
};

// Without the address byte: 8N2 on the controller's lines, 8N1 on the
// modem's; with it: MARK/SPACE (channel МЦП), EVEN/ODD (channel МПИ).
constexpr Form kForms[] = {{Parity::None, StopBits::One}, {Parity::None, StopBits::Two},
                           {Parity::Mark, StopBits::One}, {Parity::Space, StopBits::One},
                           {Parity::Even, StopBits::One}, {Parity::Odd, StopBits::One}};

std::string SpeedsText(const std::vector<int>& speeds) {
    std::string text;
    for (std::size_t i = 0; i < speeds.size(); ++i)
        text += (i ? ", " : "") + std::to_string(speeds[i]);
    return text + " бод";
}

}  // namespace

DepthResult ReadBack(SerialLine& line, const std::string& portName, Steps& steps,
                     Findings& found) {
    DepthResult result;
    result.depth = CheckDepth::ReadBack;
    result.title = "Чтение настроек (без проводов)";
    const std::vector<int>& speeds = ControllerBaudRates();
    for (const Form& form : kForms) {
        std::vector<int> refused;
        LineParams held{};
        const LineParams shown = Setting(speeds.front(), 8, form.parity, form.stopBits);
        steps.Progress("Чтение настроек: " + FormText(shown));
        for (int baud : speeds) {
            if (!steps.Go()) return result;
            const LineParams asked = Setting(baud, 8, form.parity, form.stopBits);
            const bool holds = line.SetParams(asked);
            if (!steps.Alive(line, portName)) return result;
            if (!holds) {
                refused.push_back(baud);
                held = line.HeldParams();
            }
        }
        CheckRow row;
        row.setting = FormText(shown);
        if (refused.empty()) {
            row.word = "passes";
            row.text = "принимает (" + std::to_string(speeds.front()) + "–" +
                       std::to_string(speeds.back()) + " бод)";
        } else {
            row.ok = false;
            row.word = "refused";
            row.text = std::string("не принимает") +
                       (refused.size() == speeds.size() ? "" : " на " + SpeedsText(refused)) +
                       " (держит " + (held.BaudRate == refused.back() ? FormText(held)
                                                                       : SettingText(held)) +
                       ")";
            if (form.parity == Parity::Mark || form.parity == Parity::Space)
                found.markSpaceRefused = true;
        }
        result.rows.push_back(row);
    }
    return result;
}

}  // namespace hk::adapter::detail
