#include "adapter/AdapterCheck.h"

#include <cmath>

#include "adapter/Depths.h"
#include "link/Port.h"

namespace hk::adapter {
namespace {

using detail::Findings;

// The open-failure message every other job gives: what failed, what to
// do, the system's reason, a line each.
std::string OpenFailureText(SerialLine& line, const std::string& portName) {
    std::string text = kOpenPortErrorText + portName;
    const std::string advice = line.OpenFailureAdvice();
    if (!advice.empty()) text += "\r" + advice;
    if (line.LastError() != 0) text += "\r" + line.ErrorText(line.LastError());
    return text;
}

// MARK/SPACE as the deepest depth that ran saw it.
MarkSpaceFinding FindingOf(const Findings& f, CheckDepth depth) {
    if (f.markSpaceRefused) return MarkSpaceFinding::Refused;
    if (depth == CheckDepth::Peer && f.peer) return *f.peer;
    if (depth == CheckDepth::Loopback && f.loopback) return *f.loopback;
    return MarkSpaceFinding::Accepted;
}

bool PortRowsOk(const std::vector<DepthResult>& depths) {
    for (const DepthResult& d : depths)
        for (const CheckRow& row : d.rows)
            if (!row.ok && !row.aboutPeer) return false;
    return true;
}

// The settings of the failing rows: "8M1, 8S1".
std::string FailingRows(const std::vector<DepthResult>& depths) {
    std::string text;
    int named = 0;
    for (const DepthResult& d : depths)
        for (const CheckRow& row : d.rows) {
            if (row.ok || row.aboutPeer) continue;
            if (++named > 4) return text + " …";
            text += (text.empty() ? "" : "; ") + row.setting;
        }
    return text;
}

std::string PeerNote(const std::vector<DepthResult>& depths, const std::string& peer) {
    for (const DepthResult& d : depths)
        for (const CheckRow& row : d.rows)
            if (row.aboutPeer && !row.ok)
                return " Второй адаптер (" + peer + ") сам передаёт не так: " + row.setting +
                       " — " + row.text + ".";
    return {};
}

}  // namespace

const std::vector<int>& ControllerBaudRates() {
    static const std::vector<int> kRates = {300, 600, 1200, 2400, 4800, 9600, 19200};
    return kRates;
}

std::string AdapterReport::Text() const {
    std::string text = "Проверка адаптера " + request.port;
    const std::string title = AdapterTitle(identity);
    text += title.empty() ? ":\n" : " — " + title + ":\n";
    for (const DepthResult& d : depths) {
        text += d.title + ":\n";
        for (const CheckRow& row : d.rows) text += "  " + row.setting + ": " + row.text + "\n";
        for (const std::string& note : d.notes) text += "  " + note + "\n";
    }
    return text + summary;
}

AdapterReport CheckAdapter(const CheckRequest& request, const AdapterIdentity& identity,
                           CheckContext& context) {
    AdapterReport report;
    report.request = request;
    report.identity = identity;
    detail::Steps steps(context);
    Findings found;
    const auto finish = [&](CheckOutcome outcome) {
        report.outcome = outcome;
        const std::string& port = request.port;
        switch (outcome) {
            case CheckOutcome::Stopped:
                report.message = "проверка прервана; для адаптера ничего не сохранено";
                report.summary = "Проверка адаптера " + port + " прервана: для адаптера ничего не "
                                 "сохранено.";
                return report;
            case CheckOutcome::PortFailed:
            case CheckOutcome::NoWiring:
                report.message = steps.Message();
                report.summary = "Адаптер " + port + " не проверен: " + report.message;
                return report;
            case CheckOutcome::Passed:
            case CheckOutcome::Faulty:
                break;
        }
        KeptAdapterCheck kept;
        kept.date = context.date;
        kept.depth = request.depth;
        kept.markSpace = FindingOf(found, request.depth);
        kept.passed = outcome == CheckOutcome::Passed;
        kept.switchLateMs = found.switchLateMs;
        kept.switchLateChars = found.switchLateChars;
        kept.marginMs = found.marginMs;
        kept.marginChars = found.marginChars;
        kept.drainEarly = found.drainEarly;
        if (kept.passed && request.depth == CheckDepth::ReadBack)
            report.summary = "Итог: адаптер " + port +
                             " принимает все настройки линии КВАРД; передаёт ли он MARK/SPACE "
                             "на деле, покажут петля TX–RX или второй адаптер";
        else
            report.summary = "Итог: адаптер " + port +
                             (kept.passed ? " годится для адресного байта КВАРД: "
                                          : " не годится для адресного байта КВАРД: ") +
                             kept.FindingsText();
        const std::string failing = FailingRows(report.depths);
        if (!failing.empty()) report.summary += "; не так: " + failing;
        report.summary += "." + PeerNote(report.depths, request.peerPort);
        report.kept = kept;
        return report;
    };
    const auto ended = [&] {
        switch (steps.Ended()) {
            case detail::Ending::Stopped:
                return finish(CheckOutcome::Stopped);
            case detail::Ending::PortGone:
                return finish(CheckOutcome::PortFailed);
            case detail::Ending::NoWiring:
                return finish(CheckOutcome::NoWiring);
            case detail::Ending::None:
                break;
        }
        return finish(PortRowsOk(report.depths) ? CheckOutcome::Passed : CheckOutcome::Faulty);
    };

    if (!steps.Go()) return ended();
    const std::unique_ptr<SerialLine> line = context.makeLine(request.port);
    steps.Progress("Открытие порта " + request.port);
    if (!line->Open(request.port)) {
        steps.PortFailed(OpenFailureText(*line, request.port));
        return ended();
    }
    report.depths.push_back(detail::ReadBack(*line, request.port, steps, found));
    if (steps.Ended() != detail::Ending::None) return ended();
    if (request.depth == CheckDepth::Loopback) {
        report.depths.push_back(
            detail::Loopback(*line, request.port, request.baudRate, steps, found));
    } else if (request.depth == CheckDepth::Peer) {
        const std::unique_ptr<SerialLine> peer = context.makeLine(request.peerPort);
        steps.Progress("Открытие порта " + request.peerPort);
        if (!peer->Open(request.peerPort)) {
            steps.PortFailed(OpenFailureText(*peer, request.peerPort));
            return ended();
        }
        report.depths.push_back(detail::Peer(*line, request.port, *peer, request.peerPort,
                                             request.baudRate, steps, found));
    }
    return ended();
}

}  // namespace hk::adapter
